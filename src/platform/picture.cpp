// Pictures, picture boxes and the lines drawn in them.
#include "platform/controls.h"
#include "platform/files/files.h"
#include "platform/files/regular_file.h"
#include "platform/form.h"
#include "platform/picture/metadata.h"
#include "platform/picture/metafile.h"
#include "platform/picture/picture_widget_p.h"
#include "platform/qt_conversions_p.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPaintEvent>
#include <QPainter>
#include <qdrawutil.h>

#include <atomic>
#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
std::atomic<uint64_t> nextPictureId { 1 };
constexpr int BorderPx = 2;

QRect toQRect(const Control::PixelRect& r)
{
    return QRect(r.x, r.y, r.w, r.h);
}
} // namespace

int Picture::width() const
{
    return image_ ? image_->width() : 0;
}
int Picture::height() const
{
    return image_ ? image_->height() : 0;
}

namespace {
// The common formats, told from their first bytes, so that only their reader is loaded;
// anything else is left to the readers' own tests of the content.
QByteArray formatFromSignature(QIODevice& file)
{
    const QByteArray head = file.peek(8);
    if (head.startsWith("\x89PNG\r\n\x1a\n"))
        return "png";
    if (head.startsWith("\xff\xd8\xff"))
        return "jpeg";
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return "gif";
    if (head.startsWith("BM"))
        return "bmp";
    if (head.size() >= 4 && head[0] == 0 && head[1] == 0 && (head[2] == 1 || head[2] == 2)
        && head[3] == 0)
        return "ico";
    return {};
}
} // namespace

namespace {
// The file last decoded and its picture, for as long as anybody holds that picture: loading the
// same unchanged file again (both activations of a start show the first event's picture)
// decodes nothing.
struct Decoded
{
    Text path;
    struct stat file
    {
    };
    std::weak_ptr<const QImage> image;
    uint64_t id = 0;
};
thread_local Decoded lastDecoded;

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size
        && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec
        && a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

} // namespace

