#include "platform/picture/picture_widget_p.h"

#include "platform/form/form.h"
#include "platform/picture/line.h"
#include "platform/qt_conversions_p.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPaintEvent>
#include <QPainter>
#include <qdrawutil.h>

namespace platform {

namespace {
// A picture box is a picture to a screen reader.
QAccessibleInterface* pictureAccessible(const QString&, QObject* object)
{
    if (auto* picture = dynamic_cast<PictureWidget*>(object))
        return new QAccessibleWidget(picture, QAccessible::Graphic);
    return nullptr;
}
} // namespace

PictureWidget::PictureWidget(QWidget* parent, PictureBox* owner)
    : QWidget(parent)
    , owner_(owner)
{
    static const bool installed = [] {
        QAccessible::installFactory(pictureAccessible);
        return true;
    }();
    (void)installed;
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int PictureWidget::border() const
{
    return owner_->border_ ? BorderPx : 0;
}

QSize PictureWidget::inside() const
{
    return { std::max(0, width() - 2 * border()), std::max(0, height() - 2 * border()) };
}

QSize PictureWidget::surfaceSizeFor(const QSize& inside)
{
    const long long pixels = static_cast<long long>(inside.width()) * inside.height();
    if (pixels <= MaxSurfacePixels)
        return inside;
    const double f = std::sqrt(static_cast<double>(MaxSurfacePixels) / pixels);
    return QSize(std::max(1, static_cast<int>(inside.width() * f)),
        std::max(1, static_cast<int>(inside.height() * f)));
}

void PictureWidget::resetSurface()
{
    surface = QImage();
    surfaceInside = inside();
    surfaceColor = toQColor(owner_->back_);
    ++surfaceGeneration;
    update();
}

void PictureWidget::followSize()
{
    if (surfaceInside != inside())
        resetSurface();
}

QImage& PictureWidget::currentSurface()
{
    followSize();
    if (surface.isNull() && !surfaceInside.isEmpty()) {
        surface = QImage(surfaceSizeFor(surfaceInside), QImage::Format_RGB32);
        surface.fill(surfaceColor);
    }
    return surface;
}

QRect PictureWidget::toSurface(const QRect& r) const
{
    const QSize size = surfaceSizeFor(surfaceInside);
    if (size == surfaceInside || surfaceInside.isEmpty())
        return r;
    const double fx = static_cast<double>(size.width()) / surfaceInside.width();
    const double fy = static_cast<double>(size.height()) / surfaceInside.height();
    const int left = static_cast<int>(std::lround(r.left() * fx));
    const int top = static_cast<int>(std::lround(r.top() * fy));
    const int right = static_cast<int>(std::lround((r.left() + r.width()) * fx));
    const int bottom = static_cast<int>(std::lround((r.top() + r.height()) * fy));
    return QRect(left, top, right - left, bottom - top);
}

void PictureWidget::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    if (surfaceInside != inside())
        resetSurface();
}

void PictureWidget::paintEvent(QPaintEvent* e)
{
    const QImage& surface = currentSurface();
    const QSize inside = surfaceInside;
    QPainter p(this);
    const int b = border();
    if (b > 0)
        qDrawShadePanel(&p, rect(), palette(), true, b);
    const QRect box(b, b, inside.width(), inside.height());
    if (surface.size() == inside) {
        // One copy: the painter is clipped to the region to repaint already.
        const QRect target = e->rect().intersected(box);
        if (!target.isEmpty())
            p.drawImage(target, surface, target.translated(-b, -b));
    } else {
        // A bounded surface, scaled to the box as it is painted, rectangle by rectangle (the
        // thin strips where lines moved): for each, the whole surface pixels it shows.
        const double fx = static_cast<double>(surface.width()) / inside.width();
        const double fy = static_cast<double>(surface.height()) / inside.height();
        for (const QRect& part : e->region()) {
            const QRect target = part.intersected(box);
            if (target.isEmpty())
                continue;
            const int left = static_cast<int>(std::floor((target.left() - b) * fx));
            const int top = static_cast<int>(std::floor((target.top() - b) * fy));
            const int right
                = static_cast<int>(std::ceil((target.left() + target.width() - b) * fx));
            const int bottom
                = static_cast<int>(std::ceil((target.top() + target.height() - b) * fy));
            const QRect source
                = QRect(left, top, right - left, bottom - top).intersected(surface.rect());
            p.setClipRect(target);
            p.drawImage(QRectF(b + source.x() / fx, b + source.y() / fy, source.width() / fx,
                            source.height() / fy),
                surface, QRectF(source));
            p.setClipping(false);
        }
    }
    p.setClipRect(QRect(b, b, inside.width(), inside.height()));
    for (Line* line : owner_->lines_) {
        line->shown_ = line->bounds();
        if (!line->visible_)
            continue;
        const QColor c = toQColor(line->color_);
        const int w = std::max(1, line->width_);
        const double x1 = line->x1_, x2 = line->x2_, y1 = line->y1_, y2 = line->y2_;
        if (x1 == x2) {
            const int px = static_cast<int>(std::lround(x1));
            const int top = static_cast<int>(std::lround(std::min(y1, y2)));
            const int bottom = static_cast<int>(std::lround(std::max(y1, y2)));
            p.fillRect(QRect(b + px - (w - 1) / 2, b + top, w, bottom - top), c);
        } else {
            QPen pen(c);
            pen.setWidth(w);
            pen.setCapStyle(Qt::FlatCap);
            p.setPen(pen);
            p.drawLine(QPointF(b + x1, b + y1), QPointF(b + x2, b + y2));
        }
    }
}

void PictureWidget::flushLines()
{
    linesPending = false;
    std::vector<QRect> rects = std::move(linesWere);
    linesWere.clear();
    for (Line* line : owner_->lines_) {
        if (!line->changed_)
            continue;
        line->changed_ = false;
        if (const QRect now = toQRect(line->bounds()); !now.isEmpty())
            rects.push_back(now);
    }
    // Strips in a box of the usual sizes are repainted as one rectangle (one copy to the screen
    // is cheaper than several small ones); far apart in a huge box, each on its own.
    QRect all;
    for (const QRect& r : rects)
        all |= r;
    if (static_cast<long long>(all.width()) * all.height() <= MaxMergedRepaint) {
        update(all);
        return;
    }
    for (const QRect& r : rects)
        update(r);
}

} // namespace platform
