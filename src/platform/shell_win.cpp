#include <windows.h>
#include <shellapi.h>

#include "platform/shell.h"

namespace morvane::platform {

namespace {

class WindowsShell : public Shell {
public:
    void ShellOpen(void* owner, const std::string& file, const std::string& parameters,
                   const std::string& directory, int showCommand) override
    {
        // No operation: the shell's default action for the file or address.
        // Empty texts go as empty strings, never null. The result is not
        // examined.
        ShellExecuteA(static_cast<HWND>(owner), nullptr, file.c_str(), parameters.c_str(), directory.c_str(),
                      showCommand);
    }
};

} // namespace

std::unique_ptr<Shell> CreateSystemShell() { return std::make_unique<WindowsShell>(); }

} // namespace morvane::platform
