// Everything the programs take from the operating system, in one bundle that
// the program body hands to its windows. Tests hand in scripted fakes.
#pragma once

#include "clipboard.h"
#include "clock.h"
#include "failure.h"
#include "file_dialogs.h"
#include "settings_store.h"
#include "shell.h"

#include "io/text_file.h"

#include <functional>
#include <memory>

namespace morvane::platform {

struct Platform {
    FileDialogs* dialogs = nullptr;
    Clipboard* clipboard = nullptr;
    Shell* shell = nullptr;
    Clock* clock = nullptr;
    FailureBox* failureBox = nullptr;
    std::function<std::unique_ptr<SettingsStore>()> createSettings;
    // Reads a text file: its bytes up to the first Ctrl-Z.
    std::function<io::ReadStatus(const std::string& name, std::string& text)> readTextFile =
        [](const std::string& name, std::string& text) {
            return io::ReadRegularFile(name, text, std::numeric_limits<std::size_t>::max(), true);
        };
};

// The real platform: Qt dialogs, clipboard and message box, the system shell,
// clock and settings store. Lives as long as the returned object.
class SystemPlatform {
public:
    SystemPlatform();
    ~SystemPlatform();
    Platform& get() { return platform_; }

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
    Platform platform_;
};

} // namespace morvane::platform
