// Windows metafiles (WMF, with or without the placeable header, and EMF) drawn into a picture:
// the metafile's frame is mapped onto the whole picture, which is then stretched into a picture
// box like any bitmap.
#pragma once

#include "platform/text.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>

namespace platform::metafile {

// True when `head`, the first bytes of a file (44 are enough), begins a metafile: a WMF with
// its placeable header (D7 CD C6 9A) or a standard one (type 1 or 2, a header of 9 words), or an
// EMF (a first record of type 1 with " EMF" at byte 40).
bool isMetafile(QByteArrayView head);

// The side of the picture a metafile is drawn into: the bounded surface of a picture box.
constexpr int MaxSide = 2048;

// The picture a metafile draws, `side` pixels on its longer side, in the shape of its frame.
// Throws RuntimeError naming `displayName` when the file cannot be read as a metafile, has no
// frame, or would take more than the game's limits for a picture.
QImage draw(const QByteArray& bytes, const Text& displayName, int side = MaxSide);

} // namespace platform::metafile
