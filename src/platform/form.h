// The one window of the program.
//
// Its outer size is read and set in twips, frame included. Its client area starts in twips and
// takes a user scale (scale width and height) when the game sets one. A size change raises the
// resize event, also when the game itself changes the size: then the handler runs before the
// setter returns, and a change to the same size raises nothing.
//
// On a desktop the window manager has the last word on the size. The frame is counted from the
// moment it is known, and its arrival raises the resize event. Where the window cannot take the
// 4 : 3 outer shape the layout gives it (maximised, full screen, a tiling window manager), the
// scale maps the largest 4 : 3 area centred in the client (the grid), and the rest shows the
// window's background: the game never knows. A size the window manager refused twice is never
// asked for again at the same size, so no answer of it makes a loop.
#pragma once

#include "platform/controls.h"
#include "platform/keyboard.h"
#include "platform/speech.h"
#include "platform/window_rules.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace platform::x11 {
class FrameWatch;
}

class QKeyEvent;
class QObject;
class QTimer;
class QWheelEvent;

namespace platform {

class FormWidget;

class Form
{
public:
    Form(Dispatcher& dispatcher, int clientWidthTwips, int clientHeightTwips);
    ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    void onActivate(std::function<void()> f) { activate_ = std::move(f); }
    void onResize(std::function<void()> f) { resize_ = std::move(f); }
    void onPaint(std::function<void()> f) { paint_ = std::move(f); }
    void onClose(std::function<void()> f) { close_ = std::move(f); }

    Text Caption() const;
    void setCaption(const Text& caption);
    void setIcon(const char* const* xpm);

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
    bool shown() const { return shown_; }
    // As the close box does: raises the close event.
    void close();
    // As the system does when the window needs repainting: raises the paint event.
    void paint();
    // Full screen on or off (F11, Alt+Return); leaving it restores the earlier size.
    void toggleFullScreen();

    // The grid: the part of the client area the scale maps onto, in pixels of the client area.
    Control::PixelRect gridRect() const;

    // The keyboard: which controls it reaches (see keyboard.h). Until this is called, keys do
    // only what the widgets themselves do with them.
    void setKeyboard(KeyboardRoles roles);
    // The control that holds the keyboard focus in the game's present phase (null when none).
    const Control* keyboardTarget() const;
    // The control that has the keyboard focus now (null when none has).
    const Control* focusedControl() const;

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

    // What the game says for a player who does not see the screen (see Speech).
    Speech& speech() { return *speech_; }
    void say(TextView text, Speech::Mode mode = Speech::Mode::Queue) { speech_->say(text, mode); }

    Dispatcher& dispatcher() const { return dispatcher_; }
    QWidget* widget() const;

private:
    friend class Control;
    friend class FormWidget;
    void addControl(Control* c);
    void removeControl(Control* c);
    void raiseResize();
    void qtResized(int widthPx, int heightPx);
    void qtShown();
    void qtPainted();
    void qtClosing();
    void qtFrameMayHaveChanged();
    void qtStateChanged();
    void stateSettled();
    int frameWidthPx() const;
    int frameHeightPx() const;
    window::Size clientPx() const;
    window::Size framePx() const;
    bool updateFrame();
    void updateGrid();
    void updateBounds();
    void fitToScreen(bool centre);
    // Sizes the client as the program asks; on a shown window within the window's bounds, and
    // never a size the window manager refused at the present size (then it throws). False when
    // nothing changed.
    bool resizeClient(double widthTwips, double heightTwips);
    void adoptSize(window::Size size);
    void refusedAt(window::Size asked, window::Size from);
    void checkAnswer();
    bool sizeable() const;
    double gridW() const;
    double gridH() const;

    // The keyboard (keyboard.cpp).
    bool keyPressed(QObject* receiver, QKeyEvent* e);
    bool wheelTurned(QObject* receiver, QWheelEvent* e);
    bool focusArrived(QObject* receiver, int reason);
    void controlStateChanged() { ++stateStamp_; }
    void afterEvent();
    void followPhase();
    void placeFocus();
    Control* controlOf(const QObject* widget) const;
    void moveAmongChoices(const Control* from, int step);
    bool isChoice(const Control* c) const;

    Dispatcher& dispatcher_;
    FormWidget* widget_;
    double tpp_;
    double clientWTw_, clientHTw_;
    bool userScale_ = false;
    double scaleW_ = 0, scaleH_ = 0;
    Color back_ { 240, 240, 240 };
    bool shown_ = false;
    bool activated_ = false;
    bool inProgramResize_ = false;
    std::vector<Control*> controls_; // in the order of creation
    std::map<int, Control*> firstOfRank_; // the lowest control of each stacking rank
    std::function<void()> activate_, resize_, paint_, close_;

    // The desktop: the frame as last seen, the grid, the bounds of the client.
    window::Size frame_;
    bool frameSeen_ = false;
    // The frame the window manager set on the window, where the window system says (X11).
    std::optional<window::Size> setFrame_;
    std::unique_ptr<x11::FrameWatch> frameWatch_;
    double gridXTw_ = 0, gridYTw_ = 0;
    std::optional<double> gridWTw_, gridHTw_; // empty: the whole client
    double fontScale_ = 1;
    window::Size minClient_ { 1, 1 }, maxClient_ { 1 << 15, 1 << 15 };
    // A size asked of the window manager and not answered yet, and the sizes it refused.
    struct Request
    {
        window::Size asked, from;
    };
    std::optional<Request> pending_;
    struct Refusal
    {
        window::Size asked, from; // `asked` refused while the window was `from`
        int times;
    };
    std::deque<Refusal> refused_;
    QTimer* answerTimer_;
    int answerChecks_ = 0;
    // Full screen: the client's place and size before it.
    std::optional<window::Rect> beforeFullScreen_;
    // A change of state (maximised, full screen, back) the window manager is still carrying out.
    bool settling_ = false;
    QTimer* settleTimer_;

    // The keyboard.
    KeyboardRoles keys_;
    bool keyboard_ = false;
    const Control* focusTarget_ = nullptr;
    QObject* playerFocus_ = nullptr; // where the player moved the focus (Tab, the mouse)
    unsigned stateStamp_ = 0, placedStamp_ = ~0u;
    int wheel_ = 0;

    std::unique_ptr<Speech> speech_;
};

} // namespace platform
