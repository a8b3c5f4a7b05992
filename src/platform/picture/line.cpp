#include "platform/picture/line.h"

#include "platform/picture/picture_box.h"
#include "platform/picture/picture_widget_p.h"

#include <algorithm>
#include <cmath>

namespace platform {

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
