#include "platform/shell_action.h"

#include "platform/file_system.h"

#include <sys/stat.h>
#include <unistd.h>

namespace morvane::platform {

namespace {

// "https:", "mailto:": letters first, then letters, digits, '+', '-' or '.'.
// One letter alone would be a drive letter, never a scheme.
bool HasScheme(const std::string& text)
{
    const auto colon = text.find(':');
    if (colon == std::string::npos || colon < 2)
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = text[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!letter && !(i > 0 && other))
            return false;
    }
    return true;
}

} // namespace

ShellTarget ChooseShellAction(const std::string& file, const std::string& directory)
{
    if (file.empty())
        return {};
    if (file[0] != '/' && HasScheme(file))
        return {ShellAction::OpenAddress, file};

    const std::string path = (file[0] != '/' && !directory.empty()) ? directory + "/" + file : file;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {ShellAction::Nothing, path};
    if (S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0)
        return {ShellAction::StartProgram, path};
    return {ShellAction::OpenDocument, path};
}

} // namespace morvane::platform
