// Whether a sound output may open on this machine, told from its files without loading anything.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Whether one of FluidSynth's audio `drivers` may find a sound output here: a PulseAudio server's
// socket or address, an ALSA playback device or an ALSA configuration. A driver it does not know
// may.
bool soundOutputMayOpen(const std::vector<std::string>& drivers);

} // namespace platform