Picture LoadPicture(const Text& path, const Text& displayName)
{
    // A regular file only: a named pipe in its place would keep the reader waiting for ever.
    const int fd = openRegularFile(path, displayName);
    struct stat st
    {
    };
    const bool known = ::fstat(fd, &st) == 0;
    if (known && path == lastDecoded.path && sameFile(st, lastDecoded.file)) {
        if (auto image = lastDecoded.image.lock()) {
            ::close(fd);
            Picture pic;
            pic.image_ = std::move(image);
            pic.id_ = lastDecoded.id;
            return pic;
        }
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw RuntimeError(
            displayName + u": cannot be read (" + file.errorString().toStdU16String() + u")");
    }
    const auto tooLarge = [&](const QSize& size) {
        return RuntimeError(displayName + u": too large to show (" + Str(size.width()) + u" × "
            + Str(size.height()) + u" pixels; at most " + Str(MaxPicturePixels) + u" pixels)");
    };
    // A file too large for any picture the game shows is refused before anything is decoded.
    if (file.size() > MaxPictureFileBytes)
        throw RuntimeError(displayName + u": too large to be a picture (" + Str(file.size())
            + u" bytes; at most " + Str(MaxPictureFileBytes) + u")");
    if (metafile::isMetafile(file.peek(44))) { // drawn, not decoded
        Picture pic;
        pic.image_ = std::make_shared<const QImage>(metafile::draw(file.readAll(), displayName));
        pic.id_ = nextPictureId++;
        if (known)
            lastDecoded = { path, st, pic.image_, pic.id_ };
        return pic;
    }
    const QByteArray format = formatFromSignature(file);
    // A PNG or JPEG with more metadata than a picture needs is read without it.
    QBuffer stripped;
    if (picture_metadata::bytes(fd, format, MaxPictureMetadataBytes) > MaxPictureMetadataBytes) {
        long long skipped = 0;
        stripped.setData(picture_metadata::without(fd, format, skipped));
        stripped.open(QIODevice::ReadOnly);
    }
    // The format is recognised from the content, never from the name. One decode may take at
    // most MaxPictureDecodeMiB; a picture whose header claims more pixels than MaxPicturePixels
    // is refused before anything is decoded.
    QImageReader::setAllocationLimit(MaxPictureDecodeMiB);
    QImageReader reader(stripped.isOpen() ? static_cast<QIODevice*>(&stripped) : &file, format);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (size.isValid() && static_cast<long long>(size.width()) * size.height() > MaxPicturePixels)
        throw tooLarge(size);
    if (size.isValid() && (size.width() > MaxPictureSide || size.height() > MaxPictureSide))
        reader.setScaledSize(size.scaled(MaxPictureSide, MaxPictureSide, Qt::KeepAspectRatio)
                                 .expandedTo(QSize(1, 1)));
    QImage image = reader.read();
    if (image.isNull())
        throw RuntimeError(displayName + u": not a picture that can be shown ("
            + reader.errorString().toStdU16String() + u")");
    if (static_cast<long long>(image.width()) * image.height() > MaxPicturePixels)
        throw tooLarge(image.size());
    if (image.width() > MaxPictureSide || image.height() > MaxPictureSide)
        image = image.scaled(
            QSize(MaxPictureSide, MaxPictureSide), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    // In place where it can be. An opaque picture stays opaque: scaled, it can then become the
    // surface of a box it covers.
    image.convertTo(
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    Picture pic;
    pic.image_ = std::make_shared<const QImage>(std::move(image));
    pic.id_ = nextPictureId++;
    if (known)
        lastDecoded = { path, st, pic.image_, pic.id_ };
    return pic;
}

// ---------------------------------------------------------------------------------------------
// PictureWidget

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

// ---------------------------------------------------------------------------------------------
// PictureBox

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

// ---------------------------------------------------------------------------------------------
// Line

Line::Line(PictureBox& box)
    : box_(box)
{
    box_.lines_.push_back(this);
}

Line::~Line()
{
    std::erase(box_.lines_, this);
}

void Line::cloneFrom(const Line& first)
{
    change([&] {
        x1_ = first.x1_;
        y1_ = first.y1_;
        x2_ = first.x2_;
        y2_ = first.y2_;
        color_ = first.color_;
        width_ = first.width_;
        visible_ = false;
    });
}

template <class F> void Line::change(F&& f)
{
    f();
    box_.lineChanged(*this);
}

void Line::setX1(double v)
{
    change([&] { x1_ = v; });
}
void Line::setY1(double v)
{
    change([&] { y1_ = v; });
}
void Line::setX2(double v)
{
    change([&] { x2_ = v; });
}
void Line::setY2(double v)
{
    change([&] { y2_ = v; });
}
void Line::setBorderColor(Color c)
{
    change([&] { color_ = c; });
}
void Line::setBorderWidth(int w)
{
    if (w < 1 || w > 8192)
        throw RuntimeError(u"line width " + Str(w) + u" is not allowed");
    change([&] { width_ = w; });
}
void Line::setVisible(bool v)
{
    change([&] { visible_ = v; });
}

Control::PixelRect Line::bounds() const
{
    if (!visible_)
        return { 0, 0, 0, 0 };
    const int b = box_.pictureWidget()->border();
    const int w = std::max(1, width_);
    const int left = static_cast<int>(std::floor(std::min(x1_, x2_))) - w - 1;
    const int right = static_cast<int>(std::ceil(std::max(x1_, x2_))) + w + 1;
    const int top = static_cast<int>(std::floor(std::min(y1_, y2_))) - w - 1;
    const int bottom = static_cast<int>(std::ceil(std::max(y1_, y2_))) + w + 1;
    return { left + b, top + b, right - left, bottom - top };
}

} // namespace platform
