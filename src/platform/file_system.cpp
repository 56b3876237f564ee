#include "platform/file_system.h"

#include "io/input_file.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvane::platform {

bool FileExists(const std::string& name)
{
    return io::IsRegularFile(name);
}

std::string FullPath(const std::string& name)
{
    if (name.empty())
        return {};
    const std::string path = name[0] == '/' ? name : CurrentDirectory() + "/" + name;
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        auto slash = path.find('/', pos);
        if (slash == std::string::npos)
            slash = path.size();
        const std::string part = path.substr(pos, slash - pos);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = slash + 1;
    }
    std::string result;
    for (const auto& part : parts)
        result += "/" + part;
    return result.empty() ? "/" : result;
}

std::optional<std::string> FindEntryName(const std::string& fullPath)
{
    const auto slash = fullPath.rfind('/');
    const std::string pattern = slash == std::string::npos ? fullPath : fullPath.substr(slash + 1);
    const std::string folder =
        slash == std::string::npos ? std::string(".") : (slash == 0 ? std::string("/") : fullPath.substr(0, slash));
    if (pattern.empty())
        return std::nullopt;

    if (pattern.find_first_of("*?") == std::string::npos) {
        struct stat st {};
        if (::lstat(fullPath.c_str(), &st) != 0)
            return std::nullopt;
        return pattern;
    }

    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return std::nullopt;
    std::vector<std::string> matches;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && MatchesWildcards(pattern, name))
            matches.push_back(name);
    }
    ::closedir(dir);
    if (matches.empty())
        return std::nullopt;
    // Directory order differs between file systems: the first by name is
    // the same everywhere.
    return *std::min_element(matches.begin(), matches.end());
}

std::string CurrentDirectory()
{
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()))
            return buffer.data();
        if (errno != ERANGE)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string ProgramDirectory()
{
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return {};
        if (static_cast<std::size_t>(length) < buffer.size()) {
            const std::string exe(buffer.data(), static_cast<std::size_t>(length));
            const auto slash = exe.rfind('/');
            return slash == 0 ? std::string("/") : exe.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace morvane::platform
