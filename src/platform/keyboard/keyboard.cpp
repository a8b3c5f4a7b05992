#include "platform/keyboard/keyboard.h"

#include "platform/controls.h"
#include "platform/form/form.h"

#include <QKeyEvent>
#include <QWheelEvent>
#include <QWidget>

namespace platform {

namespace {
struct QtKey
{
    int qt;
    Key key;
};
constexpr QtKey QtKeys[] = {
    { Qt::Key_Space, Key::Space },
    { Qt::Key_Return, Key::Return },
    { Qt::Key_Enter, Key::Enter },
    { Qt::Key_Up, Key::Up },
    { Qt::Key_Down, Key::Down },
    { Qt::Key_PageUp, Key::PageUp },
    { Qt::Key_PageDown, Key::PageDown },
    { Qt::Key_Tab, Key::Tab },
    { Qt::Key_Backtab, Key::Tab },
    { Qt::Key_Escape, Key::Escape },
    { Qt::Key_Control, Key::Control },
    { Qt::Key_F11, Key::F11 },
    { Qt::Key_Q, Key::Q },
    { Qt::Key_V, Key::V },
};
} // namespace

KeyPress keyPressOf(const QKeyEvent& e)
{
    const Qt::KeyboardModifiers m = e.modifiers();
    KeyPress k;
    k.mods = { (m & Qt::ShiftModifier) != 0, (m & Qt::ControlModifier) != 0,
        (m & Qt::AltModifier) != 0, (m & Qt::MetaModifier) != 0 };
    k.autoRepeat = e.isAutoRepeat();
    // The keypad's keys give the same codes as the others.
    if (e.key() >= Qt::Key_0 && e.key() <= Qt::Key_9) {
        k.key = Key::Digit;
        k.digit = e.key() - Qt::Key_0;
    }
    for (const QtKey& q : QtKeys)
        if (q.qt == e.key())
            k.key = q.key;
    return k;
}

Keyboard::Keyboard(Form& form)
    : form_(form)
{ }

void Keyboard::setKeyPreview(Preview preview)
{
    preview_ = std::move(preview);
}

void Keyboard::setFocusTarget(std::function<const Control*()> target)
{
    target_ = std::move(target);
    placedStamp_ = stateStamp_ - 1;
    afterEvent();
}

void Keyboard::setWheel(
    std::function<bool(const Control&)> takes, std::function<void(const Control&)> notchDown)
{
    wheelTakes_ = std::move(takes);
    notchDown_ = std::move(notchDown);
}

const Control* Keyboard::target() const
{
    return target_ ? target_() : nullptr;
}

QWidget* Keyboard::widgetOf(const Control* control) const
{
    return control ? control->widget_ : nullptr;
}

Control* Keyboard::controlOf(const QObject* widget) const
{
    // A control's widget, or a widget inside it (the text box's text widget, its focus proxy).
    for (; widget && widget != form_.widget(); widget = widget->parent())
        for (Control* c : form_.controls_)
            if (c->widget_ == widget)
                return c;
    return nullptr;
}

const Control* Keyboard::focused() const
{
    return controlOf(form_.widget()->focusWidget());
}

bool Keyboard::focusChosenByPlayer() const
{
    const QWidget* focus = form_.widget()->focusWidget();
    return focus && focus == playerFocus_;
}

void Keyboard::moveFocus(const Control& control)
{
    playerFocus_ = control.widget_;
    control.widget_->setFocus(Qt::TabFocusReason);
}

void Keyboard::forget(const Control* control)
{
    if (focusTarget_ == control)
        focusTarget_ = nullptr;
    if (playerFocus_ == widgetOf(control))
        playerFocus_ = nullptr;
    if (whole_ == control)
        whole_ = nullptr;
}

void Keyboard::afterEvent()
{
    // Only a change of what is shown or enabled can change where the focus belongs.
    if (!target_ || placedStamp_ == stateStamp_)
        return;
    placedStamp_ = stateStamp_;
    const Control* target = this->target();
    if (target != focusTarget_) {
        // A new place: the focus goes where the player now looks, whatever Tab chose before.
        focusTarget_ = target;
        playerFocus_ = nullptr;
    }
    placeFocus();
}

void Keyboard::placeFocus()
{
    if (!target_ || !focusTarget_)
        return;
    // The focus stays where the player moved it, while that can still take it; anywhere else (a
    // button the toolkit moved it to, nothing at all) it goes to where it belongs.
    QWidget* focus = form_.widget()->focusWidget();
    if (focus && focus == playerFocus_ && focus->isEnabled() && !focus->isHidden())
        return;
    if (controlOf(focus) != focusTarget_)
        focusTarget_->widget_->setFocus(Qt::OtherFocusReason);
}

bool Keyboard::focusArrived(QObject* receiver, int reason)
{
    // The player moved the focus (Tab, a click on a list): it stays there until the place it
    // belongs changes. The toolkit moving it on its own within a handler (a button disabled) is
    // not the player.
    if (!form_.dispatcher().busy()
        && (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
            || reason == Qt::MouseFocusReason))
        playerFocus_ = receiver;
    return whole_ && receiver == whole_->widget_;
}

bool Keyboard::keyPressed(QObject* receiver, QKeyEvent* e)
{
    if (!preview_)
        return false;
    // A key reaches the focus widget first and then, unused, its parents: it is previewed once.
    QWidget* focus = form_.widget()->focusWidget();
    if (receiver != (focus ? focus : form_.widget()))
        return false;
    const Control* at = focus ? controlOf(focus) : nullptr;
    if (!at)
        at = target();
    return preview_(keyPressOf(*e), at);
}

bool Keyboard::wheelTurned(QObject* receiver, QWheelEvent* e)
{
    const Control* over = controlOf(receiver);
    if (!over || over->widget_ != receiver || !wheelTakes_ || !wheelTakes_(*over))
        return false;
    // Turned down, a notch at a time (a touchpad sends many small steps); turned up, nothing.
    const int delta = e->angleDelta().y();
    wheel_ = delta > 0 ? 0 : wheel_ + delta;
    while (wheel_ <= -120) {
        wheel_ += 120;
        if (notchDown_)
            notchDown_(*over);
    }
    return true;
}

} // namespace platform
