#include "platform/picture/picture_box.h"

#include "platform/errors.h"
#include "platform/form/form.h"
#include "platform/picture/line.h"
#include "platform/picture/picture_widget_p.h"
#include "platform/qt_conversions_p.h"

#include <QPainter>

namespace platform {

PictureBox::PictureBox(Form& form, int stackRank)
    : Control(form, new PictureWidget(form.widget(), this), stackRank)
{ }

PictureBox::~PictureBox() = default;

PictureWidget* PictureBox::pictureWidget() const
{
    return static_cast<PictureWidget*>(widget_);
}

void PictureBox::setPicture(Picture picture)
{
    picture_ = std::move(picture);
    if (autoSize_ && !picture_.isNull()) {
        const double b = border_ ? 2 * BorderPx : 0;
        widthTw_ = (picture_.width() + b) * form_.twipsPerPixel();
        heightTw_ = (picture_.height() + b) * form_.twipsPerPixel();
        applyGeometry();
    }
}

int PictureBox::ScaleWidth() const
{
    if (autoSize_ && !picture_.isNull())
        return picture_.width();
    return std::max(0, pixelRect().w - 2 * pictureWidget()->border());
}

int PictureBox::ScaleHeight() const
{
    if (autoSize_ && !picture_.isNull())
        return picture_.height();
    return std::max(0, pixelRect().h - 2 * pictureWidget()->border());
}

Color PictureBox::surfacePixel(int x, int y) const
{
    const PictureWidget* pw = pictureWidget();
    if (pw->surface.isNull() && QRect(QPoint(), pw->surfaceInside).contains(x, y)) {
        const QColor c = pw->surfaceColor; // a new, empty surface, not made yet
        return { c.red(), c.green(), c.blue() };
    }
    QPoint at(x, y);
    if (pw->surface.size() != pw->surfaceInside && !pw->surfaceInside.isEmpty())
        at = QPoint(x * pw->surface.width() / pw->surfaceInside.width(),
            y * pw->surface.height() / pw->surfaceInside.height());
    if (!pw->surface.valid(at))
        return {};
    const QColor c = pw->surface.pixelColor(at);
    return { c.red(), c.green(), c.blue() };
}

long long PictureBox::surfaceBytes() const
{
    return pictureWidget()->surface.sizeInBytes();
}

void PictureBox::setBorderNone()
{
    if (!border_)
        return;
    border_ = false;
    pictureWidget()->resetSurface();
}

void PictureBox::applyColors()
{
    // A new background colour clears what was painted.
    PictureWidget* w = pictureWidget();
    const QColor c = toQColor(back_);
    if (w->surfaceGeneration == 0 || w->surfaceColor != c)
        w->resetSurface();
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, c);
    w->setPalette(pal);
}

void PictureBox::PaintPicture(
    const Picture& pic, int x, int y, int w, int h, int sx, int sy, int sw, int sh)
{
    if (pic.isNull())
        throw RuntimeError(u"there is no picture to paint");
    PictureWidget* pw = pictureWidget();
    pw->followSize();
    const PictureWidget::PaintKey key { pic.id(), pw->surfaceGeneration, x, y, w, h, sx, sy, sw,
        sh };
    if (key == pw->lastPaint)
        return;
    pw->lastPaint = key;
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0)
        return;
    // The destination on the surface, which may be smaller than the box.
    const QRect onSurface = pw->toSurface(QRect(x, y, w, h));
    if (onSurface.width() <= 0 || onSurface.height() <= 0)
        return;
    const PictureWidget::PaintKey scaledKey { pic.id(), 0, 0, 0, onSurface.width(),
        onSurface.height(), sx, sy, sw, sh };
    if (scaledKey != pw->lastScaledKey || pw->lastScaled.isNull()) {
        const QImage& src = *pic.image_;
        const QRect part(sx, sy, sw, sh);
        const QImage cut = part == src.rect() ? src : src.copy(part);
        pw->lastScaled
            = cut.scaled(onSurface.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        pw->lastScaledKey = scaledKey;
        ++scalings_;
    }
    if (onSurface == QRect(QPoint(), PictureWidget::surfaceSizeFor(pw->surfaceInside))
        && !pw->lastScaled.hasAlphaChannel()) {
        // It covers the whole surface: it becomes the surface (shared until either changes), and
        // nothing is filled or copied only to be covered.
        pw->surface = pw->lastScaled;
    } else {
        QPainter p(&pw->currentSurface());
        p.drawImage(onSurface.topLeft(), pw->lastScaled);
    }
    pw->update(QRect(x + pw->border(), y + pw->border(), w, h));
}

void PictureBox::lineChanged(Line& line)
{
    // A line is set a property at a time, and half moved it would span everything between its
    // old and new places: the place it was drawn and the place it ends up in are repainted once
    // the handler that moves it is done.
    if (line.changed_)
        return;
    line.changed_ = true;
    PictureWidget* pw = pictureWidget();
    if (const QRect shown = toQRect(line.shown_); !shown.isEmpty())
        pw->linesWere.push_back(shown);
    if (!pw->linesPending) {
        pw->linesPending = true;
        QMetaObject::invokeMethod(
            pw, [pw] { pw->flushLines(); }, Qt::QueuedConnection);
    }
}

} // namespace platform
