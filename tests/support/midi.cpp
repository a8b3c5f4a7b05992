#include "support/midi.h"

#include <cstdint>
#include <fstream>

namespace test {

namespace {
void bigEndian32(std::string& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((v >> shift) & 0xff);
}

// A delta time: 7 bits a byte, most significant first, the high bit set on all but the last.
void variableLength(std::string& out, uint32_t v)
{
    char bytes[5];
    int n = 0;
    bytes[n++] = static_cast<char>(v & 0x7f);
    while (v >>= 7)
        bytes[n++] = static_cast<char>(0x80 | (v & 0x7f));
    while (n)
        out += bytes[--n];
}

void event(std::string& track, uint32_t delta, std::initializer_list<int> bytes)
{
    variableLength(track, delta);
    for (int b : bytes)
        track += static_cast<char>(b);
}
} // namespace

std::string midiFile(int ms, int notes)
{
    const int total = midiTicks(ms);
    const int step = notes > 0 ? total / notes : 0;
    std::string track;
    event(track, 0, { 0xff, 0x51, 3, 0x07, 0xa1, 0x20 }); // 500000 microseconds a beat
    event(track, 0, { 0xc0, 0 }); // acoustic grand piano
    for (int i = 0; i < notes; ++i) {
        event(track, 0, { 0x90, 60 + 2 * i, 100 });
        event(track, static_cast<uint32_t>(step), { 0x80, 60 + 2 * i, 0 });
    }
    event(track, static_cast<uint32_t>(total - step * notes), { 0xff, 0x2f, 0 });

    std::string file = "MThd";
    bigEndian32(file, 6);
    file += std::string("\0\0\0\1", 4); // format 0, one track
    file += static_cast<char>(midiDivision >> 8);
    file += static_cast<char>(midiDivision & 0xff);
    file += "MTrk";
    bigEndian32(file, static_cast<uint32_t>(track.size()));
    return file + track;
}

void writeMidi(const std::string& path, int ms, int notes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << midiFile(ms, notes);
}

} // namespace test
