// The records of a Windows Metafile (WMF), played on a canvas. Parameters come last first, in
// 16-bit words after the record's size and function; each read is checked against the record.
#include "platform/picture/metafile_p.h"

#include <cmath>
#include <numbers>
#include <set>

namespace platform::metafile {

QPainterPath arcPath(QRectF box, QPointF start, QPointF end, int kind, bool clockwise)
{
    box = box.normalized();
    const QPointF c = box.center();
    const double a = box.width() / 2, b = box.height() / 2;
    // The angle on the ellipse where the line from its centre to the point crosses it.
    const auto angle = [&](QPointF p) {
        return std::atan2(-(p.y() - c.y()) * a, (p.x() - c.x()) * b) * 180 / std::numbers::pi;
    };
    const double from = angle(start), to = angle(end);
    double sweep = std::fmod(to - from + 720, 360);
    if (sweep == 0)
        sweep = 360;
    if (clockwise)
        sweep -= 360;
    QPainterPath path;
    if (kind == 2) {
        path.moveTo(c);
        path.arcTo(box, from, sweep);
    } else {
        path.arcMoveTo(box, from);
        path.arcTo(box, from, sweep);
    }
    if (kind != 0)
        path.closeSubpath();
    return path;
}

QPainterPath rectPath(const QRectF& box)
{
    QPainterPath path;
    path.addRect(box.normalized());
    return path;
}

QPainterPath ellipsePath(const QRectF& box)
{
    QPainterPath path;
    path.addEllipse(box.normalized());
    return path;
}

QPainterPath roundRectPath(const QRectF& box, QSizeF corner)
{
    QPainterPath path;
    path.addRoundedRect(box.normalized(), std::abs(corner.width()) / 2,
        std::abs(corner.height()) / 2, Qt::AbsoluteSize);
    return path;
}

bool bottomUp(Bytes info)
{
    return info.u32(0) == 12 || info.i32(8) > 0;
}

namespace {

class WmfPlayer
{
public:
    explicit WmfPlayer(Canvas& c)
        : c_(c)
    { }
    void play(uint16_t function, Bytes r);

private:
    QPointF point(Bytes r, size_t at) const { return QPointF(r.i16(at + 2), r.i16(at)); }
    // A rectangle as bottom, right, top, left.
    QRectF box(Bytes r, size_t at) const
    {
        return QRectF(QPointF(r.i16(at + 6), r.i16(at + 4)), QPointF(r.i16(at + 2), r.i16(at)));
    }
    std::vector<QPointF> points(Bytes r, size_t at, size_t n) const
    {
        r.sub(at, 4 * n);
        std::vector<QPointF> out;
        out.reserve(n);
        for (size_t i = 0; i < n; ++i)
            out.emplace_back(r.i16(at + 4 * i), r.i16(at + 4 * i + 2));
        return out;
    }
    void create(Object object);
    bool state(uint16_t function, Bytes r);
    bool objects(uint16_t function, Bytes r);
    void polygon(Bytes r, bool closed);
    void polyPolygon(Bytes r);
    void text(Bytes r, bool extended);
    void bitmap(uint16_t function, Bytes r);

    Canvas& c_;
    std::set<size_t> free_;
};

void WmfPlayer::create(Object object)
{
    if (!free_.empty()) {
        c_.objects[*free_.begin()] = std::move(object);
        free_.erase(free_.begin());
    } else if (c_.objects.size() < Canvas::MaxObjects) {
        c_.objects.push_back(std::move(object));
    }
}

void WmfPlayer::polygon(Bytes r, bool closed)
{
    const std::vector<QPointF> p = points(r, 8, r.u16(6));
    if (p.empty())
        return;
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(p.begin(), p.end())));
    if (closed)
        path.closeSubpath();
    c_.shape(path, closed, true);
}

void WmfPlayer::polyPolygon(Bytes r)
{
    const size_t n = r.u16(6);
    size_t at = 8 + 2 * n;
    QPainterPath path;
    for (size_t i = 0; i < n; ++i) {
        const size_t count = r.u16(8 + 2 * i);
        const std::vector<QPointF> p = points(r, at, count);
        at += 4 * count;
        if (p.empty())
            continue;
        path.addPolygon(QPolygonF(QList<QPointF>(p.begin(), p.end())));
        path.closeSubpath();
    }
    c_.shape(path, true, true);
}

