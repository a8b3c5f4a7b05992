// The keyboard of the game's window. Keys become the clicks the mouse makes on what the player is
// looking at, so the game has one path for each action, and the keyboard focus follows the phases
// of the game: it never rests on a button the player did not choose with Tab.
#pragma once

#include <functional>

namespace platform {

class CommandButton;
class Label;
class ListBox;
class TextBox;

enum class KeyCommand {
    None,
    Advance, // Space, Return, Enter, Down, Page Down
    Previous, // Up, Page Up
    ReadFast, // Ctrl
    Close, // Escape
    Choose, // 1 to 9
    Quit, // Ctrl+Q
    FullScreen, // F11, Alt+Return
};

struct KeyMods
{
    bool shift = false, ctrl = false, alt = false, meta = false;
};

struct KeyMeaning
{
    KeyCommand command = KeyCommand::None;
    int position = 0; // for Choose: 1 to 9
    friend bool operator==(const KeyMeaning&, const KeyMeaning&) = default;
};

// What a key means to the game, whatever has the focus. `key` is a Qt key code (the keypad's keys
// give the same codes as the others).
KeyMeaning keyMeaning(int key, KeyMods mods);

// The controls the keyboard reaches. The focus goes to the first of these that applies, in this
// order, and moves whenever that changes:
struct KeyboardRoles
{
    // The replay box, while shown. Escape clicks it, here and on the list; its own keys scroll it.
    TextBox* replay = nullptr;
    // The list of past records, while shown: Up and Down choose an entry, Space and Return click
    // it.
    ListBox* list = nullptr;
    // While the board is shown, the first enabled choice button, then the board itself. The keys
    // 1 to 9 click the choice at that position (null past the last); Up and Down move the focus
    // among the enabled choices; every advance key clicks the board.
    std::function<CommandButton*(int position)> choice;
    ListBox* board = nullptr;
    // The text window, while shown: every advance key, and the mouse wheel turned down over it,
    // press its left button; Ctrl presses its right button.
    Label* reader = nullptr;
};

} // namespace platform
