// A line shape inside a picture box.
#pragma once

#include "platform/controls/control.h"

namespace platform {

class PictureBox;

// A line shape inside a picture box, in the box's pixels; drawn over the box's surface.
class Line
{
public:
    explicit Line(PictureBox& box);
    ~Line();
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;
    void cloneFrom(const Line& first);

    double X1() const { return x1_; }
    double Y1() const { return y1_; }
    double X2() const { return x2_; }
    double Y2() const { return y2_; }
    void setX1(double v);
    void setY1(double v);
    void setX2(double v);
    void setY2(double v);
    Color BorderColor() const { return color_; }
    void setBorderColor(Color c);
    int BorderWidth() const { return width_; }
    void setBorderWidth(int w);
    bool Visible() const { return visible_; }
    void setVisible(bool v);

    // The pixels the line covers (empty when hidden).
    Control::PixelRect bounds() const;

private:
    friend class PictureBox;
    friend class PictureWidget;
    template <class F> void change(F&& f);
    PictureBox& box_;
    double x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
    Color color_ { 0, 0, 0 };
    int width_ = 1;
    bool visible_ = false;
    // Where it was last drawn, and whether it changed since.
    Control::PixelRect shown_ { 0, 0, 0, 0 };
    bool changed_ = false;
};

} // namespace platform
