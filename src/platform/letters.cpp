#include "platform/letters.h"

#include <QChar>

namespace platform {

bool isLetterOrNumber(char16_t c)
{
    return QChar(c).isLetterOrNumber();
}

} // namespace platform
