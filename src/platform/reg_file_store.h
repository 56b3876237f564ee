// The settings store kept in a registry export file: the stand-in for the
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
// hex(N):.. for any other type; hex data may go on over lines that end in a
// backslash; "Name"=- takes a value away. Names, and the key's name, match
// regardless of ASCII letter case; a key whose section comes more than once
// is read as one, as an import merges them.
// The file holds UTF-8 text; strings reach the program in the 8-bit code page.
// The store never creates the file or the section.
#pragma once

#include "platform/settings_store.h"

#include <string>
#include <vector>

namespace morvane::platform {

class RegFileStore : public SettingsStore {
public:
    explicit RegFileStore(std::string filePath);

    // Reads the file. Fails when it is missing, is no regular file (a pipe, a
    // device), cannot be opened for reading and writing, is no registry file
    // or has no section for the key.
    bool OpenKey(const std::string& path) override;
    // Reads the file again; the queries answer from what was read.
    void Refresh() override;
    std::optional<ValueInfo> QueryValue(const std::string& name) override;
    // Nothing for a value line whose data cannot be parsed.
    std::optional<ValueData> ReadValue(const std::string& name) override;
    // Re-reads the file under a lock, changes only the value's line (or adds
    // it at the end of the key's section) and replaces the file atomically,
    // keeping every other byte. False, with the file as it was, when that
    // fails, when another writer holds the lock for more than about a
    // second, or when the text holds a line break.
    bool WriteString(const std::string& name, const std::string& text) override;
    // For the installer (the programs never create the key): adds the key's
    // section at the end of a registry file that has none, under the same
    // lock and with the same atomic replacement, then opens the key.
    bool CreateKey(const std::string& path);

    // A value of the key as read, and where its line stands in the file.
    struct Value {
        std::string name;              // UTF-8, unescaped
        std::optional<ValueData> data; // nothing when its data cannot be parsed
        bool removed = false;          // "=-": the name is taken away
        std::size_t nameEnd = 0;       // just after the name: "=" and the data follow
        std::size_t dataEnd = 0;       // the end of its last line, before the line end
    };

private:
    std::string file_;
    std::string section_;       // the open key's section name (UTF-8); empty while none is open
    std::vector<Value> values_; // the key as last read
};

} // namespace morvane::platform
