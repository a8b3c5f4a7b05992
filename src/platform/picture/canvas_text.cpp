// Text and bitmaps of a metafile: the font's code page, device-independent bitmaps, and the
// copies of a bitmap (or a brush) into a rectangle.
#include "platform/controls.h"
#include "platform/cp932.h"
#include "platform/picture/metafile_p.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>

#include <cmath>

namespace platform::metafile {

namespace {
constexpr unsigned TaUpdateCp = 1, TaRight = 2, TaCenter = 6, TaBottom = 8, TaBaseline = 24;
constexpr unsigned EtoOpaque = 2, EtoClipped = 4;

void put32(QByteArray& bytes, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes.append(static_cast<char>(v >> (8 * i)));
}

QImage readImage(QByteArray bytes, const char* format)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (size.isValid() && static_cast<long long>(size.width()) * size.height() > MaxPicturePixels)
        return {};
    return reader.read();
}

// The size of a bitmap's header and colour table.
size_t infoSize(Bytes info)
{
    const uint32_t header = info.u32(0);
    if (header == 12) {
        const int bits = info.u16(10);
        return 12 + (bits <= 8 ? 3u << bits : 0);
    }
    const int bits = info.u16(14);
    const uint32_t compression = info.u32(16), used = info.u32(32);
    size_t colours = used;
    if (bits <= 8)
        colours = used == 0 || used > (1u << bits) ? 1u << bits : used;
    colours = std::min<size_t>(colours, 256);
    return header + (header == 40 && compression == 3 ? 12 : 0) + 4 * colours;
}

// The faces Debian packages for Japanese, for the characters the metafile's own face lacks (its
// face is usually one of Windows' own, which fontconfig may know by another name).
const QStringList& japaneseFaces()
{
    static const QStringList faces { "IPAPGothic", "IPAGothic", "Noto Sans CJK JP", "VL PGothic",
        "TakaoPGothic" };
    return faces;
}

// Characters of one text record drawn at most: a line of clip art is short, and Qt's layout of
// one long unbroken line is slow.
constexpr qsizetype MaxTextLength = 1024;
} // namespace

QImage decodeDib(Bytes info, Bytes bits, Budget& budget)
{
    try {
        const uint32_t header = info.u32(0);
        long long w = 0, h = 0;
        uint32_t compression = 0;
        if (header == 12) {
            w = info.u16(4);
            h = info.u16(6);
        } else if (header >= 40 && header <= 256) {
            w = info.i32(4);
            h = info.i32(8);
            compression = info.u32(16);
        } else {
            return {};
        }
        if (w <= 0 || h == 0 || std::abs(h) > MaxPicturePixels
            || w * std::abs(h) > MaxPicturePixels)
            return {};
        budget.spend(budget.dibPixels, w * std::abs(h), MaxPicturePixels, "bitmap pixels");
        const QByteArray data(reinterpret_cast<const char*>(bits.view(0, bits.size()).data()),
            static_cast<qsizetype>(bits.size()));
        if (compression == 4 || compression == 5)
            return readImage(data, compression == 4 ? "jpeg" : "png");
        // As a BMP file: its 14-byte file header, then the bitmap as it is.
        QByteArray bmp("BM");
        put32(bmp, static_cast<uint32_t>(14 + info.size() + bits.size()));
        put32(bmp, 0);
        put32(bmp, static_cast<uint32_t>(14 + info.size()));
        bmp.append(info.view(0, info.size()));
        bmp.append(data);
        return readImage(bmp, "bmp");
    } catch (const ShortRecord&) {
        return {};
    }
}

QImage decodePackedDib(Bytes packed, Budget& budget)
{
    try {
        const size_t info = infoSize(packed);
        if (info > packed.size())
            return {};
        return decodeDib(packed.sub(0, info), packed.sub(info, packed.size() - info), budget);
    } catch (const ShortRecord&) {
        return {};
    }
}

QString decodeText(QByteArrayView bytes, int charset)
{
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0)
        bytes = bytes.first(nul);
    if (charset == 128 || charset == 1)
        return QString::fromStdU16String(
            cp932::decode(std::string_view(bytes.data(), static_cast<size_t>(bytes.size()))));
    return QString::fromLatin1(bytes);
}

