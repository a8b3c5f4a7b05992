// Pictures read from files, recognised by their content, within bounds that keep memory small
// whatever a file holds or its header claims.
#pragma once

#include "platform/text.h"

#include <cstdint>
#include <memory>

class QImage;

namespace platform {

// A decoded picture, shared and immutable. Empty when nothing is held.
class Picture
{
public:
    Picture() = default;
    bool isNull() const { return !image_; }
    int width() const;
    int height() const;
    // Identity of the decoded picture: two loads of one file are different pictures, unless the
    // file was unchanged and the first picture still held (then it is loaded only once).
    uint64_t id() const { return id_; }

private:
    friend class PictureBox;
    friend class PictureWidget;
    friend Picture LoadPicture(const Text& path, const Text& displayName);
    std::shared_ptr<const QImage> image_;
    uint64_t id_ = 0;
};

// Loads a picture file, recognising the format from its content. Pictures larger than
// MaxPictureSide pixels on a side are decoded scaled down to fit. Throws RuntimeError naming
// `displayName` when the file is missing, is not a picture this platform reads, or is larger than
// MaxPicturePixels or MaxPictureFileBytes. A PNG or JPEG with more than MaxPictureMetadataBytes
// besides its pixels is read without its metadata: memory stays bounded whatever a file holds or
// its header claims. Metafiles (WMF, EMF) are drawn in the shape of their frame.
Picture LoadPicture(const Text& path, const Text& displayName);
constexpr int MaxPictureSide = 4096;
constexpr long long MaxPicturePixels = 32LL * 1024 * 1024; // 8192 x 4096, 5792 x 5792, ...
constexpr int MaxPictureDecodeMiB = 128; // what one decode may allocate: 32 Mi pixels of 4 bytes
// What a PNG or JPEG file may hold besides its pixels: text, colour profiles, Exif and the other
// chunks or segments. Qt keeps such metadata with the picture, and copies it many times over
// while it decodes, so a picture with more is read without it.
constexpr long long MaxPictureMetadataBytes = 1 << 20;
// The largest picture file: the largest picture, uncompressed at 4 bytes a pixel, and its
// metadata.
constexpr long long MaxPictureFileBytes = 4 * MaxPicturePixels + MaxPictureMetadataBytes;

} // namespace platform
