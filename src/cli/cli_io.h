// What the commands of morvane-cli share: option values, input and output.
#pragma once

#include "core/atomic_file.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace morvane::cli {

inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// A seed from 0 to 4294967295 in decimal, or nothing.
std::optional<std::uint32_t> ParseSeed(std::string_view text);

// Prints the message as one line on standard error; returns kExitFailure.
int Fail(std::string_view message);
// Prints the usage on standard error; returns kExitUsage.
int UsageError(std::string_view usage, std::string_view problem);

// A byte source: a named regular file, or standard input for "" and "-".
class Input {
public:
    // False when the named file cannot be opened as a regular file.
    bool Open(const std::string& name);
    // Bytes read into buffer, 0 at the end; -1 on a read error.
    long long Read(char* buffer, std::size_t size);
    ~Input();

private:
    std::FILE* file_ = nullptr;
    bool owned_ = false;
};

// A byte sink: a file written atomically, or standard output for "" and "-".
class Output {
public:
    bool Open(const std::string& name);
    void Write(std::string_view bytes);
    // Finishes the output; false when anything failed.
    bool Close();

private:
    AtomicFileWriter file_;
    bool toFile_ = false;
    bool failed_ = false;
};

} // namespace morvane::cli