void Canvas::text(QPointF at, const QString& whole, unsigned options, std::optional<QRectF> rect)
{
    const QString text = whole.left(MaxTextLength);
    const QTransform t = transform();
    const QPointF anchor = (dc.textAlign & TaUpdateCp) ? dc.position : at;
    const QPointF p = t.map(anchor);
    if (!painter_) {
        prepare(QRectF(p, QSizeF()), text.size());
        return;
    }
    const double scaleY = std::hypot(t.m21(), t.m22());
    double h = std::abs(dc.font.height) * scaleY;
    if (!(h >= 1))
        h = 16 * hairline;
    h = std::min(h, 2.0 * MaxSide);
    const QRectF box = rect ? t.mapRect(rect->normalized()) : QRectF();
    const QRectF reach(p.x() - h * text.size(), p.y() - 2 * h, 2 * h * text.size() + 1, 4 * h);
    if (!prepare(reach | box, text.size()))
        return;
    // Without the windowing system (the author tools) there are no fonts: the text is left out.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    if (rect && (options & EtoClipped))
        painter_->setClipRegion(QRegion(onPicture(box)), Qt::IntersectClip);
    if (rect && (options & EtoOpaque))
        painter_->fillRect(box, dc.bkColor);
    QFont font(dc.font.face);
    font.setFamilies(QStringList(dc.font.face) + japaneseFaces());
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(h))));
    if (const double cell = QFontMetricsF(font).height(); dc.font.height > 0 && cell >= 1)
        font.setPixelSize(std::clamp(static_cast<int>(std::lround(h * h / cell)), 1, 2 * MaxSide));
    font.setWeight(
        static_cast<QFont::Weight>(std::clamp(dc.font.weight ? dc.font.weight : 400, 1, 1000)));
    font.setItalic(dc.font.italic);
    font.setUnderline(dc.font.underline);
    font.setStrikeOut(dc.font.strikeOut);
    const QFontMetricsF metrics(font);
    const double width = metrics.horizontalAdvance(text);
    const unsigned horizontal = dc.textAlign & TaCenter, vertical = dc.textAlign & TaBaseline;
    const double dx = horizontal == TaCenter ? -width / 2 : horizontal == TaRight ? -width : 0;
    const double dy = vertical == TaBaseline ? 0
        : vertical == TaBottom               ? -metrics.descent()
                                             : metrics.ascent();
    painter_->translate(p);
    painter_->rotate(-dc.font.escapement / 10.0);
    if (dc.opaqueBackground)
        painter_->fillRect(QRectF(dx, dy - metrics.ascent(), width, metrics.height()), dc.bkColor);
    painter_->setFont(font);
    painter_->setPen(dc.textColor);
    painter_->drawText(QPointF(dx, dy), text);
    if (dc.textAlign & TaUpdateCp)
        dc.position = t.inverted().map(p + QPointF(width, 0));
}

void Canvas::blit(const QRectF& to, const QImage& image, const QRectF& from, uint32_t rop)
{
    const QTransform t = transform();
    if (!prepare(t.mapRect(to.normalized()), 4))
        return;
    painter_->setTransform(t);
    const QRectF target = to.normalized();
    switch (rop) {
    case 0x00000042: // BLACKNESS
    case 0x00ff0062: // WHITENESS
        painter_->fillRect(target, rop == 0x42 ? Qt::black : Qt::white);
        return;
    case 0x00f00021: // PATCOPY
        painter_->fillRect(target,
            dc.brush.style == 1             ? QBrush(Qt::NoBrush)
                : dc.brush.pattern.isNull() ? QBrush(dc.brush.color)
                                            : QBrush(dc.brush.pattern));
        return;
    case 0x00550009: // DSTINVERT
        painter_->setCompositionMode(QPainter::RasterOp_NotDestination);
        painter_->fillRect(target, Qt::black);
        return;
    default:
        break;
    }
    const QRect inside = from.normalized().intersected(QRectF(image.rect())).toAlignedRect();
    if (image.isNull() || inside.isEmpty())
        return;
    QImage part = image.copy(inside);
    part = part.mirrored(to.width() < 0, to.height() < 0);
    if (rop == 0x00330008) // NOTSRCCOPY
        part.invertPixels();
    painter_->setCompositionMode(rop == 0x008800c6 ? QPainter::RasterOp_SourceAndDestination
            : rop == 0x00ee0086                    ? QPainter::RasterOp_SourceOrDestination
            : rop == 0x00660046                    ? QPainter::RasterOp_SourceXorDestination
                                                   : QPainter::CompositionMode_SourceOver);
    painter_->drawImage(target, part);
}

} // namespace platform::metafile
