#include "platform/reg_file_store.h"

namespace morvane::platform {

std::unique_ptr<SettingsStore> CreateUserSettingsStore()
{
    return std::make_unique<RegFileStore>(UserSettingsPath());
}

} // namespace morvane::platform
