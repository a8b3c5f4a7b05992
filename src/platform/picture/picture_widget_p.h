// The Qt widget behind a picture box. Private to the platform layer.
#pragma once

#include "platform/picture/picture_box.h"

#include <QImage>
#include <QWidget>

#include <vector>

namespace platform {

// The width of a picture box's border, in pixels.
constexpr int BorderPx = 2;

inline QRect toQRect(const Control::PixelRect& r)
{
    return QRect(r.x, r.y, r.w, r.h);
}

// The surface of a picture box holds what was painted into it. It is the size of the box's inside
// up to MaxSurfacePixels; a larger box keeps a smaller surface and shows it scaled, so that memory
// stays bounded whatever the size of the window.
class PictureWidget : public QWidget
{
public:
    PictureWidget(QWidget* parent, PictureBox* owner);
    static constexpr long long MaxSurfacePixels = 2048LL * 2048;
    // The surface for an inside: the inside itself up to MaxSurfacePixels, else smaller, of the
    // same shape.
    static QSize surfaceSizeFor(const QSize& inside);
    // The box's inside (without the border), in pixels.
    QSize inside() const;
    // The inside changed size: start a new, empty surface. It is made when it is first needed:
    // the layout may size and colour the box several times before that.
    void resetSurface();
    // A new, empty surface when the inside changed size.
    void followSize();
    // The surface for the inside (new and empty when the size changed).
    QImage& currentSurface();
    // A rectangle of the inside on the surface.
    QRect toSurface(const QRect& r) const;
    QImage surface; // null while a new, empty one is due
    QSize surfaceInside; // the inside the surface is made for
    QColor surfaceColor;
    uint64_t surfaceGeneration = 0;
    // The last painting, to skip an identical one.
    struct PaintKey
    {
        uint64_t picture = 0, generation = 0;
        int x = 0, y = 0, w = 0, h = 0, sx = 0, sy = 0, sw = 0, sh = 0;
        bool operator==(const PaintKey&) const = default;
    };
    PaintKey lastPaint;
    // The last scaled copy of a picture, reused when only the surface was cleared.
    PaintKey lastScaledKey;
    QImage lastScaled;
    int border() const;
    // Repaints the lines where they were and where they have moved to (PictureBox::lineChanged).
    void flushLines();
    bool linesPending = false;
    std::vector<QRect> linesWere;
    // Up to this area the strips are repainted as their bounding rectangle: a copy to the screen
    // costs more for each rectangle than for the pixels of a box of the usual sizes.
    static constexpr long long MaxMergedRepaint = 2048LL * 1024;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    PictureBox* owner_;
};

} // namespace platform
