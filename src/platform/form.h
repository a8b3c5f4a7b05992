// The one window of the program.
//
// Its outer size is read and set in twips, frame included. Its client area starts in twips and
// takes a user scale (scale width and height) when the game sets one. A size change raises the
// resize event, also when the game itself changes the size: then the handler runs before the
// setter returns, and a change to the same size raises nothing.
#pragma once

#include "platform/controls.h"
#include "platform/speech.h"

#include <functional>
#include <map>
#include <vector>

namespace platform {

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
    // Throws RuntimeError while the window is minimised or maximised (it cannot be sized then).
    void setWidth(double twips);
    // Sizes the window as the user or the system would; raises the resize event.
    void setOuterSize(double widthTwips, double heightTwips);

    double ScaleWidth() const;
    double ScaleHeight() const;
    void setScaleWidth(double units);
    void setScaleHeight(double units);
    bool userScale() const { return userScale_; }

    Color BackColor() const { return back_; }
    void setBackColor(Color c);

    // Shows the window, centred on the screen the first time: raises resize, activate, paint.
    void Show();
    bool shown() const { return shown_; }
    // As the close box does: raises the close event.
    void close();
    // As the system does when the window needs repainting: raises the paint event.
    void paint();

    // Twips of one screen pixel (1440 twips an inch at the screen's logical resolution).
    double twipsPerPixel() const { return tpp_; }
    double unitsToTwipsX(double units) const;
    double unitsToTwipsY(double units) const;
    double twipsToUnitsX(double twips) const;
    double twipsToUnitsY(double twips) const;
    int twipsToPixels(double twips) const;

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
    int frameWidthPx() const;
    int frameHeightPx() const;
    void resizeWidget();

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
    std::unique_ptr<Speech> speech_;
};

} // namespace platform
