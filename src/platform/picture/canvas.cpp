// The device context of a metafile: where logical units land on the picture, the objects
// selected, the clipping region, and the shapes drawn with them.
#include "platform/picture/metafile_p.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace platform::metafile {

namespace {
// Coordinates this far out are a broken file, not a drawing.
constexpr double FarOut = 1e7;
constexpr long long MaxDrawingRecords = 1'000'000;
constexpr long long MaxPoints = 4'000'000;
constexpr long long MaxArea = 256LL * MaxSide * MaxSide;
// A clipping region of more rectangles than this is taken as its bounding rectangle.
constexpr int MaxClipRects = 4096;

QRegion bounded(QRegion region)
{
    return region.rectCount() > MaxClipRects ? QRegion(region.boundingRect()) : region;
}

double unitMm(int mapMode)
{
    switch (mapMode) {
    case MmLoMetric:
        return 0.1;
    case MmHiMetric:
        return 0.01;
    case MmLoEnglish:
        return 0.254;
    case MmHiEnglish:
        return 0.0254;
    case MmTwips:
        return 25.4 / 1440;
    default:
        return 0;
    }
}

double nonZero(double v)
{
    return v == 0 ? 1 : v;
}
} // namespace

void Budget::spend(long long& what, long long amount, long long limit, const char* name)
{
    what += std::max(0LL, amount);
    if (what > limit)
        throw TooMuch { name };
}

Canvas::Canvas(QPainter* painter, Budget& budget, QTransform toImage, QSizeF pixelsPerMm,
    std::optional<QRectF> fixed)
    : painter_(painter)
    , budget_(budget)
    , toImage_(toImage)
    , pixelsPerMm_(pixelsPerMm)
    , fixed_(fixed)
{
    if (painter_)
        imageRect_ = QRectF(
            QPointF(0, 0), QSizeF(painter_->device()->width(), painter_->device()->height()));
    if (fixed_)
        dc.windowExt = fixed_->size();
}

