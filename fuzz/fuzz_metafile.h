// The metafile drawer on any records: a picture of at most MaxSide pixels on a side in the shape
// of its frame, or a RuntimeError naming the file; never a crash, and memory and time bounded.
// `header` goes before an input that does not begin with one of its own, so that the records
// the fuzzer makes are played.
#pragma once

#include "fuzz_support.h"

#include "platform/errors.h"
#include "platform/picture/metafile.h"

namespace fuzz {

// Little-endian 16-bit words as bytes.
inline QByteArray words(std::initializer_list<unsigned> values)
{
    QByteArray bytes;
    for (unsigned v : values) {
        bytes.append(static_cast<char>(v & 0xff));
        bytes.append(static_cast<char>(v >> 8));
    }
    return bytes;
}

constexpr int Side = 256;

inline int drawMetafile(const uint8_t* data, size_t size, const QByteArray& header)
{
    application();
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (!platform::metafile::isMetafile(bytes.first(std::min<qsizetype>(bytes.size(), 44))))
        bytes.prepend(header);
    try {
        // Small, so that many inputs are tried; every bound but the picture's size is the game's.
        const QImage image = platform::metafile::draw(bytes, u"dat/x.dat", Side);
        FUZZ_CHECK(!image.isNull());
        FUZZ_CHECK(image.width() <= Side && image.height() <= Side);
    } catch (const platform::RuntimeError& e) {
        FUZZ_CHECK(e.message().starts_with(u"dat/x.dat: "));
    }
    return 0;
}

} // namespace fuzz
