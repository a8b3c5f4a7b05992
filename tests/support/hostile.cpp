#include "support/hostile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <cstdio>
#include <fcntl.h>
#include <random>
#include <stdexcept>
#include <unistd.h>

namespace test {
namespace {

void put(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0)
        throw std::runtime_error("cannot write " + path);
}

std::string be32(uint32_t v)
{
    return { static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
        static_cast<char>(v) };
}

std::string le16(unsigned v)
{
    return { static_cast<char>(v), static_cast<char>(v >> 8) };
}
std::string le32(uint32_t v)
{
    return le16(v & 0xffff) + le16(v >> 16);
}

uint32_t crc32(const std::string& bytes)
{
    uint32_t crc = 0xffffffff;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

std::string chunk(const std::string& type, const std::string& data)
{
    return be32(static_cast<uint32_t>(data.size())) + type + data + be32(crc32(type + data));
}

std::string zlib(const QByteArray& raw)
{
    const QByteArray z = qCompress(raw, 9);
    return std::string(z.constData() + 4, static_cast<size_t>(z.size() - 4)); // without Qt's length
}

// A BMP header for `w` x `h` pixels of `bits` bits, the pixel data left to a sparse tail.
void bmp(const std::string& path, int w, int h, int bits)
{
    const long long rowBytes = ((static_cast<long long>(w) * bits + 31) / 32) * 4;
    const int colours = bits <= 8 ? 1 << bits : 0;
    const uint32_t offset = 14 + 40 + 4 * colours;
    const long long size = offset + rowBytes * h;
    std::string header = "BM" + le32(static_cast<uint32_t>(size)) + le32(0) + le32(offset);
    header += le32(40) + le32(static_cast<uint32_t>(w)) + le32(static_cast<uint32_t>(h)) + le16(1)
        + le16(bits);
    header += le32(0) + le32(static_cast<uint32_t>(rowBytes * h)) + le32(2835) + le32(2835)
        + le32(colours) + le32(0);
    for (int i = 0; i < colours; ++i)
        header += i == 0 ? std::string(4, '\0') : std::string("\xff\xff\xff\0", 4);
    put(path, header);
    if (::truncate(path.c_str(), size) != 0)
        throw std::runtime_error("cannot extend " + path);
}

void png1Bit(const std::string& path)
{
    // 20,000 rows of one filter byte and 2,500 bytes of black: 50 MB that compress to 50 KB.
    put(path, png(20000, 20000, 1, 0, zlib(QByteArray(20000 * 2501, '\0'))));
}

void pngRgbHeader(const std::string& path)
{
    put(path, png(20000, 20000, 8, 2, zlib(QByteArray(60001, '\0'))));
}

void gif(const std::string& path)
{
    std::string g
        = "GIF89a" + le16(20000) + le16(20000) + std::string("\x80\0\0\0\0\0\xff\xff\xff", 9);
    g += "," + le16(0) + le16(0) + le16(20000) + le16(20000)
        + std::string("\0\x02\x02\x44\x01\0;", 7);
    put(path, g);
}

QByteArray smallJpeg(int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "JPEG");
    return bytes;
}

void jpeg(const std::string& path)
{
    QByteArray bytes = smallJpeg(64, 64);
    // The frame header (SOF0) says 20,000 x 20,000; the data is that of 64 x 64.
    for (int i = 2; i + 9 < bytes.size();) {
        const auto marker = static_cast<unsigned char>(bytes[i + 1]);
        const int length = (static_cast<unsigned char>(bytes[i + 2]) << 8)
            | static_cast<unsigned char>(bytes[i + 3]);
        if (marker == 0xc0) {
            bytes[i + 5] = bytes[i + 7] = static_cast<char>(20000 >> 8);
            bytes[i + 6] = bytes[i + 8] = static_cast<char>(20000 & 0xff);
            break;
        }
        i += 2 + length;
    }
    put(path, bytes.toStdString());
}

// A 64 x 48 picture as PNG, its chunks before the image data `extra`; each row begins with the
// filter type `filter` (0 to 4; others are an error).
std::string smallPng(const std::string& extra, char filter = 0)
{
    const std::string p = png(64, 48, 8, 2, zlib((filter + QByteArray(64 * 3, '@')).repeated(48)));
    return std::string(p).insert(p.find("IDAT") - 4, extra);
}

void pngWithText(const std::string& path)
{
    put(path,
        smallPng(chunk("tEXt", "Comment" + std::string(1, '\0') + std::string(30000000, 't'))));
}

void jpegWithComments(const std::string& path)
{
    // 458 comment segments of 64 KiB right after the start of the picture: 30 MB.
    const QByteArray bytes = smallJpeg(64, 48);
    const QByteArray comment = "\xff\xfe\xff\xff" + QByteArray(65533, 'c');
    put(path, (bytes.left(2) + comment.repeated(458) + bytes.mid(2)).toStdString());
}

void jpegWithAppSegments(const std::string& path)
{
    // As a phone writes them: APP1 (Exif, XMP with a depth map) and APP2 (a colour profile),
    // 64 KiB each, after the JFIF segment.
    const QByteArray bytes = smallJpeg(64, 48);
    const qsizetype afterJfif
        = 4 + ((static_cast<unsigned char>(bytes[4]) << 8) | static_cast<unsigned char>(bytes[5]));
    QByteArray app;
    for (int i = 0; i < 458; ++i)
        app += (i % 2 ? "\xff\xe2\xff\xff" : "\xff\xe1\xff\xff") + QByteArray(65533, 'x');
    put(path, (bytes.left(afterJfif) + app + bytes.mid(afterJfif)).toStdString());
}

void pngInAHugeFile(const std::string& path)
{
    put(path, smallPng(""));
    if (::truncate(path.c_str(), 200 * MiB) != 0)
        throw std::runtime_error("cannot extend " + path);
}

} // namespace

