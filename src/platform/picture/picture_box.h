// The picture box: a control whose inside is measured in pixels, with a surface that keeps what
// was painted into it, and the lines drawn over that surface.
#pragma once

#include "platform/controls/control.h"
#include "platform/picture/picture.h"

#include <vector>

namespace platform {

class Line;
class PictureWidget;

// A picture box measures its inside in pixels. Paintings are kept on its surface until the next
// painting or a change of size; its lines are drawn over that surface.
class PictureBox : public Control
{
public:
    PictureBox(Form& form, int stackRank);
    ~PictureBox() override;

    void setPicture(Picture picture);
    const Picture& picture() const { return picture_; }
    // Sizes itself to its picture (the hidden holder does).
    void setAutoSize(bool on) { autoSize_ = on; }

    void setScaleModePixels() { }
    // The inside, in pixels.
    int ScaleWidth() const;
    int ScaleHeight() const;
    void setBorderNone();

    // Copies the source rectangle of `pic` stretched onto the destination rectangle of the
    // surface. Throws RuntimeError when `pic` is empty. Repeating the same painting onto an
    // unchanged surface costs nothing.
    void PaintPicture(
        const Picture& pic, int x, int y, int w, int h, int sx, int sy, int sw, int sh);

    // Number of times a picture was actually scaled onto the surface (to keep painting cheap).
    int scalingsDone() const { return scalings_; }
    // The colour of one pixel of the surface, inside the border.
    Color surfacePixel(int x, int y) const;
    // The memory the surface takes.
    long long surfaceBytes() const;

private:
    friend class Line;
    friend class PictureWidget;
    void applyColors() override;
    PictureWidget* pictureWidget() const;
    void lineChanged(Line& line);
    Picture picture_;
    bool autoSize_ = false;
    bool border_ = true;
    std::vector<Line*> lines_;
    int scalings_ = 0;
};

} // namespace platform
