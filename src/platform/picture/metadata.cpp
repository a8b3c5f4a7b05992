#include "platform/picture/metadata.h"

#include "platform/controls.h"

#include <fcntl.h>
#include <unistd.h>

namespace platform::picture_metadata {

namespace {

QByteArray readAt(int fd, long long offset, long long n)
{
    QByteArray out(static_cast<qsizetype>(std::max(0LL, n)), '\0');
    const ssize_t got = ::pread(fd, out.data(), static_cast<size_t>(out.size()), offset);
    out.resize(got > 0 ? static_cast<qsizetype>(got) : 0);
    return out;
}

// Appends the file from `offset` to its end.
void appendRest(int fd, long long offset, QByteArray& out)
{
    for (;;) {
        const QByteArray part = readAt(fd, offset, 1 << 20);
        if (part.isEmpty())
            return;
        out += part;
        offset += part.size();
    }
}

long long pngBytes(int fd, long long limit)
{
    long long offset = 8, total = 0;
    unsigned char head[8];
    while (total <= limit && ::pread(fd, head, 8, offset) == 8) {
        const long long length
            = (static_cast<long long>(head[0]) << 24) | (head[1] << 16) | (head[2] << 8) | head[3];
        const QByteArrayView type(head + 4, 4);
        total += 12 + (type == "IDAT" ? 0 : length);
        if (type == "IEND")
            break;
        offset += 12 + length;
    }
    return total;
}

// The bytes of a file through a window of 64 KiB that moves as they are read.
class Window
{
public:
    explicit Window(int fd)
        : fd_(fd)
    { }
    int at(long long i)
    {
        if (i < start_ || i >= start_ + bytes_.size()) {
            start_ = i;
            bytes_ = readAt(fd_, i, 1 << 16);
        }
        const long long k = i - start_;
        return k < bytes_.size() ? static_cast<unsigned char>(bytes_[static_cast<qsizetype>(k)])
                                 : -1;
    }

private:
    int fd_;
    long long start_ = 0;
    QByteArray bytes_;
};

// Walks the segments of a JPEG before its first scan, up to `limit` bytes in; `segment` is told
// each one's marker, start and length in bytes (marker included). Returns where the walk
// stopped.
template <class F> long long walkJpeg(int fd, long long limit, F&& segment)
{
    Window file(fd);
    long long i = 2; // after the start of the picture
    while (i <= limit && file.at(i) == 0xff) {
        const int marker = file.at(i + 1);
        if (marker < 0 || marker == 0xda || marker == 0xd9) // the first scan, or the end
            break;
        long long length = 2;
        if (marker == 0xff || marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7))
            length = marker == 0xff ? 1 : 2; // a fill byte, or a marker without a segment
        else if (file.at(i + 3) < 0)
            break;
        else
            length = 2 + ((file.at(i + 2) << 8) | file.at(i + 3));
        segment(marker, i, length);
        i += length;
    }
    return i;
}

bool keptPngChunk(QByteArrayView type)
{
    static const char* const kept[]
        = { "tRNS", "PLTE", "gAMA", "cHRM", "sRGB", "sBIT", "bKGD", "pHYs" };
    if (type.size() == 4 && type[0] >= 'A' && type[0] <= 'Z')
        return true; // critical
    for (const char* k : kept) {
        if (type == k)
            return true;
    }
    return false;
}

bool droppedJpegSegment(int marker)
{
    return (marker >= 0xe1 && marker <= 0xed) || marker == 0xef || marker == 0xfe;
}

} // namespace

long long bytes(int fd, QByteArrayView format, long long limit)
{
    if (format == "png")
        return pngBytes(fd, limit);
    if (format == "jpeg")
        return walkJpeg(fd, limit, [](int, long long, long long) {});
    return 0;
}

QByteArray without(int fd, QByteArrayView format, long long& skipped)
{
    // The parts kept are copied a run at a time: from `keptFrom` to each part left out.
    skipped = 0;
    QByteArray out;
    long long keptFrom = 0;
    const auto leaveOut = [&](long long at, long long n) {
        out += readAt(fd, keptFrom, at - keptFrom);
        skipped += n;
        keptFrom = at + n;
    };
    if (format == "png") {
        Window file(fd);
        for (long long offset = 8; file.at(offset + 7) >= 0;) {
            const long long length = (static_cast<long long>(file.at(offset)) << 24)
                | (file.at(offset + 1) << 16) | (file.at(offset + 2) << 8) | file.at(offset + 3);
            const char type[4] = { static_cast<char>(file.at(offset + 4)),
                static_cast<char>(file.at(offset + 5)), static_cast<char>(file.at(offset + 6)),
                static_cast<char>(file.at(offset + 7)) };
            if (!keptPngChunk(QByteArrayView(type, 4)))
                leaveOut(offset, 12 + length);
            offset += 12 + length;
            if (QByteArrayView(type, 4) == "IEND") {
                out += readAt(fd, keptFrom, offset - keptFrom);
                return out;
            }
        }
    } else {
        walkJpeg(fd, MaxPictureFileBytes, [&](int marker, long long at, long long n) {
            if (droppedJpegSegment(marker))
                leaveOut(at, n);
        });
    }
    appendRest(fd, keptFrom, out);
    return out;
}

long long skippedBytes(const Text& path)
{
    const int fd = ::open(toUtf8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return 0;
    unsigned char head[8] = {};
    const ssize_t got = ::pread(fd, head, 8, 0);
    const QByteArrayView h(head, got > 0 ? got : 0);
    const QByteArrayView format = h.startsWith("\x89PNG\r\n\x1a\n") ? "png"
        : h.startsWith("\xff\xd8\xff")                              ? "jpeg"
                                                                    : "";
    long long skipped = 0;
    if (!format.isEmpty() && bytes(fd, format, MaxPictureMetadataBytes) > MaxPictureMetadataBytes)
        without(fd, format, skipped);
    ::close(fd);
    return skipped;
}

} // namespace platform::picture_metadata
