// The player's own settings, kept per user in the XDG configuration folder:
// $XDG_CONFIG_HOME/pelirra/pelirra.conf, ~/.config/pelirra/pelirra.conf when it is not set.
// One "key=value" a line; lines the game does not know are kept as they are.
#pragma once

#include <optional>
#include <string>

namespace platform::settings {

// The file, or empty when neither XDG_CONFIG_HOME nor HOME names a folder.
std::string file();

// The remembered self-voicing choice; nothing when the file is missing, unreadable, too large
// for a settings file (64 KiB) or does not say.
std::optional<bool> selfVoicing(const std::string& file);

// Remembers the choice (written whole or not at all, as every file the game writes). Returns the
// problem, empty when it was saved.
std::string setSelfVoicing(const std::string& file, bool on);

} // namespace platform::settings
