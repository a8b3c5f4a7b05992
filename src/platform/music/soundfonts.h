// The General MIDI soundfonts installed on this machine.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The soundfonts of `folder` in the order they are tried: TimGM6mb.sf2, the system's
// default-GM, FluidR3_GM, then any other soundfont there in name order; each file once, however
// many links name it.
std::vector<std::string> findSoundfonts(const std::string& folder);

} // namespace platform
