// The window's negotiation with the window manager, apart from the toolkit.
//
// On a desktop the window manager has the last word on the size. The frame is counted from the
// moment it is known. A size the program asks for is watched for the answer: a window manager may
// keep another size, and say so only to the window system; a size refused twice at the same size
// is never asked for again, so no answer makes a loop. While the window is maximised, made full
// screen or given back its size, the program asks for no size until the change has settled. The
// window stays within bounds: at least the legible outer size the game passes in (or the screen),
// at most the desktop. Sizes are in pixels of the client area.
//
// The window system is reached through WindowSystem (the toolkit's window, or a fake in tests);
// what the form must do about a size goes back through FormSide.
#pragma once

#include "platform/window/grid.h"

#include <deque>
#include <optional>

namespace platform::window {

struct Point
{
    int x = 0, y = 0;
};

struct States
{
    bool minimised = false, maximised = false, fullScreen = false;
};

struct Screen
{
    Rect whole, available; // the screen, and its area without panels
    Size desktop; // all screens together
};

// What the negotiation waits for: the answer to a size asked for, a change of state to settle.
enum class Wait { Answer, Settle };

class WindowSystem
{
public:
    virtual ~WindowSystem() = default;
    virtual bool visible() const = 0;
    // The client's place and size as the window holds them.
    virtual Rect client() const = 0;
    // The outer top-left corner, frame included, as move() takes it.
    virtual Point position() const = 0;
    // The client size the window system reports (it may differ from client() after a refusal).
    virtual Size reported() const = 0;
    // The frame the window manager set on the window, where the window system says (X11).
    virtual std::optional<Size> frameExtents() const = 0;
    // The frame as the toolkit measured it (kept from its last change of geometry).
    virtual Size toolkitFrame() const = 0;
    virtual States states() const = 0;
    virtual void setFullScreen(bool on) = 0;
    virtual void resize(Size client) = 0;
    virtual void setClient(Rect client) = 0;
    virtual void move(int x, int y) = 0;
    virtual std::optional<Screen> screen() const = 0;
    // Tells the window manager the bounds of the client size.
    virtual void setBounds(Size min, Size max) = 0;
    // Calls Negotiation::due(wait) once, `ms` milliseconds from now (restarting it).
    virtual void start(Wait wait, int ms) = 0;
    virtual void stop(Wait wait) = 0;
};

class FormSide
{
public:
    virtual ~FormSide() = default;
    // Sizes the client as the program does; may throw RuntimeError (a refused size).
    virtual void resizeClient(Size client) = 0;
    // The window manager kept this size: the client takes it, and the game lays out again.
    virtual void adopt(Size client) = 0;
    // The frame, the state or the grid changed: regrid, and lay out again when `relayout`.
    virtual void outerChanged(bool relayout) = 0;
};

class Negotiation
{
public:
    Negotiation(WindowSystem& window, FormSide& form);

    // The game's shape and legible outer size (pixels); until set, any shape and no minimum.
    void setShape(Aspect aspect, Size legibleOuter);
    Aspect aspect() const { return aspect_; }
    bool shown() const { return shown_; }

    // The frame as last seen; none while the window is hidden.
    Size frame() const;
    // The window can be sized: not minimised, maximised or full screen, nor settling.
    bool sizeable() const;
    // `size` within the window's bounds, once the window has been shown.
    Size bounded(Size size) const;
    // The program is about to size the client to `asked`: throws RuntimeError when the window
    // manager refused that size at the present size twice; else the answer is watched.
    void asking(Size asked);
    // Sizes the window for the program (no resize event of its own comes back from it).
    void apply(Size client);
    bool applying() const { return applying_; }

    // What the window system tells.
    // The client was resized by the window system: returns a size to bring it back to when it
    // is out of bounds.
    std::optional<Size> resized(Size now);
    void frameMayHaveChanged();
    void stateChanged();
    void due(Wait wait);

    // The first showing: bounds, a size that fits the screen, the window centred.
    void show();
    // Full screen on or off; leaving it restores the earlier place and size.
    void toggleFullScreen();

private:
    bool updateFrame();
    void updateBounds();
    void fitToScreen(bool centre);
    void refusedAt(Size asked, Size from);
    void checkAnswer();
    void settled();

    WindowSystem& window_;
    FormSide& form_;
    Aspect aspect_;
    Size legible_;
    bool shown_ = false;
    bool applying_ = false;
    Size frame_;
    bool frameSeen_ = false;
    Size minClient_ { 1, 1 }, maxClient_ { 1 << 15, 1 << 15 };
    // A size asked of the window manager and not answered yet, and the sizes it refused.
    struct Request
    {
        Size asked, from;
    };
    std::optional<Request> pending_;
    struct Refusal
    {
        Size asked, from; // `asked` refused while the window was `from`
        int times;
    };
    std::deque<Refusal> refused_;
    int answerChecks_ = 0;
    // Full screen: the client's place and size before it.
    std::optional<Rect> beforeFullScreen_;
    // A change of state (maximised, full screen, back) the window manager is still carrying out.
    bool settling_ = false;
};

} // namespace platform::window
