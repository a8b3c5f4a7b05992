// What a PNG or JPEG file holds besides its picture: text, colour profiles, Exif, depth maps and
// the other chunks or segments. Qt keeps such metadata with the picture and copies it many times
// over while it decodes, so a picture with more than MaxPictureMetadataBytes of it is read
// without it: the memory a picture takes stays bounded, whatever a camera writes.
#pragma once

#include "platform/text.h"

#include <QByteArray>
#include <QByteArrayView>

namespace platform::picture_metadata {

// The bytes of metadata in the PNG or JPEG file `fd` ("png" or "jpeg" in `format`), counted
// until they pass `limit`: for a PNG every chunk but its image data, and the 12 bytes each chunk
// takes around its data; for a JPEG everything before its first scan.
long long bytes(int fd, QByteArrayView format, long long limit);

// The file without the metadata it can do without: a PNG without its ancillary chunks but
// transparency and colour (tRNS, PLTE, gAMA, cHRM, sRGB, sBIT, bKGD, pHYs), a JPEG without its
// APP1 to APP13, APP15 and comment segments. `skipped` is set to the bytes left out.
QByteArray without(int fd, QByteArrayView format, long long& skipped);

// The bytes of metadata the picture loader leaves out of the picture file at `path`: 0 when it
// reads the file as it is (or cannot read it).
long long skippedBytes(const Text& path);

} // namespace platform::picture_metadata
