// Inside the metafile reader: bounds-checked bytes, the limits of one drawing, and the drawing
// state (the device context) that WMF and EMF records change and draw with.
#pragma once

#include "platform/picture/metafile.h"

#include <QByteArrayView>
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRegion>
#include <QString>
#include <QTransform>

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

class QPainter;

namespace platform::metafile {

// A field read past the end of its record: the record is skipped.
struct ShortRecord
{
};
// The drawing went past the limits of one picture: the picture is refused.
struct TooMuch
{
    const char* what;
};

// Little-endian fields of a record, every read checked against the record's own size.
class Bytes
{
public:
    Bytes() = default;
    Bytes(const uchar* data, size_t size)
        : data_(data)
        , size_(size)
    { }
    size_t size() const { return size_; }
    bool has(size_t at, size_t n) const { return at <= size_ && n <= size_ - at; }
    uint8_t u8(size_t at) const { return check(at, 1)[0]; }
    uint16_t u16(size_t at) const
    {
        const uchar* p = check(at, 2);
        return static_cast<uint16_t>(p[0] | p[1] << 8);
    }
    int16_t i16(size_t at) const { return static_cast<int16_t>(u16(at)); }
    uint32_t u32(size_t at) const
    {
        const uchar* p = check(at, 4);
        return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8
            | static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    }
    int32_t i32(size_t at) const { return static_cast<int32_t>(u32(at)); }
    // A float of the record; one that is not finite reads as 0.
    double f32(size_t at) const;
    Bytes sub(size_t at, size_t n) const { return Bytes(check(at, n), n); }
    QByteArrayView view(size_t at, size_t n) const
    {
        return QByteArrayView(check(at, n), static_cast<qsizetype>(n));
    }
    // A colour reference (red, green, blue, flags).
    QColor color(size_t at) const { return QColor(u8(at), u8(at + 1), u8(at + 2)); }

private:
    const uchar* check(size_t at, size_t n) const
    {
        if (!has(at, n))
            throw ShortRecord {};
        return data_ + at;
    }
    const uchar* data_ = nullptr;
    size_t size_ = 0;
};

// What one picture may cost to draw; past any of these it is refused.
struct Budget
{
    long long records = 0; // drawing records
    long long area = 0; // pixels covered, counted by bounding boxes
    long long points = 0; // points of shapes and characters of text
    long long dibPixels = 0; // pixels of the bitmaps drawn
    void spend(long long& what, long long amount, long long limit, const char* name);
};

// A device-independent bitmap, or nothing when it cannot be read. `info` holds its header and
// colour table, `bits` its pixels.
QImage decodeDib(Bytes info, Bytes bits, Budget& budget);
// A packed bitmap (header, colours and pixels in one piece), as WMF records carry it.
QImage decodePackedDib(Bytes packed, Budget& budget);

// Text in the code page of a font's character set (Shift-JIS for SHIFTJIS_CHARSET and
// DEFAULT_CHARSET, Latin-1 for the others).
QString decodeText(QByteArrayView bytes, int charset);

struct Pen
{
    int style = 0; // PS_SOLID ... PS_NULL, with the end cap and join bits
    double width = 0; // in logical units; 0 is one pixel wide
    QColor color = Qt::black;
};
struct Brush
{
    int style = 0; // BS_SOLID, BS_NULL, BS_HATCHED, or a pattern
    QColor color = Qt::white;
    int hatch = 0;
    QImage pattern;
};
struct Font
{
    double height = 0; // logical units: below 0 the em, above 0 the cell
    int escapement = 0; // tenths of a degree
    int weight = 400;
    bool italic = false, underline = false, strikeOut = false;
    int charset = 1;
    QString face;
};
// A palette, a region or another object that takes a place in the table but draws nothing.
struct OtherObject
{
};
using Object = std::variant<std::monostate, Pen, Brush, Font, OtherObject>;

enum MapMode {
    MmText = 1,
    MmLoMetric,
    MmHiMetric,
    MmLoEnglish,
    MmHiEnglish,
    MmTwips,
    MmIsotropic,
    MmAnisotropic
};

// The drawing state that save and restore keep.
struct Dc
{
    QTransform world;
    int mapMode = MmText;
    QPointF windowOrg, viewportOrg;
    QSizeF windowExt { 1, 1 }, viewportExt { 1, 1 };
    Pen pen;
    Brush brush;
    Font font;
    QColor textColor = Qt::black, bkColor = Qt::white;
    bool opaqueBackground = true;
    unsigned textAlign = 0;
    Qt::FillRule fillRule = Qt::OddEvenFill;
    bool clockwise = false;
    QPointF position;
    std::optional<QRegion> clip; // in pixels of the picture
};

// Draws on the picture as a device context does. Shapes come in logical units.
class Canvas
{
public:
    // `painter` is null while the extent of a metafile's drawing is only measured. `fixed` is
    // the viewport a WMF is played into (its own viewport records are the player's business and
    // are not followed); for an EMF, `toImage` maps its reference device onto the picture and
    // `pixelsPerMm` are the reference device's.
    Canvas(QPainter* painter, Budget& budget, QTransform toImage, QSizeF pixelsPerMm,
        std::optional<QRectF> fixed);

