// The records of an Enhanced Metafile (EMF), played on a canvas. Each record is its type and
// size, then its fields; each read is checked against the record. EMF+ records, carried in
// comments, are skipped: the EMF records after them draw the same picture.
#include "platform/picture/metafile_p.h"

namespace platform::metafile {

namespace {

constexpr uint32_t BiRgbSrcCopy = 0x00cc0020;

class EmfPlayer
{
public:
    explicit EmfPlayer(Canvas& c)
        : c_(c)
    { }
    void play(uint32_t type, Bytes r);

private:
    QPointF point(Bytes r, size_t at) const { return QPointF(r.i32(at), r.i32(at + 4)); }
    QRectF box(Bytes r, size_t at) const { return QRectF(point(r, at), point(r, at + 8)); }
    std::vector<QPointF> points(Bytes r, size_t at, size_t n, bool small) const
    {
        const size_t step = small ? 4 : 8;
        if (n > r.size() / step)
            throw ShortRecord {};
        r.sub(at, step * n);
        std::vector<QPointF> out;
        out.reserve(n);
        for (size_t i = 0; i < n; ++i)
            out.push_back(
                small ? QPointF(r.i16(at + 4 * i), r.i16(at + 4 * i + 2)) : point(r, at + 8 * i));
        return out;
    }
    QTransform xform(Bytes r, size_t at) const
    {
        return QTransform(r.f32(at), r.f32(at + 4), r.f32(at + 8), r.f32(at + 12), r.f32(at + 16),
            r.f32(at + 20));
    }
    void create(size_t index, Object object)
    {
        if (index >= Canvas::MaxObjects)
            return;
        if (index >= c_.objects.size())
            c_.objects.resize(index + 1);
        c_.objects[index] = std::move(object);
    }
    void poly(uint32_t type, Bytes r);
    void polyPoly(uint32_t type, Bytes r);
    void text(uint32_t type, Bytes r);
    void bitmap(uint32_t type, Bytes r);
    void clipRegion(Bytes r);
    bool state(uint32_t type, Bytes r);
    bool objects(uint32_t type, Bytes r);
    bool paths(uint32_t type, Bytes r);

