// A lossless code for blocks of 16-bit stereo sound, about half their size for music: each
// channel's samples predicted from the ones before (a polynomial of order 0 to 3, whichever
// predicts the block best) and the errors written in Rice codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::music {

// Appends the code of `frames` interleaved stereo frames to `out`.
void encodeBlock(const int16_t* lr, size_t frames, std::vector<uint8_t>& out);
// Decodes a block of `frames` frames encoded by encodeBlock into `lr`.
void decodeBlock(const uint8_t* code, size_t frames, int16_t* lr);

} // namespace platform::music
