// The game's keys: the focus follows the phases of the game, and a key makes the click the mouse
// makes on what the player is looking at (the key table is in keys.h). The focus goes to the
// replay box or the list while shown, the first enabled choice and then the board in a crafting
// turn, the text window while reading. The past-record and quit buttons are no choices: no key
// presses them but Space after a Tab.
#include "shell/fom.h"

using namespace platform;

void Fom::setUpKeyboard()
{
    Keyboard& keyboard = Me.keyboard();
    keyboard.setKeyPreview(
        [this](const KeyPress& key, const Control* at) { return keyPressed(key, at); });
    keyboard.setWheel([this](const Control& over) { return &over == &Lbl; },
        [this](const Control&) { Lbl.press(MouseButton::Left); });
    // The board has the focus as a whole: none of its rows becomes the current one (which the
    // list would then keep selected while the judgement rewrites the rows).
    keyboard.setFocusedWhole(&TxtPic);
    keyboard.setFocusTarget([this] { return focusBelongs(); });
}

CommandButton* Fom::choice(int position)
{
    const int index = position - 1;
    return index >= 0 && index <= Com.UBound() - 2 ? &Com(index) : nullptr;
}

const Control* Fom::focusBelongs()
{
    if (Txt.Visible())
        return &Txt;
    if (Lst.Visible())
        return &Lst;
    if (TxtPic.Visible()) {
        for (int n = 1; const CommandButton* b = choice(n); ++n)
            if (b->Visible() && b->Enabled())
                return b;
        return &TxtPic;
    }
    if (Lbl.Visible())
        return &Lbl;
    return nullptr;
}

keys::Place Fom::placeOf(const Control* at)
{
    if (!at)
        return keys::Place::Elsewhere;
    if (at == &Lbl)
        return keys::Place::Reading;
    if (at == &TxtPic)
        return keys::Place::Board;
    if (at == &Lst)
        return keys::Place::List;
    if (at == &Txt)
        return keys::Place::Replay;
    for (int index = Com.LBound(); index <= Com.UBound() - 2; ++index)
        if (at == &Com(index))
            return keys::Place::Choosing;
    return keys::Place::Elsewhere;
}

bool Fom::keyPressed(const KeyPress& key, const Control* at)
{
    using keys::Action;
    switch (keys::action(key, placeOf(at))) {
    case Action::FullScreen:
        if (!key.autoRepeat)
            Me.toggleFullScreen();
        return true;
    case Action::Quit:
        Me.close();
        return true;
    case Action::ToggleVoice:
        speech.toggleSelfVoicing();
        return true;
    case Action::ChooseNth:
        if (!key.autoRepeat)
            if (CommandButton* b = choice(key.digit))
                b->click();
        return true;
    case Action::CloseRecords:
        if (!Txt.Visible() && !Lst.Visible())
            return false;
        Txt.deliverClick();
        return true;
    case Action::ReadFast:
        if (key.autoRepeat)
            return false;
        Lbl.press(MouseButton::Right);
        return true;
    case Action::PressText:
        Lbl.press(MouseButton::Left);
        return true;
    case Action::ClickBoard:
        if (TxtPic.ListCount() > 0)
            TxtPic.clickItem(TxtPic.ListCount() - 1);
        return true;
    case Action::ClickEntry:
        if (Lst.currentRow() >= 0)
            Lst.clickItem(Lst.currentRow());
        return true;
    case Action::PickChoice:
        // Space and Return pick the choice the player moved to. Where the focus lands when the
        // turn begins, they pick nothing: a key still meant for the text before it must not
        // choose a feeling.
        if (Me.keyboard().focusChosenByPlayer() && !key.autoRepeat)
            for (int n = 1; CommandButton* b = choice(n); ++n)
                if (b == at)
                    b->click();
        return true;
    case Action::NextChoice:
        moveAmongChoices(at, 1);
        return true;
    case Action::PreviousChoice:
        moveAmongChoices(at, -1);
        return true;
    case Action::None:
        return false;
    }
    return false;
}

void Fom::moveAmongChoices(const Control* from, int step)
{
    int position = 0;
    for (int n = 1; const CommandButton* b = choice(n); ++n)
        if (b == from) {
            position = n;
            break;
        }
    if (position == 0)
        return;
    for (int n = position + step; n >= 1; n += step) {
        CommandButton* b = choice(n);
        if (!b)
            return;
        if (b->Visible() && b->Enabled()) {
            Me.keyboard().moveFocus(*b);
            return;
        }
    }
}
