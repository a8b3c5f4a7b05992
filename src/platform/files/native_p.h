// Paths and error numbers of the system, as the file helpers use them. Private to the platform.
#pragma once

#include "platform/text.h"

#include <string>

namespace platform {

// Paths as the system's calls take them: nativePath and pathFromNative in platform/text.h.
// A short text for an error number: "not found", "permission denied", "the disk is full" ...
Text errorText(int err);

} // namespace platform
