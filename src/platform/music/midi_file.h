// Standard MIDI files, as the music device plays them. The story checker reads the music with the
// same reader, so a file it accepts is one the game plays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// A standard MIDI file as FluidSynth plays it: the header, then chunks that lie whole in the
// file, as many tracks among them as the header counts, and time in ticks a beat (not SMPTE).
// The events themselves are read when the file plays.
bool isMidiFile(const std::string& bytes);

// The unsigned number of `count` bytes at `at`, most significant first, as MIDI files hold them.
uint32_t bigEndian(const std::string& bytes, size_t at, int count);

// A tune larger than this is no background music: it is not read.
constexpr long long MaxMidiBytes = 16 << 20;

// The bytes of a standard MIDI file, or nothing when `path` is not one. Only a regular file
// is read (a named pipe in its place would keep the start-up waiting), and only up to
// MaxMidiBytes, so that a giant file costs neither time nor memory.
std::optional<std::string> readMidiFile(const std::string& path);

} // namespace platform