void writePictureWithWarnings(const std::string& path)
{
    // A colour profile chunk too short to hold one: libpng warns (through Qt). Then rows of an
    // unknown filter type: libpng reports the error on standard error itself.
    put(path, smallPng(chunk("iCCP", std::string("icc\0\0", 5) + zlib("junk")), 9));
}

void writeSparse(const std::string& path, long long size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, size) != 0)
        throw std::runtime_error("cannot make " + path);
    ::close(fd);
}

void writeLongLine(const std::string& path, long long size)
{
    const std::string block(MiB, 'x');
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        throw std::runtime_error("cannot write " + path);
    for (long long done = 0; done < size; done += MiB)
        std::fwrite(block.data(), 1, static_cast<size_t>(std::min<long long>(MiB, size - done)), f);
    std::fclose(f);
}

std::string garbage(size_t n)
{
    std::mt19937 gen(20240607);
    std::string out(n, '\0');
    for (char& c : out) {
        do
            c = static_cast<char>(gen() & 0xff);
        while (c >= 'a' && c <= 'z');
    }
    return out;
}

std::string png(int width, int height, int bitDepth, int colourType, const std::string& zlibData)
{
    std::string ihdr = be32(static_cast<uint32_t>(width)) + be32(static_cast<uint32_t>(height));
    ihdr += static_cast<char>(bitDepth);
    ihdr += static_cast<char>(colourType);
    ihdr += std::string(3, '\0');
    return "\x89PNG\r\n\x1a\n" + chunk("IHDR", ihdr) + chunk("IDAT", zlibData) + chunk("IEND", "");
}

const std::vector<HugePicture>& hugePictures()
{
    static const std::vector<HugePicture> pictures = {
        { "PNG, 1 bit, 20000 x 20000", png1Bit },
        { "PNG header, RGB, 20000 x 20000", pngRgbHeader },
        { "BMP, 1 bit, 20000 x 20000 (sparse)",
            [](const std::string& p) { bmp(p, 20000, 20000, 1); } },
        { "BMP, 24 bits, 20000 x 20000 (sparse)",
            [](const std::string& p) { bmp(p, 20000, 20000, 24); } },
        { "GIF header, 20000 x 20000", gif },
        { "JPEG header, 20000 x 20000", jpeg },
        { "PNG, 64 x 48, in a 200 MB file", pngInAHugeFile },
    };
    return pictures;
}

const std::vector<HugePicture>& hugeMetadataPictures()
{
    static const std::vector<HugePicture> pictures = {
        { "PNG, 64 x 48, with a 30 MB text chunk", pngWithText },
        { "JPEG, 64 x 48, with 30 MB of comments", jpegWithComments },
        { "JPEG, 64 x 48, with 30 MB of Exif, XMP and colour profile segments",
            jpegWithAppSegments },
    };
    return pictures;
}

} // namespace test
