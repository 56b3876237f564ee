// The settings store in the real registry of the current user (Windows only).
#pragma once

#include "platform/settings_store.h"

namespace morvane::platform {

class WinRegistryStore : public SettingsStore {
public:
    WinRegistryStore() = default;
    ~WinRegistryStore() override;
    WinRegistryStore(const WinRegistryStore&) = delete;
    WinRegistryStore& operator=(const WinRegistryStore&) = delete;

    bool OpenKey(const std::string& path) override;
    std::optional<ValueInfo> QueryValue(const std::string& name) override;
    std::optional<ValueData> ReadValue(const std::string& name) override;
    bool WriteString(const std::string& name, const std::string& text) override;

private:
    void* key_ = nullptr; // HKEY of the open key
};

} // namespace morvane::platform
