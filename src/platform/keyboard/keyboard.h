// The keyboard of the form: the keys as the game sees them, and the keyboard focus.
//
// The platform gives the game generic hooks only: every key press passes the game first (a
// form-level key preview, which says whether it used the key), the wheel turned over a control
// the game takes it for arrives a notch at a time, and after every event the focus goes where the
// game says it belongs. The focus stays where the player moved it (Tab, the mouse) until the
// place it belongs changes; anywhere else (a button the toolkit moved it to, nothing at all) it
// goes back. What a key means is the game's.
#pragma once

#include <functional>
#include <vector>

class QKeyEvent;
class QObject;
class QWheelEvent;
class QWidget;

namespace platform {

class Control;
class Dispatcher;
class Form;

enum class Key {
    Other,
    Space,
    Return,
    Enter, // the keypad's
    Up,
    Down,
    PageUp,
    PageDown,
    Tab,
    Escape,
    Control, // the Ctrl key itself
    F11,
    Digit, // 0 to 9, on the keypad too
    Q,
    V,
};

struct KeyMods
{
    bool shift = false, ctrl = false, alt = false, meta = false;
};

struct KeyPress
{
    Key key = Key::Other;
    int digit = 0; // for Key::Digit
    KeyMods mods;
    bool autoRepeat = false;
};

class Keyboard
{
public:
    explicit Keyboard(Form& form);

    // Every key pressed on the form: `at` is the control that has the focus, else the one the focus
    // belongs to (null: none). True when the game used the key; else the widget gets it.
    using Preview = std::function<bool(const KeyPress& key, const Control* at)>;
    void setKeyPreview(Preview preview);
    // Where the focus belongs now (null: nowhere in particular).
    void setFocusTarget(std::function<const Control*()> target);
    // The wheel over a control: `takes` says whether the game takes the wheel there; then each
    // notch turned down calls `notchDown` (turned up does nothing).
    void setWheel(std::function<bool(const Control& over)> takes,
        std::function<void(const Control&)> notchDown);
    // A control that gets the focus as a whole: no entry of it becomes the current one.
    void setFocusedWhole(const Control* control) { whole_ = control; }

    // The control that has the focus (null when none has).
    const Control* focused() const;
    // The focus is where the player moved it.
    bool focusChosenByPlayer() const;
    // Moves the focus to `control` as the player does with Tab.
    void moveFocus(const Control& control);

    // From the form: a control came or went, a control's state changed, an event ended, the
    // window became active, and the toolkit's events of the form's widgets.
    void forget(const Control* control);
    void stateChanged() { ++stateStamp_; }
    void afterEvent();
    void placeFocus();
    bool keyPressed(QObject* receiver, QKeyEvent* e);
    bool wheelTurned(QObject* receiver, QWheelEvent* e);
    bool focusArrived(QObject* receiver, int reason);

private:
    const Control* target() const;
    Control* controlOf(const QObject* widget) const;
    QWidget* widgetOf(const Control* control) const;

    Form& form_;
    Preview preview_;
    std::function<const Control*()> target_;
    std::function<bool(const Control&)> wheelTakes_;
    std::function<void(const Control&)> notchDown_;
    const Control* whole_ = nullptr;
    const Control* focusTarget_ = nullptr;
    QObject* playerFocus_ = nullptr; // where the player moved the focus (Tab, the mouse)
    unsigned stateStamp_ = 0, placedStamp_ = ~0u;
    int wheel_ = 0;
};

// The key of a toolkit key event.
KeyPress keyPressOf(const QKeyEvent& e);

} // namespace platform
