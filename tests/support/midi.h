// Small standard MIDI files written by the tests and benchmarks themselves.
#pragma once

#include <string>

namespace test {

// Ticks per quarter note and the tempo of every file below: 480 ticks a beat at 120 beats a
// minute, so 0.96 ticks a millisecond.
constexpr int midiDivision = 480;
constexpr int midiTicks(int ms)
{
    return ms * midiDivision / 500;
}

// A one-track file of `notes` piano notes one after the other, its last event (the end of the
// track) `ms` milliseconds after its start.
std::string midiFile(int ms, int notes = 4);
void writeMidi(const std::string& path, int ms, int notes = 4);

} // namespace test
