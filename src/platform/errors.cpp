#include "platform/errors.h"

namespace platform {

short checked16(long long value, TextView what)
{
    if (value < -32768 || value > 32767)
        throw RuntimeError(Text(what) + u": number too large (" + Str(value) + u")");
    return static_cast<short>(value);
}

} // namespace platform
