#include "platform/platform.h"

#include "platform/qt_clipboard.h"
#include "platform/qt_failure_box.h"
#include "platform/qt_file_dialogs.h"

namespace morvane::platform {

struct SystemPlatform::Parts {
    QtFileDialogs dialogs;
    QtClipboard clipboard;
    std::unique_ptr<Shell> shell = CreateSystemShell();
    SystemClock clock;
    QtFailureBox failureBox;
};

SystemPlatform::SystemPlatform() : parts_(std::make_unique<Parts>())
{
    platform_.dialogs = &parts_->dialogs;
    platform_.clipboard = &parts_->clipboard;
    platform_.shell = parts_->shell.get();
    platform_.clock = &parts_->clock;
    platform_.failureBox = &parts_->failureBox;
    platform_.createSettings = [] { return CreateUserSettingsStore(); };
}

SystemPlatform::~SystemPlatform() = default;

} // namespace morvane::platform