    Dc dc;
    std::vector<Object> objects;
    double hairline = 1; // pixels of the picture a line one device pixel wide takes
    static constexpr size_t MaxObjects = 65536;
    static constexpr long long MaxRecords = 4'000'000;
    static constexpr size_t MaxSaved = 1024;

    void save();
    void restore(int relative);
    void select(const Object& object);
    void selectStock(uint32_t index);

    QTransform transform() const; // logical units to pixels of the picture
    void intersectClip(const QRectF& logical);
    void excludeClip(const QRectF& logical);
    void setClip(std::optional<QRegion> pixels);
    // Combines `pixels` with the clipping region: RGN_AND 1, OR 2, XOR 3, DIFF 4, COPY 5.
    void combineClip(const QRegion& pixels, int mode);
    // A rectangle of the reference device (EMF) on the picture.
    QRect devicePixels(const QRectF& device) const { return onPicture(toImage_.mapRect(device)); }
    // A rectangle of pixels as whole pixels, cut to (just beyond) the picture.
    QRect onPicture(const QRectF& pixels) const;
    Budget& budget() { return budget_; }
    QRectF measured() const { return measured_; }

    // Fills and strokes a shape, or adds it to the open path bracket.
    void shape(const QPainterPath& path, bool fill, bool stroke);
    void lineTo(QPointF to);
    void moveTo(QPointF to);
    void polyTo(const std::vector<QPointF>& points, bool bezier);
    void text(QPointF at, const QString& text, unsigned options, std::optional<QRectF> rect);
    // Copies `image` (or, without one, the brush or the colour the raster operation names) into
    // the logical rectangle `to`; `from` is the part of the image copied.
    void blit(const QRectF& to, const QImage& image, const QRectF& from, uint32_t rop);

    // Path brackets (EMF).
    void beginPath();
    void endPath() { bracketOpen_ = false; }
    void closeFigure();
    void drawPath(bool fill, bool stroke);
    void clipToPath(int mode);
    void abortPath();

private:
    QTransform page() const;
    bool prepare(const QRectF& pixels, long long points);
    void applyPen(bool stroke);
    void applyBrush(bool fill, const QPainterPath& path);
    void drawFarOut(const QPainterPath& mapped, bool fill, bool stroke, const QRectF& pixels);

    QPainter* painter_;
    Budget& budget_;
    QTransform toImage_;
    QSizeF pixelsPerMm_;
    std::optional<QRectF> fixed_;
    QRectF imageRect_;
    std::vector<Dc> saved_;
    QPainterPath bracket_;
    bool bracketOpen_ = false;
    bool havePath_ = false;
    QRectF measured_;
};

// Shapes as the records give them: a box and, for arcs, where the arc starts and ends (kind 0
// an arc, 1 a chord, 2 a pie).
QPainterPath arcPath(QRectF box, QPointF start, QPointF end, int kind, bool clockwise);
QPainterPath rectPath(const QRectF& box);
QPainterPath ellipsePath(const QRectF& box);
QPainterPath roundRectPath(const QRectF& box, QSizeF corner);
// True when a bitmap's rows run from the bottom up.
bool bottomUp(Bytes info);

// The records of each format, played on a canvas.
void playWmf(Bytes records, Canvas& canvas);
void playEmf(Bytes file, Canvas& canvas);

} // namespace platform::metafile
