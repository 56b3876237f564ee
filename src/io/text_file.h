// Reading files as plain bytes.
#pragma once

#include <cstddef>
#include <limits>
#include <string>

namespace morvane {

inline constexpr const char* kOpenFailed = "Unable to open the file.";
inline constexpr char kCtrlZ = 26;

// True for a regular file (links followed); false for folders, devices,
// pipes, sockets and names that do not exist.
bool IsRegularFile(const std::string& name);

enum class ReadStatus { Ok, NotFound, ReadError, OutOfMemory };

// Reads at most maxBytes of a regular file in large blocks, into a string no
// larger than the file. A name that is no regular file, or that cannot be
// opened, gives NotFound; out then is empty.
// With stopAtCtrlZ the bytes end before the first Ctrl-Z.
ReadStatus ReadRegularFile(const std::string& name, std::string& out,
                           std::size_t maxBytes = std::numeric_limits<std::size_t>::max(),
                           bool stopAtCtrlZ = false);

// The reading of a text file: the bytes of a regular file up to its first
// Ctrl-Z, unchanged. False (text emptied) when the file cannot be opened or
// read, is not a regular file, or does not fit into memory.
bool ReadTextFile(const std::string& name, std::string& text);

} // namespace morvane
