// The keyboard of the form: what a key means, where the focus belongs, and the clicks keys make.
#include "platform/keyboard.h"

#include "platform/form.h"
#include "platform/form_widget_p.h"

#include <QKeyEvent>
#include <QWheelEvent>

namespace platform {

KeyMeaning keyMeaning(int key, KeyMods mods)
{
    const bool plain = !mods.ctrl && !mods.alt && !mods.meta;
    switch (key) {
    case Qt::Key_F11:
        return { KeyCommand::FullScreen };
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (mods.alt && !mods.ctrl && !mods.meta)
            return { KeyCommand::FullScreen };
        return plain ? KeyMeaning { KeyCommand::Advance } : KeyMeaning {};
    case Qt::Key_Space:
    case Qt::Key_Down:
    case Qt::Key_PageDown:
        return plain ? KeyMeaning { KeyCommand::Advance } : KeyMeaning {};
    case Qt::Key_Up:
    case Qt::Key_PageUp:
        return plain ? KeyMeaning { KeyCommand::Previous } : KeyMeaning {};
    case Qt::Key_Control:
        return !mods.alt && !mods.meta && !mods.shift ? KeyMeaning { KeyCommand::ReadFast }
                                                      : KeyMeaning {};
    case Qt::Key_Escape:
        return plain ? KeyMeaning { KeyCommand::Close } : KeyMeaning {};
    case Qt::Key_Q:
        return mods.ctrl && !mods.alt && !mods.meta ? KeyMeaning { KeyCommand::Quit }
                                                    : KeyMeaning {};
    default:
        if (key >= Qt::Key_1 && key <= Qt::Key_9 && plain)
            return { KeyCommand::Choose, key - Qt::Key_0 };
        return {};
    }
}

// ---------------------------------------------------------------------------------------------
// The focus

void Form::setKeyboard(KeyboardRoles roles)
{
    keys_ = std::move(roles);
    keyboard_ = true;
    placedStamp_ = stateStamp_ - 1;
    followPhase();
}

const Control* Form::keyboardTarget() const
{
    if (!keyboard_)
        return nullptr;
    if (keys_.replay && keys_.replay->Visible())
        return keys_.replay;
    if (keys_.list && keys_.list->Visible())
        return keys_.list;
    if (keys_.board && keys_.board->Visible()) {
        if (keys_.choice)
            for (int n = 1; const CommandButton* b = keys_.choice(n); ++n)
                if (b->Visible() && b->Enabled())
                    return b;
        return keys_.board;
    }
    if (keys_.reader && keys_.reader->Visible())
        return keys_.reader;
    return nullptr;
}

Control* Form::controlOf(const QObject* widget) const
{
    // A control's widget, or a widget inside it (the text box's text widget, its focus proxy).
    for (; widget && widget != widget_; widget = widget->parent())
        for (Control* c : controls_)
            if (c->widget_ == widget)
                return c;
    return nullptr;
}

void Form::followPhase()
{
    // Only a change of what is shown or enabled can change the phase.
    if (!keyboard_ || placedStamp_ == stateStamp_)
        return;
    placedStamp_ = stateStamp_;
    const Control* target = keyboardTarget();
    if (target != focusTarget_) {
        // A new phase: the focus goes where the player now looks, whatever Tab chose before.
        focusTarget_ = target;
        playerFocus_ = nullptr;
    }
    placeFocus();
}

void Form::placeFocus()
{
    if (!keyboard_ || !focusTarget_)
        return;
    // The focus stays where the player moved it, while that can still take it; anywhere else (a
    // button the toolkit moved it to, nothing at all) it goes to the phase's control.
    QWidget* focus = widget_->focusWidget();
    if (focus && focus == playerFocus_ && focus->isEnabled() && !focus->isHidden())
        return;
    if (controlOf(focus) != focusTarget_)
        focusTarget_->widget_->setFocus(Qt::OtherFocusReason);
}

bool Form::focusArrived(QObject* receiver, int reason)
{
    // The player moved the focus (Tab, a click on a list): it stays there until the phase changes.
    // The toolkit moving it on its own within a handler (a button disabled) is not the player.
    if (!dispatcher_.busy()
        && (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
            || reason == Qt::MouseFocusReason))
        playerFocus_ = receiver;
    // The board has the focus as a whole: none of its rows becomes the current one (which the
    // list would then keep selected while the judgement rewrites the rows).
    return keys_.board && receiver == keys_.board->widget_;
}

// ---------------------------------------------------------------------------------------------
// Keys and the wheel

bool Form::keyPressed(QObject* receiver, QKeyEvent* e)
{
    if (!keyboard_)
        return false;
    // A key reaches the focus widget first and then, unused, its parents: act on it once.
    QWidget* focus = widget_->focusWidget();
    if (receiver != (focus ? focus : widget_))
        return false;
    const Qt::KeyboardModifiers m = e->modifiers();
    const KeyMeaning meaning = keyMeaning(e->key(),
        { (m & Qt::ShiftModifier) != 0, (m & Qt::ControlModifier) != 0, (m & Qt::AltModifier) != 0,
            (m & Qt::MetaModifier) != 0 });
    const Control* at = focus ? controlOf(focus) : nullptr;
    if (!at)
        at = keyboardTarget();

    switch (meaning.command) {
    case KeyCommand::FullScreen:
        if (!e->isAutoRepeat())
            toggleFullScreen();
        return true;
    case KeyCommand::Quit:
        close();
        return true;
    case KeyCommand::Choose:
        if (!e->isAutoRepeat() && keys_.choice)
            if (CommandButton* b = keys_.choice(meaning.position))
                b->click();
        return true;
    case KeyCommand::Close:
        if (keys_.replay && (keys_.replay->Visible() || (keys_.list && keys_.list->Visible()))) {
            keys_.replay->deliverClick();
            return true;
        }
        return false;
    case KeyCommand::ReadFast:
        if (at && at == keys_.reader && !e->isAutoRepeat()) {
            keys_.reader->press(MouseButton::Right);
            return true;
        }
        return false;
    case KeyCommand::Advance:
    case KeyCommand::Previous: {
        const bool advance = meaning.command == KeyCommand::Advance;
        if (!at)
            return false;
        if (advance && at == keys_.reader) {
            keys_.reader->press(MouseButton::Left);
            return true;
        }
        if (advance && at == keys_.board) {
            if (keys_.board->ListCount() > 0)
                keys_.board->clickItem(keys_.board->ListCount() - 1);
            return true;
        }
        if (at == keys_.list) {
            const bool choose = e->key() == Qt::Key_Space || e->key() == Qt::Key_Return
                || e->key() == Qt::Key_Enter;
            if (!choose)
                return false; // Up, Down, Page Up and Page Down move through the list
            const int row = keys_.list->currentRow();
            if (row >= 0)
                keys_.list->clickItem(row);
            return true;
        }
        if (isChoice(at)) {
            const bool press = e->key() == Qt::Key_Space || e->key() == Qt::Key_Return
                || e->key() == Qt::Key_Enter;
            if (!press) {
                moveAmongChoices(at, advance ? 1 : -1);
                return true;
            }
            // Space and Return pick the choice the player moved to. Where the focus lands when
            // the turn begins, they pick nothing: a key still meant for the text before it
            // must not choose a feeling.
            if (focus == playerFocus_ && !e->isAutoRepeat())
                static_cast<CommandButton*>(controlOf(focus))->click();
            return true;
        }
        return false; // a button reached with Tab: its own keys
    }
    case KeyCommand::None:
        return false;
    }
    return false;
}

bool Form::isChoice(const Control* c) const
{
    if (!keys_.choice || !dynamic_cast<const CommandButton*>(c))
        return false;
    for (int n = 1; const CommandButton* b = keys_.choice(n); ++n)
        if (b == c)
            return true;
    return false;
}

const Control* Form::focusedControl() const
{
    return controlOf(widget_->focusWidget());
}

void Form::moveAmongChoices(const Control* from, int step)
{
    if (!keys_.choice)
        return;
    int position = 0;
    for (int n = 1; const CommandButton* b = keys_.choice(n); ++n)
        if (b == from) {
            position = n;
            break;
        }
    if (position == 0)
        return; // a button that is no choice keeps its focus
    for (int n = position + step; n >= 1; n += step) {
        CommandButton* b = keys_.choice(n);
        if (!b)
            return;
        if (b->Visible() && b->Enabled()) {
            playerFocus_ = b->widget_;
            b->widget_->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

bool Form::wheelTurned(QObject* receiver, QWheelEvent* e)
{
    if (!keyboard_ || !keys_.reader || receiver != keys_.reader->widget_)
        return false;
    // Turned down, a notch at a time (a touchpad sends many small steps), it presses the text
    // window's left button; turned up, it does nothing.
    const int delta = e->angleDelta().y();
    wheel_ = delta > 0 ? 0 : wheel_ + delta;
    while (wheel_ <= -120) {
        wheel_ += 120;
        keys_.reader->press(MouseButton::Left);
    }
    return true;
}

} // namespace platform
