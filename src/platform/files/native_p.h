// Paths and error numbers of the system, as the file helpers use them. Private to the platform.
#pragma once

#include "platform/text.h"

#include <string>

namespace platform {

// The path as the system's calls take it (the locale's encoding of file names).
std::string nativePath(const Text& path);
Text fromNativePath(const std::string& path);
// A short text for an error number: "not found", "permission denied", "the disk is full" ...
Text errorText(int err);

} // namespace platform
