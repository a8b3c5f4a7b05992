// A shared library the program loads by itself (the voice module), looked at before it is loaded:
// the system loader maps its segments as they are, and a file cut short (an interrupted copy or
// update) ends the program with SIGBUS when the missing part is touched.
#pragma once

#include <string>

namespace platform {

// Empty when the file at `path` (a name of this system) is an ELF shared library of this machine
// whose segments all lie within the file; else what is wrong with it.
std::string moduleProblem(const std::string& path);

} // namespace platform
