#include "platform/controls/control.h"

#include "platform/form/form.h"
#include "platform/qt_conversions_p.h"

#include <QWidget>

namespace platform {

Control::Control(Form& form, QWidget* widget, int stackRank)
    : form_(form)
    , widget_(widget)
    , stackRank_(stackRank)
{
    widget_->hide();
    form_.addControl(this);
}

Control::~Control()
{
    form_.removeControl(this);
    delete widget_;
}

Dispatcher& Control::dispatcher() const
{
    return form_.dispatcher();
}

void Control::copySettings(const Control& other)
{
    leftTw_ = other.leftTw_;
    topTw_ = other.topTw_;
    widthTw_ = other.widthTw_;
    heightTw_ = other.heightTw_;
    back_ = other.back_;
    fore_ = other.fore_;
    fontSize_ = other.fontSize_;
    applyGeometry();
    applyColors();
    applyFont();
}

void Control::Move(
    double left, double top, std::optional<double> width, std::optional<double> height)
{
    leftTw_ = form_.unitsToTwipsX(left);
    topTw_ = form_.unitsToTwipsY(top);
    if (width) {
        if (*width < 0)
            throw RuntimeError(u"a width below zero is not allowed");
        widthTw_ = form_.unitsToTwipsX(*width);
    }
    if (height) {
        if (*height < 0)
            throw RuntimeError(u"a height below zero is not allowed");
        heightTw_ = form_.unitsToTwipsY(*height);
    }
    applyGeometry();
}

double Control::Left() const
{
    return form_.twipsToUnitsX(leftTw_);
}
double Control::Top() const
{
    return form_.twipsToUnitsY(topTw_);
}
double Control::Width() const
{
    return form_.twipsToUnitsX(widthTw_);
}
double Control::Height() const
{
    return form_.twipsToUnitsY(heightTw_);
}

void Control::setWidth(double w)
{
    if (w < 0)
        throw RuntimeError(u"a width below zero is not allowed");
    widthTw_ = form_.unitsToTwipsX(w);
    applyGeometry();
}

void Control::setHeight(double h)
{
    if (h < 0)
        throw RuntimeError(u"a height below zero is not allowed");
    heightTw_ = form_.unitsToTwipsY(h);
    applyGeometry();
}

Control::PixelRect Control::pixelRect() const
{
    // Edges are rounded, not sizes, so widgets placed edge to edge meet without a gap.
    const double left = form_.gridLeftTwips() + leftTw_;
    const double top = form_.gridTopTwips() + topTw_;
    const int x = form_.twipsToPixels(left);
    const int y = form_.twipsToPixels(top);
    const int r = form_.twipsToPixels(left + widthTw_);
    const int b = form_.twipsToPixels(top + heightTw_);
    return { x, y, std::max(0, r - x), std::max(0, b - y) };
}

void Control::applyGeometry()
{
    const PixelRect r = pixelRect();
    widget_->setGeometry(r.x, r.y, r.w, r.h);
}

void Control::stateChanged()
{
    form_.controlStateChanged();
}

void Control::setVisible(bool v)
{
    if (v != visible_)
        stateChanged();
    visible_ = v;
    visibilityChanged();
    widget_->setVisible(v);
}

void Control::setBackColor(Color c)
{
    back_ = c;
    applyColors();
}

void Control::setForeColor(Color c)
{
    fore_ = c;
    applyColors();
}

void Control::applyColors()
{
    QPalette pal = widget_->palette();
    pal.setColor(QPalette::Base, toQColor(back_));
    pal.setColor(QPalette::Window, toQColor(back_));
    pal.setColor(QPalette::Text, toQColor(fore_));
    pal.setColor(QPalette::WindowText, toQColor(fore_));
    widget_->setPalette(pal);
}

void Control::setFontSize(double points)
{
    if (!(points > 0) || points > 2048)
        throw RuntimeError(
            u"font size " + Str(static_cast<long long>(points)) + u" is not allowed");
    fontSize_ = points;
    applyFont();
}

void Control::setAccessibleName(TextView name)
{
    // A widget that hands its focus to one inside it (the text box's text widget) is named there:
    // that is where a screen reader arrives.
    QWidget* named = widget_->focusProxy() ? widget_->focusProxy() : widget_;
    named->setAccessibleName(toQ(name));
}

void Control::applyFont()
{
    QFont f = widget_->font();
    f.setPointSizeF(fontSize_ * form_.fontScale());
    widget_->setFont(f);
}

} // namespace platform
