// File-system helpers with the meanings the program relies on. Paths are
// native byte strings (UTF-8 on Linux, the ANSI code page on Windows).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace morvane::platform {

// A regular file (links followed); folders, devices, pipes and sockets do not count.
bool FileExists(const std::string& name);
// The name made absolute against the current directory ("." and ".." folded).
std::string FullPath(const std::string& name);
// The directory search for an entry's true name: the name of the first entry
// that matches the last component (which may hold "*" and "?"), as the file
// system stores it, without its folder. Folders match too.
std::optional<std::string> TrueName(const std::string& fullPath);
// The name rule of that search: "*" matches any run of characters, "?" any
// one character, every other character itself.
bool MatchesWildcards(std::string_view pattern, std::string_view name);
std::string CurrentDirectory();
bool SetCurrentDirectory(const std::string& dir);
// The folder of the running program.
std::string ProgramDirectory();

} // namespace morvane::platform
