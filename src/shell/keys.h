// The game's key table: what each key means, and what that meaning does in each place the player
// can be. Plain data and plain functions; the game turns the action into the click the mouse
// makes (shell/keyboard.cpp), so each action has one path whether it comes from a key or not.
#pragma once

#include "platform/keyboard/keyboard.h"

namespace keys {

enum class Command {
    None,
    Press, // Space, Return, Enter
    Next, // Down, Page Down
    Previous, // Up, Page Up
    ReadFast, // Ctrl
    Close, // Escape
    Choose, // 1 to 9
    Quit, // Ctrl+Q
    FullScreen, // F11, Alt+Return
    Voice, // V
};

// Which modifiers a key takes.
enum class Mods {
    Any,
    Plain, // neither Ctrl, Alt nor the meta key (Shift may be held)
    AltOnly, // Alt, neither Ctrl nor the meta key
    CtrlOnly, // Ctrl, neither Alt nor the meta key
    CtrlAlone, // the Ctrl key itself: no other modifier
    None, // no modifier at all
};

struct KeyRow
{
    platform::Key key;
    Mods mods;
    Command command;
};

// The first row that matches a key gives its meaning (a digit means Choose from 1 to 9 only).
inline constexpr KeyRow KeyTable[] = {
    { platform::Key::F11, Mods::Any, Command::FullScreen },
    { platform::Key::Return, Mods::AltOnly, Command::FullScreen },
    { platform::Key::Enter, Mods::AltOnly, Command::FullScreen },
    { platform::Key::Space, Mods::Plain, Command::Press },
    { platform::Key::Return, Mods::Plain, Command::Press },
    { platform::Key::Enter, Mods::Plain, Command::Press },
    { platform::Key::Down, Mods::Plain, Command::Next },
    { platform::Key::PageDown, Mods::Plain, Command::Next },
    { platform::Key::Up, Mods::Plain, Command::Previous },
    { platform::Key::PageUp, Mods::Plain, Command::Previous },
    { platform::Key::Control, Mods::CtrlAlone, Command::ReadFast },
    { platform::Key::Escape, Mods::Plain, Command::Close },
    { platform::Key::Q, Mods::CtrlOnly, Command::Quit },
    { platform::Key::Digit, Mods::Plain, Command::Choose },
    { platform::Key::V, Mods::None, Command::Voice },
};

// What a key means, whatever has the focus.
Command meaning(const platform::KeyPress& key);

// Where the player is, as the control a key concerns tells (the one with the focus, else the
// one the focus belongs to).
enum class Place {
    Anywhere, // in the action table: whatever the place
    Reading, // the text window
    Choosing, // a choice button
    Board, // the judgement board
    List, // the past-record list
    Replay, // the replay box
    Elsewhere, // another control (a button reached with Tab), or none
};

enum class Action {
    None, // the control's own keys
    PressText, // a left press on the text window
    ReadFast, // a right press on the text window
    ClickBoard, // a click on the board's last item
    ClickEntry, // a click on the list's current entry
    PickChoice, // a click on the choice the player moved to; none where the focus just landed
    NextChoice, // the focus to the next enabled choice, no further than the last
    PreviousChoice, // the focus to the previous enabled choice
    ChooseNth, // a click on the choice at the digit's position
    CloseRecords, // the click on the replay box: closes the replay and the list, where shown
    Quit, // as the window's close box
    FullScreen, // full screen on or off
    ToggleVoice, // the game's own voice on or off
};

struct ActionRow
{
    Command command;
    Place place;
    Action action;
};

inline constexpr ActionRow ActionTable[] = {
    { Command::FullScreen, Place::Anywhere, Action::FullScreen },
    { Command::Quit, Place::Anywhere, Action::Quit },
    { Command::Voice, Place::Anywhere, Action::ToggleVoice },
    { Command::Choose, Place::Anywhere, Action::ChooseNth },
    { Command::Close, Place::Anywhere, Action::CloseRecords },
    { Command::ReadFast, Place::Reading, Action::ReadFast },
    { Command::Press, Place::Reading, Action::PressText },
    { Command::Next, Place::Reading, Action::PressText },
    { Command::Press, Place::Board, Action::ClickBoard },
    { Command::Next, Place::Board, Action::ClickBoard },
    { Command::Press, Place::List, Action::ClickEntry }, // Up and Down move through the list
    { Command::Press, Place::Choosing, Action::PickChoice },
    { Command::Next, Place::Choosing, Action::NextChoice },
    { Command::Previous, Place::Choosing, Action::PreviousChoice },
};

// What a key does where the player is.
Action action(const platform::KeyPress& key, Place place);

} // namespace keys
