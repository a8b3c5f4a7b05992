// The picture loader on any bytes: a picture or a RuntimeError naming the file, never a crash;
// a loaded picture is never larger than MaxPictureSide on a side; memory stays bounded (run
// with -malloc_limit_mb so that one large allocation is a finding).
#include "fuzz_support.h"

#include "platform/controls.h"

#include <QBuffer>
#include <QImageReader>

#include <array>
#include <bit>
#include <cstdio>
#include <utility>

namespace {

// Qt's decoders are not instrumented, so libFuzzer cannot tell their paths apart. Each format
// the reader recognises, each outcome and each size class calls a function of its own, so the
// corpus keeps an input of every kind to mutate.
template <int N> void mark()
{
    static volatile int seen = 0;
    seen = seen + N;
}

template <size_t... I> constexpr auto markTable(std::index_sequence<I...>)
{
    return std::array<void (*)(), sizeof...(I)> { mark<static_cast<int>(I)>... };
}

constexpr auto marks = markTable(std::make_index_sequence<96>());

void markKind(const QByteArray& format, int outcome, int width)
{
    static const char* const formats[]
        = { "png", "bmp", "gif", "jpeg", "ico", "cur", "tiff", "webp", "tga", "wbmp", "xbm", "xpm",
              "pbm", "pgm", "ppm", "mng", "icns", "svg", "jp2", "heic" };
    int f = 20;
    for (int i = 0; i < 20; ++i) {
        if (format == formats[i])
            f = i;
    }
    marks[static_cast<size_t>(f * 3 + outcome)]();
    if (outcome == 0)
        marks[static_cast<size_t>(63 + std::bit_width(static_cast<unsigned>(width)))]();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::application();
    static fuzz::MemoryFile file;
    file.set(data, size);
    QByteArray bytes = QByteArray::fromRawData(
        reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray format = QImageReader::imageFormat(&buffer);
    try {
        const platform::Picture picture
            = platform::LoadPicture(platform::fromUtf8(file.path()), u"dat/x.dat");
        FUZZ_CHECK(!picture.isNull());
        FUZZ_CHECK(picture.width() > 0 && picture.width() <= platform::MaxPictureSide);
        FUZZ_CHECK(picture.height() > 0 && picture.height() <= platform::MaxPictureSide);
        markKind(format, 0, picture.width());
    } catch (const platform::RuntimeError& e) {
        const std::string message = platform::toUtf8(e.message());
        FUZZ_CHECK(message.rfind("dat/x.dat: ", 0) == 0);
        markKind(format, message.find("too large") != std::string::npos ? 1 : 2, 0);
    }
    return 0;
}
