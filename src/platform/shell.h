// Handing a program, a web address or a mail link to the desktop.
#pragma once

#include <memory>
#include <string>

namespace morvane::platform {

inline constexpr int kSwHide = 0;

class Shell {
public:
    virtual ~Shell() = default;
    // A program file is started directly (never through a shell command
    // line); anything else goes to the desktop's handler for it. The owner is
    // the native handle of the window that asks (on Windows, the parent of
    // any message the shell shows). The outcome is not reported.
    virtual void ShellOpen(void* owner, const std::string& file, const std::string& parameters,
                           const std::string& directory, int showCommand) = 0;
};

std::unique_ptr<Shell> CreateSystemShell();

} // namespace morvane::platform
