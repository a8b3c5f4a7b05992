// The one window of the program.
//
// Its outer size is read and set in twips, frame included. Its client area starts in twips and
// takes a user scale (scale width and height) when the game sets one. A size change raises the
// resize event, also when the game itself changes the size: then the handler runs before the
// setter returns, and a change to the same size raises nothing.
//
// The window manager has the last word on the size (window/negotiation.h). Where the window cannot
// take the shape the game lays it out in (maximised, full screen, a tiling window manager), the
// scale maps the largest area of that shape centred in the client (the grid), and the rest shows
// the window's background: the game never knows.
#pragma once

#include "platform/controls.h"
#include "platform/keyboard/keyboard.h"
#include "platform/window/grid.h"
#include "platform/window/negotiation.h"
#include "platform/window/scale.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

class FormWidget;

namespace window {
class QtWindow;
}

class Form : private window::FormSide
{
public:
    Form(Dispatcher& dispatcher, int clientWidthTwips, int clientHeightTwips);
    ~Form() override;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    void onActivate(std::function<void()> f) { activate_ = std::move(f); }
    void onResize(std::function<void()> f) { resize_ = std::move(f); }
    void onPaint(std::function<void()> f) { paint_ = std::move(f); }
    void onClose(std::function<void()> f) { close_ = std::move(f); }

    Text Caption() const;
    void setCaption(const Text& caption);
    void setIcon(const char* const* xpm);

    // The outer shape the game lays the window out in, and the smallest outer size (twips) at which
    // it stays legible. Until set, the window takes any shape and has no smallest size.
    void setShape(window::Aspect aspect, double minOuterWidthTwips, double minOuterHeightTwips);

    // Outer size in twips, frame and title bar included.
    double Height() const;
    double Width() const;
    // Throws RuntimeError while the window is minimised, maximised or full screen (it cannot be
    // sized then), and when the window manager refused this width at this size before.
    void setWidth(double twips);
    // Sizes the window as the user or the system would; raises the resize event.
    void setOuterSize(double widthTwips, double heightTwips);

    double ScaleWidth() const;
    double ScaleHeight() const;
    void setScaleWidth(double units);
    void setScaleHeight(double units);

    Color BackColor() const { return back_; }
    void setBackColor(Color c);

    // Shows the window, centred on the screen the first time, and no larger than the screen's
    // available area: raises resize, activate, paint.
    void Show();
    bool shown() const { return negotiation_->shown(); }
    // As the close box does: raises the close event.
    void close();
    // As the system does when the window needs repainting: raises the paint event.
    void paint();
    // Full screen on or off; leaving it restores the earlier size.
    void toggleFullScreen() { negotiation_->toggleFullScreen(); }

    // The grid: the part of the client area the scale maps onto, in pixels of the client area.
    Control::PixelRect gridRect() const;

    // Twips of one screen pixel (1440 twips an inch at the screen's logical resolution).
    double twipsPerPixel() const { return tpp_; }
    double unitsToTwipsX(double units) const;
    double unitsToTwipsY(double units) const;
    double twipsToUnitsX(double twips) const;
    double twipsToUnitsY(double twips) const;
    int twipsToPixels(double twips) const;
    // Twips from the client's left and top edges to the grid's.
    double gridLeftTwips() const { return gridXTw_; }
    double gridTopTwips() const { return gridYTw_; }
    // Font sizes are drawn this many times larger (1 unless a letterbox is lower than the client).
    double fontScale() const { return fontScale_; }

    // The order in which the keyboard focus moves through the controls (those that take it).
    void setTabOrder(const std::vector<const Control*>& order);
    // The keys, the wheel and the focus (see keyboard.h).
    Keyboard& keyboard() { return keyboard_; }
    // The control that has the keyboard focus now (null when none has).
    const Control* focusedControl() const { return keyboard_.focused(); }
    // The focus moved within a control (the current entry of a focused list): told to `f`.
    void onFocusMoved(std::function<void()> f) { focusMoved_ = std::move(f); }
    void focusMoved();

    Dispatcher& dispatcher() const { return dispatcher_; }
    QWidget* widget() const;

private:
    friend class Control;
    friend class FormWidget;
    friend class Keyboard;
    void addControl(Control* c);
    void removeControl(Control* c);
    void controlStateChanged() { keyboard_.stateChanged(); }
    void raiseResize();
    void afterEvent();
    void qtResized(int widthPx, int heightPx);
    void qtShown();
    void qtPainted();
    void qtClosing();
    void qtFrameMayHaveChanged() { negotiation_->frameMayHaveChanged(); }
    void qtStateChanged() { negotiation_->stateChanged(); }
    void qtActivated();
    void qtScreenChanged();
    void watchScreens();
    window::Size clientPx() const;
    void updateGrid();
    // Sizes the client as the program asks; on a shown window within the window's bounds, and
    // never a size the window manager refused at the present size (then it throws). False when
    // nothing changed.
    bool resizeClient(double widthTwips, double heightTwips);
    // FormSide: what the negotiation with the window manager asks of the form.
    void resizeClient(window::Size client) override;
    void adopt(window::Size client) override;
    void outerChanged(bool relayout) override;
    window::ScaleAxis axisX() const;
    window::ScaleAxis axisY() const;

    Dispatcher& dispatcher_;
    FormWidget* widget_;
    double tpp_;
    double clientWTw_, clientHTw_;
    bool userScale_ = false;
    double scaleW_ = 0, scaleH_ = 0;
    Color back_ { 240, 240, 240 };
    bool activated_ = false;
    std::vector<Control*> controls_; // in the order of creation
    std::map<int, Control*> firstOfRank_; // the lowest control of each stacking rank
    std::function<void()> activate_, resize_, paint_, close_, focusMoved_;

    std::unique_ptr<window::QtWindow> window_;
    std::unique_ptr<window::Negotiation> negotiation_;
    // The grid in twips from the client's corner; no extent: the whole client.
    double gridXTw_ = 0, gridYTw_ = 0;
    std::optional<double> gridWTw_, gridHTw_;
    double fontScale_ = 1;

    Keyboard keyboard_;
};

} // namespace platform