    Canvas& c_;
};

void EmfPlayer::poly(uint32_t type, Bytes r)
{
    const bool small = type >= 85;
    const uint32_t kind = small ? type - 83 : type; // POLYBEZIER16 ... as POLYBEZIER ...
    const std::vector<QPointF> p = points(r, 28, r.u32(24), small);
    if (kind == 5 || kind == 6)
        return c_.polyTo(p, kind == 5);
    if (p.empty())
        return;
    QPainterPath path(p[0]);
    for (size_t i = 1; i < p.size(); ++i) {
        if (kind == 2 && i + 2 < p.size()) {
            path.cubicTo(p[i], p[i + 1], p[i + 2]);
            i += 2;
        } else if (kind != 2) {
            path.lineTo(p[i]);
        }
    }
    if (kind == 3)
        path.closeSubpath();
    c_.shape(path, kind == 3, true);
}

void EmfPlayer::polyPoly(uint32_t type, Bytes r)
{
    const bool small = type >= 90, closed = type == 8 || type == 91;
    const size_t n = r.u32(24);
    if (n > r.size() / 4)
        throw ShortRecord {};
    size_t at = 32 + 4 * static_cast<size_t>(n);
    QPainterPath path;
    for (size_t i = 0; i < n; ++i) {
        const size_t count = r.u32(32 + 4 * i);
        const std::vector<QPointF> p = points(r, at, count, small);
        at += count * (small ? 4 : 8);
        if (p.empty())
            continue;
        path.addPolygon(QPolygonF(QList<QPointF>(p.begin(), p.end())));
        if (closed)
            path.closeSubpath();
    }
    c_.shape(path, closed, true);
}

void EmfPlayer::text(uint32_t type, Bytes r)
{
    const size_t n = r.u32(44), offset = r.u32(48);
    const unsigned options = r.u32(52);
    QString s;
    if (type == 84) {
        if (n > r.size() / 2)
            throw ShortRecord {};
        r.sub(offset, 2 * n);
        for (size_t i = 0; i < n && r.u16(offset + 2 * i) != 0; ++i)
            s.append(QChar(r.u16(offset + 2 * i)));
    } else {
        s = decodeText(r.view(offset, n), c_.dc.font.charset);
    }
    const std::optional<QRectF> rect
        = (options & 6) ? std::optional(box(r, 56).adjusted(0, 0, 1, 1)) : std::nullopt;
    c_.text(point(r, 36), s, options, rect);
}

void EmfPlayer::bitmap(uint32_t type, Bytes r)
{
    QRectF to;
    QRectF from;
    uint32_t rop = BiRgbSrcCopy;
    size_t bmi = 0;
    if (type == 81 || type == 80) { // STRETCHDIBITS, SETDIBITSTODEVICE
        from = QRectF(r.i32(32), r.i32(36), r.i32(40), r.i32(44));
        to = QRectF(point(r, 24), type == 81 ? QSizeF(r.i32(72), r.i32(76)) : from.size());
        if (type == 81)
            rop = r.u32(68);
        bmi = 48;
    } else { // BITBLT, STRETCHBLT, ALPHABLEND
        to = QRectF(point(r, 24), QSizeF(r.i32(32), r.i32(36)));
        from = QRectF(r.i32(44), r.i32(48), r.i32(32), r.i32(36));
        if (type != 76)
            from.setSize(QSizeF(r.i32(100), r.i32(104)));
        if (type != 114)
            rop = r.u32(40);
        bmi = 84;
    }
    QImage image;
    if (const uint32_t cbBmi = r.u32(bmi + 4); cbBmi > 0) {
        const Bytes info = r.sub(r.u32(bmi), cbBmi);
        image = decodeDib(info, r.sub(r.u32(bmi + 8), r.u32(bmi + 12)), c_.budget());
        if ((type == 81 || type == 80) && !image.isNull() && bottomUp(info))
            from.moveTop(image.height() - from.top() - from.height());
    }
    c_.blit(to, image, from, rop);
}

void EmfPlayer::clipRegion(Bytes r)
{
    const uint32_t size = r.u32(8), mode = r.u32(12);
    if (size == 0 && mode == 5)
        return c_.setClip(std::nullopt);
    const size_t n = r.u32(24);
    if (n > r.size() / 16)
        throw ShortRecord {};
    QRegion region;
    for (size_t i = 0; i < n; ++i) {
        const QPointF a = point(r, 48 + 16 * i), b = point(r, 56 + 16 * i);
        region += c_.devicePixels(QRectF(a, b).normalized());
        if (region.rectCount() > 4096)
            region = QRegion(region.boundingRect());
    }
    c_.combineClip(region, static_cast<int>(mode));
}

// Records that change the drawing state; true when `type` is one.
bool EmfPlayer::state(uint32_t type, Bytes r)
{
    Dc& dc = c_.dc;
    switch (type) {
    case 9:
    case 11:
        (type == 9 ? dc.windowExt : dc.viewportExt) = QSizeF(r.i32(8), r.i32(12));
        return true;
    case 10:
    case 12:
        (type == 10 ? dc.windowOrg : dc.viewportOrg) = point(r, 8);
        return true;
    case 31:
    case 32: {
        const double xNum = r.i32(8), xDenom = r.i32(12), yNum = r.i32(16), yDenom = r.i32(20);
        QSizeF& ext = type == 31 ? dc.viewportExt : dc.windowExt;
        if (xDenom != 0 && yDenom != 0)
            ext = QSizeF(ext.width() * xNum / xDenom, ext.height() * yNum / yDenom);
        return true;
    }
    case 17:
        dc.mapMode = static_cast<int>(r.u32(8));
        return true;
    case 18:
        dc.opaqueBackground = r.u32(8) == 2;
        return true;
    case 19:
        dc.fillRule = r.u32(8) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
        return true;
    case 22:
        dc.textAlign = r.u32(8);
        return true;
    case 24:
    case 25:
        (type == 24 ? dc.textColor : dc.bkColor) = r.color(8);
        return true;
    case 57:
        dc.clockwise = r.u32(8) == 2;
        return true;
    case 33:
        c_.save();
        return true;
    case 34:
        c_.restore(r.i32(8));
        return true;
    case 35:
        dc.world = xform(r, 8);
        return true;
    case 36: {
        const uint32_t mode = r.u32(32);
        const QTransform x = xform(r, 8);
        dc.world = mode == 1 ? QTransform()
            : mode == 2      ? x * dc.world
            : mode == 3      ? dc.world * x
            : mode == 4      ? x
                             : dc.world;
        return true;
    }
    case 29:
    case 30:
        type == 29 ? c_.excludeClip(box(r, 8)) : c_.intersectClip(box(r, 8));
        return true;
    case 75:
        clipRegion(r);
        return true;
    default:
        return false;
    }
}

// Records that make, select and delete pens, brushes and fonts; true when `type` is one.
bool EmfPlayer::objects(uint32_t type, Bytes r)
{
    switch (type) {
    case 37:
        if (const uint32_t i = r.u32(8); i & 0x80000000)
            c_.selectStock(i);
        else if (i < c_.objects.size())
            c_.select(c_.objects[i]);
        return true;
    case 40:
        if (const uint32_t i = r.u32(8); i < c_.objects.size())
            c_.objects[i] = std::monostate {};
        return true;
    case 38:
        create(r.u32(8),
            Pen { static_cast<int>(r.u32(12)), static_cast<double>(r.i32(16)), r.color(24) });
        return true;
    case 95: {
        const int style = r.u32(36) == 1 ? 5 : static_cast<int>(r.u32(28) & 0xffff);
        create(r.u32(8), Pen { style, (r.u32(28) & 0x10000) ? r.u32(32) : 0.0, r.color(40) });
        return true;
    }
    case 39:
        create(r.u32(8),
            Brush { static_cast<int>(r.u32(12)), r.color(16), static_cast<int>(r.u32(20)), {} });
        return true;
    case 93:
    case 94: {
        Brush b { 3, Qt::gray, 0, {} };
        b.pattern
            = decodeDib(r.sub(r.u32(16), r.u32(20)), r.sub(r.u32(24), r.u32(28)), c_.budget());
        create(r.u32(8), std::move(b));
        return true;
    }
    case 82: {
        Font f { static_cast<double>(r.i32(12)), r.i32(20), r.i32(28), r.u8(32) != 0, r.u8(33) != 0,
            r.u8(34) != 0, r.u8(35), {} };
        for (size_t i = 0; i < 32 && r.has(40 + 2 * i, 2) && r.u16(40 + 2 * i) != 0; ++i)
            f.face.append(QChar(r.u16(40 + 2 * i)));
        create(r.u32(8), std::move(f));
        return true;
    }
    case 49:
        create(r.u32(8), OtherObject {});
        return true;
    default:
        return false;
    }
}

// Path brackets and the moves and arcs that go on in them; true when `type` is one.
bool EmfPlayer::paths(uint32_t type, Bytes r)
{
    switch (type) {
    case 59:
        c_.beginPath();
        return true;
    case 60:
        c_.endPath();
        return true;
    case 61:
        c_.closeFigure();
        return true;
    case 62:
    case 63:
    case 64:
        c_.drawPath(type != 64, type != 62);
        return true;
    case 67:
        c_.clipToPath(static_cast<int>(r.u32(8)));
        return true;
    case 68:
        c_.abortPath();
        return true;
    case 27:
        c_.moveTo(point(r, 8));
        return true;
    case 54:
        c_.lineTo(point(r, 8));
        return true;
    case 55: { // ARCTO: a line to the arc's start, then the arc
        const QPainterPath arc = arcPath(box(r, 8), point(r, 24), point(r, 32), 0, c_.dc.clockwise);
        c_.lineTo(arc.pointAtPercent(0));
        c_.shape(arc, false, true);
        c_.dc.position = arc.currentPosition();
        return true;
    }
    case 41: { // ANGLEARC
        const QPointF centre = point(r, 8);
        const double radius = r.u32(16), start = r.f32(20), sweep = r.f32(24);
        QPainterPath arc;
        const QRectF square(centre - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
        arc.arcMoveTo(square, start);
        arc.arcTo(square, start, sweep);
        c_.lineTo(arc.pointAtPercent(0));
        c_.shape(arc, false, true);
        c_.dc.position = arc.currentPosition();
        return true;
    }
    default:
        return false;
    }
}

void EmfPlayer::play(uint32_t type, Bytes r)
{
    if (state(type, r) || objects(type, r) || paths(type, r))
        return;
    switch (type) {
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 85:
    case 86:
    case 87:
    case 88:
    case 89:
        return poly(type, r);
    case 7:
    case 8:
    case 90:
    case 91:
        return polyPoly(type, r);
    case 42:
        return c_.shape(ellipsePath(box(r, 8)), true, true);
    case 43:
        return c_.shape(rectPath(box(r, 8)), true, true);
    case 44:
        return c_.shape(roundRectPath(box(r, 8), QSizeF(r.i32(24), r.i32(28))), true, true);
    case 45:
    case 46:
    case 47:
        return c_.shape(arcPath(box(r, 8), point(r, 24), point(r, 32), type - 45, c_.dc.clockwise),
            type != 45, true);
    case 83:
    case 84:
        return text(type, r);
    case 76:
    case 77:
    case 80:
    case 81:
    case 114:
        return bitmap(type, r);
    default:
        return; // comments (EMF+ among them) and records the picture does not need: skipped
    }
}

} // namespace

void playEmf(Bytes file, Canvas& canvas)
{
    EmfPlayer player(canvas);
    size_t at = 0;
    long long count = 0;
    while (file.has(at, 8) && ++count <= Canvas::MaxRecords) {
        const uint32_t type = file.u32(at), size = file.u32(at + 4);
        // A record cut short or running past the end ends the picture where it is.
        if (size < 8 || size % 4 != 0 || size > file.size() - at || type == 14)
            return;
        try {
            player.play(type, file.sub(at, size));
        } catch (const ShortRecord&) {
            // a record too short for its fields: skipped
        }
        at += size;
    }
}

} // namespace platform::metafile
