// Small Windows metafiles written record by record, and the sample picture drawn in each kind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace test {

std::string bytes16(unsigned v); // little-endian
std::string bytes32(uint32_t v);

// A WMF: records of a function and its parameter words (in the order the file holds them), then
// any bytes the record carries after them.
struct WmfWriter
{
    std::string records;
    int objects = 0;
    void rec(uint16_t function, const std::vector<int>& words, const std::string& bytes = {});
    // The file: with the placeable header (bounding box left, top, right, bottom in units of
    // `inch` an inch) when `inch` is not 0, then the standard header, the records and the end.
    std::string file(const std::vector<int>& box = {}, int inch = 0) const;
};

// An EMF: records of a type and the bytes after the type and size.
struct EmfWriter
{
    std::string records;
    int count = 0;
    void rec(uint32_t type, const std::string& body);
    // The file: the header with the frame (left, top, right, bottom in pixels of a 96 dots an
    // inch device, which is the reference device), the records and the end.
    std::string file(int width, int height) const;
};

// The sample picture of 400 x 300: a red rectangle in the top left quarter, a blue ellipse in
// the top right one, a green bitmap stretched over the bottom left one, and `text` in black in
// the bottom right one (code page 932 in a WMF, UTF-16 in an EMF).
std::string sampleWmf(bool placeable, const std::u16string& text);
std::string sampleEmf(const std::u16string& text);

// Pictures that use most of the records the player knows (hatched brushes, dashed and wide
// pens, arcs, chords, pies, rounded rectangles, poly-polygons, clipping, saved states, opaque
// text, bitmap copies; in the EMF also paths, mapping modes and world transforms): seeds for
// the fuzzers.
std::string assortedWmf();
std::string assortedEmf();

} // namespace test
