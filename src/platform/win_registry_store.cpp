#include <windows.h>

#include "platform/win_registry_store.h"

namespace morvane::platform {

namespace {

HKEY AsKey(void* key) { return static_cast<HKEY>(key); }

} // namespace

WinRegistryStore::~WinRegistryStore()
{
    if (key_)
        RegCloseKey(AsKey(key_));
}

bool WinRegistryStore::OpenKey(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return false;
    if (key_)
        RegCloseKey(AsKey(key_));
    key_ = key;
    return true;
}

std::optional<ValueInfo> WinRegistryStore::QueryValue(const std::string& name)
{
    if (!key_)
        return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(AsKey(key_), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return ValueInfo{type, size};
}

std::optional<ValueData> WinRegistryStore::ReadValue(const std::string& name)
{
    const std::optional<ValueInfo> info = QueryValue(name);
    if (!info)
        return std::nullopt;
    DWORD type = info->type;
    DWORD size = info->size;
    // The value may grow between the two calls: ask again while it does.
    for (int attempt = 0; attempt < 8; ++attempt) {
        ValueData value;
        value.data.resize(size);
        DWORD got = size;
        const LONG result = RegQueryValueExA(AsKey(key_), name.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(value.data.data()), &got);
        if (result == ERROR_SUCCESS) {
            value.type = type;
            value.data.resize(got);
            return value;
        }
        if (result != ERROR_MORE_DATA)
            return std::nullopt;
        size = got;
    }
    return std::nullopt;
}

bool WinRegistryStore::WriteString(const std::string& name, const std::string& text)
{
    if (!key_)
        return false;
    const std::string bytes = text.substr(0, text.find('\0'));
    return RegSetValueExA(AsKey(key_), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.c_str()),
                          static_cast<DWORD>(bytes.size() + 1)) == ERROR_SUCCESS;
}

std::unique_ptr<SettingsStore> CreateUserSettingsStore() { return std::make_unique<WinRegistryStore>(); }

} // namespace morvane::platform
