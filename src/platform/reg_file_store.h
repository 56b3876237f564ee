// The settings store kept in a regedit-format text file: the stand-in for the
// per-user registry where there is none. The file is the registry of the
// current user; its section [HKEY_CURRENT_USER\<key path>] is the key.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\software\morvane]
//   "InstallPath"="/home/ann/.local/bin"
//   "LastTopPos"="-1"
//
// Values: "text" (REG_SZ, with \\ and \" escapes), dword:0000007b (REG_DWORD),
// hex:01,02 (REG_BINARY), hex(2):41,00,00,00 (REG_EXPAND_SZ as UTF-16LE) and
// hex(N):.. for any other type; long hex data continues on the next line after
// a backslash. The file holds UTF-8 text; strings reach the program in the
// 8-bit code page. The store never creates the file or the section.
#pragma once

#include "platform/settings_store.h"

#include <string>

namespace morvane::platform {

class RegFileStore : public SettingsStore {
public:
    explicit RegFileStore(std::string filePath);

    // Fails when the file is missing, is no regular file (a pipe, a device),
    // cannot be opened for reading and writing, is no registry file or has no
    // section for the key.
    bool OpenKey(const std::string& path) override;
    std::optional<ValueInfo> QueryValue(const std::string& name) override;
    std::optional<ValueData> ReadValue(const std::string& name) override;
    // Rewrites the file atomically under an advisory lock, changing only the
    // value's line (or adding it at the end of the key's section) and keeping
    // every other byte. False, with the file as it was, when that fails.
    bool WriteString(const std::string& name, const std::string& text) override;

    const std::string& filePath() const { return file_; }

private:
    std::string file_;
    std::string section_; // the open key's section name (UTF-8); empty while none is open
};

// The settings file of the current user: the file that MORVANE_SETTINGS
// names, else $XDG_CONFIG_HOME/morvane/settings.reg, else
// ~/.config/morvane/settings.reg.
std::string UserSettingsPath();

} // namespace morvane::platform