QTransform Canvas::page() const
{
    double sx = 1, sy = 1;
    QPointF viewportOrg = dc.viewportOrg;
    if (fixed_) {
        sx = fixed_->width() / nonZero(dc.windowExt.width());
        sy = fixed_->height() / nonZero(dc.windowExt.height());
        viewportOrg = fixed_->topLeft();
    } else if (const double mm = unitMm(dc.mapMode); mm > 0) {
        sx = mm * pixelsPerMm_.width();
        sy = -mm * pixelsPerMm_.height();
    } else if (dc.mapMode == MmIsotropic || dc.mapMode == MmAnisotropic) {
        sx = dc.viewportExt.width() / nonZero(dc.windowExt.width());
        sy = dc.viewportExt.height() / nonZero(dc.windowExt.height());
        if (dc.mapMode == MmIsotropic) {
            const double m = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
    }
    return QTransform(sx, 0, 0, sy, viewportOrg.x() - dc.windowOrg.x() * sx,
        viewportOrg.y() - dc.windowOrg.y() * sy);
}

QTransform Canvas::transform() const
{
    return dc.world * page() * toImage_;
}

void Canvas::save()
{
    if (saved_.size() < MaxSaved)
        saved_.push_back(dc);
}

void Canvas::restore(int relative)
{
    const long long n = relative < 0 ? static_cast<long long>(saved_.size()) + relative
                                     : static_cast<long long>(relative) - 1;
    if (n < 0 || n >= static_cast<long long>(saved_.size()))
        return;
    dc = saved_[static_cast<size_t>(n)];
    saved_.resize(static_cast<size_t>(n));
}

void Canvas::select(const Object& object)
{
    if (const auto* pen = std::get_if<Pen>(&object))
        dc.pen = *pen;
    else if (const auto* brush = std::get_if<Brush>(&object))
        dc.brush = *brush;
    else if (const auto* font = std::get_if<Font>(&object))
        dc.font = *font;
}

void Canvas::selectStock(uint32_t index)
{
    static const int greys[] = { 255, 192, 128, 64, 0 };
    index &= 0x7fffffff;
    if (index <= 4)
        dc.brush = Brush { 0, QColor(greys[index], greys[index], greys[index]), 0, {} };
    else if (index == 5)
        dc.brush = Brush { 1, Qt::white, 0, {} };
    else if (index == 6 || index == 7)
        dc.pen = Pen { 0, 0, index == 6 ? Qt::white : Qt::black };
    else if (index == 8)
        dc.pen = Pen { 5, 0, Qt::black };
    else if (index >= 10 && index <= 17)
        dc.font = Font {};
}

QRect Canvas::onPicture(const QRectF& pixels) const
{
    // Not a number, or far out, ends just beyond the picture's edge.
    const auto cut = [](double v, double high) {
        return v >= -1 && v <= high + 1 ? v : v > high + 1 ? high + 1 : -1.0;
    };
    const double w = imageRect_.width(), h = imageRect_.height();
    return QRectF(QPointF(cut(pixels.left(), w), cut(pixels.top(), h)),
        QPointF(cut(pixels.right(), w), cut(pixels.bottom(), h)))
        .toAlignedRect();
}

void Canvas::intersectClip(const QRectF& logical)
{
    const QRegion r(onPicture(transform().mapRect(logical.normalized())));
    dc.clip = bounded(dc.clip ? *dc.clip & r : r);
}

void Canvas::excludeClip(const QRectF& logical)
{
    const QRegion r(onPicture(transform().mapRect(logical.normalized())));
    dc.clip = bounded((dc.clip ? *dc.clip : QRegion(imageRect_.toAlignedRect())) - r);
}

void Canvas::setClip(std::optional<QRegion> pixels)
{
    dc.clip = pixels ? std::optional(bounded(*pixels)) : std::nullopt;
}

// Counts a drawing of `pixels` (on the picture) against the budget; true when there is
// something to draw there. While measuring it only adds to the extent.
bool Canvas::prepare(const QRectF& pixels, long long points)
{
    budget_.spend(budget_.records, 1, MaxDrawingRecords, "drawing records");
    budget_.spend(budget_.points, points, MaxPoints, "points");
    if (!std::isfinite(pixels.left()) || !std::isfinite(pixels.right())
        || !std::isfinite(pixels.top()) || !std::isfinite(pixels.bottom())
        || std::max({ std::abs(pixels.left()), std::abs(pixels.right()), std::abs(pixels.top()),
               std::abs(pixels.bottom()) })
            > FarOut)
        return false;
    if (!painter_) {
        measured_ |= pixels.isEmpty() ? QRectF(pixels.topLeft(), QSizeF(1e-9, 1e-9)) : pixels;
        return false;
    }
    const QRectF covered = pixels.intersected(imageRect_);
    if (covered.isEmpty())
        return false;
    budget_.spend(budget_.area, static_cast<long long>(covered.width() * covered.height()) + 1,
        MaxArea, "painted area");
    painter_->resetTransform();
    if (dc.clip)
        painter_->setClipRegion(*dc.clip);
    else
        painter_->setClipping(false);
    painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    return true;
}

void Canvas::applyPen(bool stroke)
{
    const Pen& p = dc.pen;
    if (!stroke || (p.style & 0xf) == 5) {
        painter_->setPen(Qt::NoPen);
        return;
    }
    QPen pen(p.color);
    const QTransform t = transform();
    const double scale = std::sqrt(std::abs(t.determinant()));
    const bool cosmetic = p.width * scale < hairline;
    pen.setCosmetic(cosmetic);
    // A pen wider than the picture covers it: wider still, its joins and caps would only be
    // harder to draw.
    pen.setWidthF(cosmetic ? hairline : std::min(p.width, 4.0 * MaxSide / scale));
    static const Qt::PenStyle styles[]
        = { Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine, Qt::DashDotDotLine };
    pen.setStyle((p.style & 0xf) < 5 ? styles[p.style & 0xf] : Qt::SolidLine);
    const int cap = p.style & 0xf00, join = p.style & 0xf000;
    pen.setCapStyle(cap == 0x100 ? Qt::SquareCap : cap == 0x200 ? Qt::FlatCap : Qt::RoundCap);
    pen.setJoinStyle(join == 0x1000 ? Qt::BevelJoin
            : join == 0x2000        ? Qt::MiterJoin
                                    : Qt::RoundJoin);
    painter_->setPen(pen);
}

void Canvas::applyBrush(bool fill, const QPainterPath& path)
{
    const Brush& b = dc.brush;
    if (!fill || b.style == 1) {
        painter_->setBrush(Qt::NoBrush);
        return;
    }
    if (b.style == 2) {
        static const Qt::BrushStyle hatches[] = { Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern,
            Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern };
        if (dc.opaqueBackground)
            painter_->fillPath(path, dc.bkColor);
        painter_->setBrush(QBrush(b.color, hatches[std::clamp(b.hatch, 0, 5)]));
    } else if (!b.pattern.isNull()) {
        painter_->setBrush(QBrush(b.pattern));
    } else {
        painter_->setBrush(b.color);
    }
}

void Canvas::shape(const QPainterPath& path, bool fill, bool stroke)
{
    if (bracketOpen_) {
        budget_.spend(budget_.points, path.elementCount(), MaxPoints, "points");
        bracket_.addPath(path);
        havePath_ = true;
        return;
    }
    const QTransform t = transform();
    const double w = stroke
        ? std::min(dc.pen.width * std::sqrt(std::abs(t.determinant())), 4.0 * MaxSide) + hairline
        : 0;
    const QRectF pixels = t.mapRect(path.controlPointRect()).adjusted(-w, -w, w, w);
    if (!prepare(pixels, path.elementCount()))
        return;
    QPainterPath p = path;
    p.setFillRule(dc.fillRule);
    const QRectF& r = imageRect_;
    if (!r.adjusted(-r.width(), -r.height(), r.width(), r.height()).contains(pixels))
        return drawFarOut(t.map(p), fill, stroke, pixels);
    painter_->setTransform(t);
    applyBrush(fill, p);
    applyPen(stroke);
    painter_->drawPath(p);
}

// A shape reaching far beyond the picture, which Qt would fill slowly, is cut to the picture's
// neighbourhood first, in pixels; so is its outline.
void Canvas::drawFarOut(const QPainterPath& mapped, bool fill, bool stroke, const QRectF& pixels)
{
    const QRectF& r = imageRect_;
    QPainterPath near;
    near.addRect(r.adjusted(-r.width(), -r.height(), r.width(), r.height()));
    applyPen(stroke);
    const QPen pen = painter_->pen();
    painter_->setPen(Qt::NoPen);
    if (fill) {
        const QPainterPath area = mapped.intersected(near);
        applyBrush(fill, area);
        painter_->drawPath(area);
    }
    if (pen.style() == Qt::NoPen)
        return;
    QPainterPathStroker outline;
    const double scale = std::sqrt(std::abs(transform().determinant()));
    outline.setWidth(pen.isCosmetic() ? pen.widthF() : pen.widthF() * scale);
    outline.setCapStyle(pen.capStyle());
    outline.setJoinStyle(pen.joinStyle());
    // Dashes along a path far longer than the picture would be counted out one by one.
    if (pixels.width() + pixels.height() <= 16.0 * MaxSide)
        outline.setDashPattern(pen.style());
    painter_->fillPath(outline.createStroke(mapped).intersected(near), pen.brush());
}

void Canvas::moveTo(QPointF to)
{
    dc.position = to;
    if (bracketOpen_)
        bracket_.moveTo(to);
}

void Canvas::lineTo(QPointF to)
{
    polyTo({ to }, false);
}

void Canvas::polyTo(const std::vector<QPointF>& points, bool bezier)
{
    QPainterPath path;
    QPainterPath& into = bracketOpen_ ? bracket_ : path;
    if (into.elementCount() == 0 || into.currentPosition() != dc.position)
        into.moveTo(dc.position);
    for (size_t i = 0; i < points.size(); ++i) {
        if (bezier && i + 2 < points.size()) {
            into.cubicTo(points[i], points[i + 1], points[i + 2]);
            i += 2;
        } else if (!bezier) {
            into.lineTo(points[i]);
        }
    }
    if (!points.empty())
        dc.position = into.currentPosition();
    if (bracketOpen_) {
        budget_.spend(budget_.points, static_cast<long long>(points.size()), MaxPoints, "points");
        havePath_ = true;
    } else {
        shape(path, false, true);
    }
}

void Canvas::beginPath()
{
    bracket_ = QPainterPath();
    bracketOpen_ = true;
    havePath_ = false;
}

void Canvas::closeFigure()
{
    if (bracketOpen_)
        bracket_.closeSubpath();
}

void Canvas::abortPath()
{
    bracket_ = QPainterPath();
    bracketOpen_ = havePath_ = false;
}

void Canvas::drawPath(bool fill, bool stroke)
{
    if (!havePath_ || bracketOpen_)
        return;
    const QPainterPath path = bracket_;
    abortPath();
    shape(path, fill, stroke);
}

void Canvas::clipToPath(int mode)
{
    if (!havePath_ || bracketOpen_)
        return;
    const QPainterPath path = transform().map(bracket_);
    abortPath();
    const QRectF bounds = path.controlPointRect();
    if (!(std::abs(bounds.left()) <= FarOut && std::abs(bounds.right()) <= FarOut
            && std::abs(bounds.top()) <= FarOut && std::abs(bounds.bottom()) <= FarOut))
        return;
    budget_.spend(budget_.points, path.elementCount(), MaxPoints, "points");
    QRegion region;
    for (const QPolygonF& polygon : path.toFillPolygons())
        region = bounded(region.united(
            QRegion(polygon.intersected(QPolygonF(imageRect_.adjusted(-1, -1, 1, 1))).toPolygon(),
                dc.fillRule)));
    combineClip(region, mode);
}

void Canvas::combineClip(const QRegion& pixels, int mode)
{
    const QRegion all = dc.clip ? *dc.clip : QRegion(imageRect_.toAlignedRect());
    switch (mode) {
    case 1:
        return setClip(all & pixels);
    case 2:
        return setClip(all | pixels);
    case 3:
        return setClip(all ^ pixels);
    case 4:
        return setClip(all - pixels);
    default:
        return setClip(pixels);
    }
}

} // namespace platform::metafile
