// A metafile is recognised from its first bytes, its frame found in its header (or, for a WMF
// without the placeable header, in the window it sets), and its records played onto a picture
// in the frame's shape.
#include "platform/picture/metafile.h"

#include "platform/controls.h"
#include "platform/errors.h"
#include "platform/picture/metafile_p.h"

#include <QPainter>

#include <cmath>
#include <cstring>
#include <functional>

namespace platform::metafile {

namespace {

constexpr uint32_t PlaceableKey = 0x9ac6cdd7;
constexpr uint32_t EmfSignature = 0x464d4520; // " EMF"
constexpr double ScreenDpi = 96;

struct Frame
{
    QRectF frame; // in the units the records use (WMF) or of the reference device (EMF)
    QSizeF pixels; // its size at 96 pixels an inch
};

Text str(double v)
{
    return fromUtf8(std::to_string(static_cast<long long>(std::llround(v))));
}

// A WMF without the placeable header: the window its records set, or else the extent of what
// they draw.
QRectF windowOf(Bytes records)
{
    std::optional<QPointF> org;
    std::optional<QSizeF> ext;
    for (size_t at = 0; records.has(at, 8) && !(org && ext);) {
        const uint64_t words = records.u32(at);
        const uint16_t function = records.u16(at + 4);
        if (words < 3 || 2 * words > records.size() - at || function == 0)
            break;
        if (words >= 5 && function == 0x020b && !org)
            org = QPointF(records.i16(at + 8), records.i16(at + 6));
        if (words >= 5 && function == 0x020c && !ext)
            ext = QSizeF(records.i16(at + 8), records.i16(at + 6));
        at += static_cast<size_t>(2 * words);
    }
    if (ext && !ext->isEmpty() && ext->width() != 0 && ext->height() != 0)
        return QRectF(org.value_or(QPointF()), *ext);
    Budget budget;
    Canvas measure(nullptr, budget, QTransform(), QSizeF(), QRectF(0, 0, 1, 1));
    playWmf(records, measure);
    return measure.measured();
}

QImage render(const Frame& f, const Text& name, const std::function<void(Canvas&)>& play,
    QTransform toImage, QSizeF pixelsPerMm, std::optional<QRectF> fixed, int side)
{
    const double w = f.pixels.width(), h = f.pixels.height();
    if (!(w >= 0.5 && h >= 0.5) || !std::isfinite(w * h))
        throw RuntimeError(name + u": a metafile whose frame has no size");
    if (w * h > static_cast<double>(MaxPicturePixels))
        throw RuntimeError(name + u": too large to show (" + str(w) + u" × " + str(h)
            + u" pixels; at most " + str(static_cast<double>(MaxPicturePixels)) + u" pixels)");
    const QSize size
        = QSizeF(w, h).scaled(side, side, Qt::KeepAspectRatio).toSize().expandedTo(QSize(1, 1));
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHints(
        QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    const double sx = size.width() / f.frame.width(), sy = size.height() / f.frame.height();
    Budget budget;
    if (fixed) {
        fixed = QRectF(QPointF(0, 0), size);
    } else {
        toImage = toImage * QTransform(sx, 0, 0, sy, -f.frame.left() * sx, -f.frame.top() * sy);
    }
    Canvas canvas(&painter, budget, toImage, pixelsPerMm, fixed);
    canvas.hairline = std::max(1.0, size.width() / w);
    if (fixed) {
        canvas.dc.windowOrg = f.frame.topLeft();
        canvas.dc.windowExt = f.frame.size();
    }
    play(canvas);
    return image;
}

QImage drawWmf(Bytes file, const Text& name, int side)
{
    const bool placeable = file.u32(0) == PlaceableKey;
    const size_t header = placeable ? 22 : 0;
    if (!(file.u16(header) == 1 || file.u16(header) == 2) || file.u16(header + 2) != 9)
        throw RuntimeError(name + u": not a metafile that can be read (its header is broken)");
    const Bytes records = file.sub(header + 18, file.size() - header - 18);
    Frame f;
    if (placeable) {
        f.frame = QRectF(QPointF(file.i16(6), file.i16(8)), QPointF(file.i16(10), file.i16(12)))
                      .normalized();
        const double inch = file.u16(14) ? file.u16(14) : 1440;
        f.pixels = f.frame.size() * ScreenDpi / inch;
    } else {
        f.frame = windowOf(records);
        f.pixels = QSizeF(std::abs(f.frame.width()), std::abs(f.frame.height()));
    }
    return render(
        f, name, [&](Canvas& c) { playWmf(records, c); }, QTransform(), QSizeF(),
        QRectF(0, 0, 1, 1), side);
}

QImage drawEmf(Bytes file, const Text& name, int side)
{
    const auto rect = [&](size_t at) {
        return QRectF(
            QPointF(file.i32(at), file.i32(at + 4)), QPointF(file.i32(at + 8), file.i32(at + 12)));
    };
    if (file.u32(4) < 88 || file.u32(4) > file.size() || file.u32(40) != EmfSignature)
        throw RuntimeError(name + u": not a metafile that can be read (its header is broken)");
    // Both inclusive; a frame or bounds whose right or bottom is before its left or top is empty.
    const QRectF bounds = rect(8).adjusted(0, 0, 1, 1), frame = rect(24);
    QSizeF pixelsPerMm(file.i32(72) / static_cast<double>(file.i32(80)),
        file.i32(76) / static_cast<double>(file.i32(84)));
    if (!(pixelsPerMm.width() > 0.01 && pixelsPerMm.height() > 0.01 && pixelsPerMm.width() < 1e4
            && pixelsPerMm.height() < 1e4))
        pixelsPerMm = QSizeF(ScreenDpi / 25.4, ScreenDpi / 25.4);
    Frame f;
    if (frame.width() > 0 && frame.height() > 0) {
        f.frame = QRectF(frame.left() * pixelsPerMm.width() / 100,
            frame.top() * pixelsPerMm.height() / 100, frame.width() * pixelsPerMm.width() / 100,
            frame.height() * pixelsPerMm.height() / 100);
        f.pixels = frame.size() * ScreenDpi / 2540;
    } else if (bounds.width() > 0 && bounds.height() > 0) {
        f.frame = bounds;
        f.pixels = bounds.size();
    }
    return render(
        f, name, [&](Canvas& c) { playEmf(file, c); }, QTransform(), pixelsPerMm, std::nullopt,
        side);
}

} // namespace

double Bytes::f32(size_t at) const
{
    const uint32_t bits = u32(at);
    float v = 0;
    std::memcpy(&v, &bits, sizeof v);
    return std::isfinite(v) ? v : 0;
}

bool isMetafile(QByteArrayView head)
{
    const auto starts = [&](qsizetype at, QByteArrayView bytes) {
        return head.size() >= at + bytes.size() && head.sliced(at, bytes.size()) == bytes;
    };
    return starts(0, QByteArrayView("\xD7\xCD\xC6\x9A", 4))
        || starts(0, QByteArrayView("\x01\x00\x09\x00", 4))
        || starts(0, QByteArrayView("\x02\x00\x09\x00", 4))
        || (starts(0, QByteArrayView("\x01\x00\x00\x00", 4)) && starts(40, " EMF"));
}

QImage draw(const QByteArray& bytes, const Text& displayName, int side)
{
    const Bytes file(
        reinterpret_cast<const uchar*>(bytes.constData()), static_cast<size_t>(bytes.size()));
    try {
        side = std::clamp(side, 1, MaxSide);
        return file.u32(0) == 1 ? drawEmf(file, displayName, side)
                                : drawWmf(file, displayName, side);
    } catch (const ShortRecord&) {
        throw RuntimeError(
            displayName + u": not a metafile that can be read (its header is cut short)");
    } catch (const TooMuch& e) {
        throw RuntimeError(displayName + u": too much to draw (more " + fromUtf8(e.what)
            + u" than one picture may take)");
    }
}

} // namespace platform::metafile
