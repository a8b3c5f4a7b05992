#include "shell/keys.h"

namespace keys {

namespace {
bool takes(Mods rule, const platform::KeyMods& m)
{
    switch (rule) {
    case Mods::Any:
        return true;
    case Mods::Plain:
        return !m.ctrl && !m.alt && !m.meta;
    case Mods::AltOnly:
        return m.alt && !m.ctrl && !m.meta;
    case Mods::CtrlOnly:
        return m.ctrl && !m.alt && !m.meta;
    case Mods::CtrlAlone:
        return !m.alt && !m.meta && !m.shift;
    case Mods::None:
        return !m.ctrl && !m.alt && !m.meta && !m.shift;
    }
    return false;
}
} // namespace

Command meaning(const platform::KeyPress& key)
{
    if (key.key == platform::Key::Digit && (key.digit < 1 || key.digit > 9))
        return Command::None;
    for (const KeyRow& row : KeyTable)
        if (row.key == key.key && takes(row.mods, key.mods))
            return row.command;
    return Command::None;
}

Action action(const platform::KeyPress& key, Place place)
{
    const Command command = meaning(key);
    if (command == Command::None)
        return Action::None;
    for (const ActionRow& row : ActionTable)
        if (row.command == command && (row.place == Place::Anywhere || row.place == place))
            return row.action;
    return Action::None;
}

} // namespace keys
