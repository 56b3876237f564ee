#include "platform/user_settings.h"

#include "io/text_file.h"
#include "platform/reg_file_store.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <vector>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvane::platform {

namespace {

std::vector<std::string> SystemConfigFolders()
{
    const char* listed = std::getenv("XDG_CONFIG_DIRS");
    if (!listed || !*listed)
        return {"/etc/xdg"};
    std::vector<std::string> folders;
    std::istringstream list(listed);
    for (std::string folder; std::getline(list, folder, ':');) {
        if (!folder.empty() && folder.front() == '/')
            folders.push_back(folder);
    }
    return folders;
}

// Creates each missing folder of the path with mode 0700.
bool MakeFolders(const std::string& folder)
{
    for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
        const std::string part = folder.substr(0, end);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (end == std::string::npos)
            return true;
    }
}

} // namespace

std::string UserSettingsPath()
{
    if (const char* named = std::getenv("MORVANE_SETTINGS"); named && *named)
        return named;
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG rules say.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return std::string(config) + "/morvane/settings.reg";
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        if (const passwd* user = ::getpwuid(::getuid()))
            home = user->pw_dir;
    }
    return std::string(home ? home : "") + "/.config/morvane/settings.reg";
}

bool CopySystemDefaultSettings(const std::string& userFile)
{
    struct stat st {};
    if (userFile.empty() || ::lstat(userFile.c_str(), &st) == 0 || errno != ENOENT)
        return false;
    for (const std::string& folder : SystemConfigFolders()) {
        const std::string candidate = folder + "/morvane/settings.reg";
        if (::stat(candidate.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        std::string bytes;
        if (io::ReadRegularFile(candidate, bytes) != io::ReadStatus::Ok)
            return false;
        const auto slash = userFile.find_last_of('/');
        if (slash != std::string::npos && slash > 0 && !MakeFolders(userFile.substr(0, slash)))
            return false;
        io::WriteOptions options;
        options.keepExisting = true; // never over a file that appeared meanwhile
        return io::WriteFileAtomically(userFile, bytes, options);
    }
    return false;
}

std::unique_ptr<SettingsStore> CreateUserSettingsStore()
{
    const std::string file = UserSettingsPath();
    // A file named by MORVANE_SETTINGS is the caller's own choice, used as
    // it is: only the default place receives the system's default.
    if (const char* named = std::getenv("MORVANE_SETTINGS"); !named || !*named)
        CopySystemDefaultSettings(file);
    return std::make_unique<RegFileStore>(file);
}

} // namespace morvane::platform
