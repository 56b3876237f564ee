#include <windows.h>

#include "platform/file_system.h"

#include <vector>

namespace morvane::platform {

bool FileExists(const std::string& name)
{
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string FullPath(const std::string& name)
{
    if (name.empty())
        return {};
    std::vector<char> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD length = GetFullPathNameA(name.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0)
            return {};
        if (length < buffer.size())
            return std::string(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

std::optional<std::string> FindEntryName(const std::string& fullPath)
{
    WIN32_FIND_DATAA found {};
    const HANDLE search = FindFirstFileA(fullPath.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return std::nullopt;
    FindClose(search);
    return std::string(found.cFileName);
}

std::string CurrentDirectory()
{
    const DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0)
        return {};
    std::vector<char> buffer(needed + 1);
    const DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0 || length >= buffer.size())
        return {};
    return std::string(buffer.data(), length);
}

std::string ProgramDirectory()
{
    std::vector<char> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size()) {
            const std::string exe(buffer.data(), length);
            const auto separator = exe.find_last_of("\\/");
            return separator == std::string::npos ? std::string() : exe.substr(0, separator);
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace morvane::platform
