// The settings file of a user who has none yet: the system's default one.
#pragma once

#include <string>

namespace morvane::platform {

// The settings file of the current user: the file that MORVANE_SETTINGS
// names, else $XDG_CONFIG_HOME/morvane/settings.reg, else
// ~/.config/morvane/settings.reg.
std::string UserSettingsPath();

// Copies the system's default settings file to userFile when userFile does
// not exist: the first morvane/settings.reg in the folders that
// $XDG_CONFIG_DIRS lists (colon-separated, relative folders ignored;
// /etc/xdg when unset or empty). Missing folders on the way to userFile are
// created, readable by their owner only. The copy appears whole or not at all
// and never replaces a file, a damaged one included. True when it was made.
bool CopySystemDefaultSettings(const std::string& userFile);

} // namespace morvane::platform
