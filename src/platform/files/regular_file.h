// Opening a file for reading safely, whatever is in its place.
#pragma once

#include "platform/text.h"

namespace platform {

// Opens a file for reading when it is a regular file; a folder, a device or a named pipe in its
// place is refused before anything could wait on it. Returns the descriptor, which the caller
// closes. Errors name the file as `shownAs`.
int openRegularFile(const Text& path, const Text& shownAs);

} // namespace platform
