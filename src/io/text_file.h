// Reading text files as plain bytes, and saving a code.
#pragma once

#include "io/atomic_file.h"

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>

namespace morvane::io {

inline constexpr const char* kOpenFailed = "Unable to open the file.";
inline constexpr const char* kSaveFailed = "Unable to save the file.";

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

// Writes a code (or a decoded text) to the file atomically; "Unable to save
// the file." on failure, with an existing file left whole.
bool SaveCode(const std::string& name, std::string_view code, std::string& message);

// The options of every save the windows make: a file of the user's in a
// folder that takes no new file is written in place, as any program would.
const WriteOptions& WindowSaveOptions();

} // namespace morvane::io
