#include "platform/mci.h"
#include "platform/system.h"

namespace platform {

std::unique_ptr<Mci> makeDefaultMci() { return std::make_unique<NullMci>(); }

} // namespace platform
