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
// The name (without its folder) of the folder entry that the path's last
// component selects: that name itself when it holds no "*" or "?" and an
// entry has it, else the first entry by name that matches it (on Windows, the
// entry as the file system stores it). Folders count too.
std::optional<std::string> FindEntryName(const std::string& fullPath);
// The name rule of that search: "*" matches any run of characters, "?" any
// one character, every other character itself.
bool MatchesWildcards(std::string_view pattern, std::string_view name);
std::string CurrentDirectory();
// The folder of the running program.
std::string ProgramDirectory();

} // namespace morvane::platform
