// Hostile files for the robustness tests: sparse giants, endless lines, garbage, and pictures
// whose headers claim 20,000 x 20,000 pixels.
#pragma once

#include <string>
#include <vector>

namespace test {

constexpr long long MiB = 1LL << 20;
constexpr long long GiB = 1LL << 30;

// A file of `size` bytes, all NUL, that takes no room on the disk.
void writeSparse(const std::string& path, long long size);
// One line of `size` letters "x", without a line end.
void writeLongLine(const std::string& path, long long size);
// `n` bytes of every value (NUL, CR and LF among them) but no lowercase ASCII letter, so no
// marker of the script grammar can come out of them; the same bytes every time.
std::string garbage(size_t n);

// Pictures the game refuses: 20,000 x 20,000 pixels (or files whose header says so), and a small
// picture in a huge file.
struct HugePicture
{
    const char* name;
    void (*write)(const std::string& path);
};
const std::vector<HugePicture>& hugePictures();
// Small pictures with 30 MB of metadata, which the game reads without it.
const std::vector<HugePicture>& hugeMetadataPictures();

// A small PNG picture that makes libpng warn through Qt and write an error of its own to
// standard error; it is not shown.
void writePictureWithWarnings(const std::string& path);

// A PNG file of the given header and zlib-compressed image data.
std::string png(int width, int height, int bitDepth, int colourType, const std::string& zlibData);

} // namespace test