void WmfPlayer::text(Bytes r, bool extended)
{
    if (!extended) {
        const size_t length = r.u16(6);
        const size_t at = 8 + (length + 1) / 2 * 2;
        c_.text(point(r, at), decodeText(r.view(8, length), c_.dc.font.charset), 0, {});
        return;
    }
    const size_t length = r.u16(10);
    const unsigned options = r.u16(12);
    std::optional<QRectF> rect;
    size_t at = 14;
    if (options & 6) {
        rect = QRectF(QPointF(r.i16(14), r.i16(16)), QPointF(r.i16(18), r.i16(20)));
        at += 8;
    }
    c_.text(point(r, 6), decodeText(r.view(at, length), c_.dc.font.charset), options, rect);
}

void WmfPlayer::bitmap(uint16_t function, Bytes r)
{
    // Without a bitmap the record is one word longer than its function's size byte says.
    const bool withBitmap = r.size() != 2 * ((function >> 8) + 3u);
    const uint32_t rop = r.u32(6);
    QRectF from;
    QRectF to;
    size_t dib = 0;
    bool fromBottom = false;
    if (function == 0x0940) { // DIBBITBLT
        const size_t at = withBitmap ? 14 : 16;
        to = QRectF(point(r, at + 4), QSizeF(r.i16(at + 2), r.i16(at)));
        from = QRectF(r.i16(12), r.i16(10), r.i16(at + 2), r.i16(at));
        dib = at + 8;
    } else if (function == 0x0b41) { // DIBSTRETCHBLT
        from = QRectF(r.i16(16), r.i16(14), r.i16(12), r.i16(10));
        const size_t at = withBitmap ? 18 : 20;
        to = QRectF(point(r, at + 4), QSizeF(r.i16(at + 2), r.i16(at)));
        dib = at + 8;
    } else { // STRETCHDIB
        from = QRectF(r.i16(18), r.i16(16), r.i16(14), r.i16(12));
        to = QRectF(point(r, 24), QSizeF(r.i16(22), r.i16(20)));
        dib = 28;
        fromBottom = true;
    }
    QImage image;
    if (withBitmap) {
        const Bytes packed = r.sub(dib, r.size() - dib);
        image = decodePackedDib(packed, c_.budget());
        if (fromBottom && !image.isNull() && bottomUp(packed))
            from.moveTop(image.height() - from.top() - from.height());
    }
    c_.blit(to, image, from, rop);
}

// Records that change the drawing state; true when `function` is one.
bool WmfPlayer::state(uint16_t function, Bytes r)
{
    Dc& dc = c_.dc;
    switch (function) {
    case 0x001e:
        c_.save();
        return true;
    case 0x0127:
        c_.restore(r.i16(6));
        return true;
    case 0x0102:
        dc.opaqueBackground = r.u16(6) == 2;
        return true;
    case 0x0103:
        dc.mapMode = r.u16(6);
        return true;
    case 0x0106:
        dc.fillRule = r.u16(6) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
        return true;
    case 0x012e:
        dc.textAlign = r.u16(6);
        return true;
    case 0x0201:
        dc.bkColor = r.color(6);
        return true;
    case 0x0209:
        dc.textColor = r.color(6);
        return true;
    case 0x020b:
        dc.windowOrg = point(r, 6);
        return true;
    case 0x020c:
        dc.windowExt = QSizeF(r.i16(8), r.i16(6));
        return true;
    case 0x020f:
        dc.windowOrg += point(r, 6);
        return true;
    case 0x0410: {
        const double yDenom = r.i16(6), yNum = r.i16(8), xDenom = r.i16(10), xNum = r.i16(12);
        if (xDenom != 0 && yDenom != 0)
            dc.windowExt = QSizeF(
                dc.windowExt.width() * xNum / xDenom, dc.windowExt.height() * yNum / yDenom);
        return true;
    }
    default:
        return false;
    }
}

