// The per-user settings store: one key of named values, as the registry of
// the current user keeps them. On Linux a regedit-format text file stands for
// the registry; on Windows it is the registry itself.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace morvane::platform {

// Registry value types.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

struct ValueInfo {
    std::uint32_t type = kRegNone;
    std::uint32_t size = 0; // data size in bytes (a string's terminating zero included)
};

struct ValueData {
    std::uint32_t type = kRegNone;
    std::string data; // raw data bytes; strings in the 8-bit code page with their terminating zero
};

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // Opens an existing key below HKEY_CURRENT_USER for reading and writing;
    // never creates it. False when it does not exist or access is refused.
    virtual bool OpenKey(const std::string& path) = 0;
    // Reads the open key afresh: what others have written since it was
    // opened, or last refreshed, becomes visible to the queries.
    virtual void Refresh() {}
    // Does the value exist in the open key: its type and data size.
    virtual std::optional<ValueInfo> QueryValue(const std::string& name) = 0;
    // The value's type and data; nothing when it cannot be read.
    virtual std::optional<ValueData> ReadValue(const std::string& name) = 0;
    // Stores text as a REG_SZ value, replacing any value of that name.
    // False when the store refuses the write (nothing is changed then).
    virtual bool WriteString(const std::string& name, const std::string& text) = 0;
};

// The store of the current user: on Linux the file that MORVANE_SETTINGS
// names, else $XDG_CONFIG_HOME/morvane/settings.reg (~/.config/... when unset),
// which receives a copy of the system's default settings file when it does
// not exist yet (see user_settings.h).
std::unique_ptr<SettingsStore> CreateUserSettingsStore();

} // namespace morvane::platform