// Records that make, select and delete objects; true when `function` is one.
bool WmfPlayer::objects(uint16_t function, Bytes r)
{
    switch (function) {
    case 0x012d:
        if (const size_t i = r.u16(6); i < c_.objects.size())
            c_.select(c_.objects[i]);
        return true;
    case 0x01f0:
        if (const size_t i = r.u16(6);
            i < c_.objects.size() && !std::holds_alternative<std::monostate>(c_.objects[i])) {
            c_.objects[i] = std::monostate {};
            free_.insert(i);
        }
        return true;
    case 0x02fa:
        create(Pen { r.u16(6), static_cast<double>(r.i16(8)), r.color(12) });
        return true;
    case 0x02fc:
        create(Brush { r.u16(6), r.color(8), r.u16(12), {} });
        return true;
    case 0x02fb: {
        Font f { static_cast<double>(r.i16(6)), r.i16(10), r.i16(14), r.u8(16) != 0, r.u8(17) != 0,
            r.u8(18) != 0, r.u8(19), {} };
        f.face = decodeText(
            r.view(24, std::min<size_t>(32, r.size() - std::min<size_t>(24, r.size()))), f.charset);
        create(std::move(f));
        return true;
    }
    case 0x0142: {
        Brush b { 3, Qt::gray, 0, {} };
        if (r.u16(6) != 3)
            b.pattern = decodePackedDib(
                r.sub(10, r.size() - std::min<size_t>(10, r.size())), c_.budget());
        create(std::move(b));
        return true;
    }
    case 0x00f7:
    case 0x01f9:
    case 0x06ff:
        create(OtherObject {});
        return true;
    default:
        return false;
    }
}

void WmfPlayer::play(uint16_t function, Bytes r)
{
    if (state(function, r) || objects(function, r))
        return;
    switch (function) {
    case 0x0213:
        return c_.lineTo(point(r, 6));
    case 0x0214:
        return c_.moveTo(point(r, 6));
    case 0x0415:
        return c_.excludeClip(box(r, 6));
    case 0x0416:
        return c_.intersectClip(box(r, 6));
    case 0x0418:
        return c_.shape(ellipsePath(box(r, 6)), true, true);
    case 0x041b:
        return c_.shape(rectPath(box(r, 6)), true, true);
    case 0x061c:
        return c_.shape(roundRectPath(box(r, 10), QSizeF(r.i16(8), r.i16(6))), true, true);
    case 0x0817:
    case 0x081a:
    case 0x0830: {
        const int kind = function == 0x0817 ? 0 : function == 0x0830 ? 1 : 2;
        return c_.shape(
            arcPath(box(r, 14), point(r, 10), point(r, 6), kind, c_.dc.clockwise), kind != 0, true);
    }
    case 0x0324:
    case 0x0325:
        return polygon(r, function == 0x0324);
    case 0x0538:
        return polyPolygon(r);
    case 0x0521:
    case 0x0a32:
        return text(r, function == 0x0a32);
    case 0x0940:
    case 0x0b41:
    case 0x0f43:
        return bitmap(function, r);
    case 0x061d:
        return c_.blit(
            QRectF(point(r, 14), QSizeF(r.i16(12), r.i16(10))), QImage(), QRectF(), r.u32(6));
    default:
        return; // drawn by no record the picture needs (escapes among them): skipped
    }
}

} // namespace

void playWmf(Bytes records, Canvas& canvas)
{
    WmfPlayer player(canvas);
    size_t at = 0;
    long long count = 0;
    while (records.has(at, 6) && ++count <= Canvas::MaxRecords) {
        const uint64_t words = records.u32(at);
        const uint16_t function = records.u16(at + 4);
        // A record cut short or running past the end ends the picture where it is.
        if (words < 3 || 2 * words > records.size() - at || function == 0)
            return;
        try {
            player.play(function, records.sub(at, static_cast<size_t>(2 * words)));
        } catch (const ShortRecord&) {
            // a record too short for its fields: skipped
        }
        at += static_cast<size_t>(2 * words);
    }
}

} // namespace platform::metafile
