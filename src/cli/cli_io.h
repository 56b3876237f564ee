// What the commands of morvane-cli share: option values, input and output.
#pragma once

#include "core/atomic_file.h"
#include "core/key_table.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace morvane::cli {

inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
// The size of the blocks in which inputs are read.
inline constexpr std::size_t kReadBlock = 1 << 20;

// A seed from 0 to 4294967295 in decimal, or nothing.
std::optional<std::uint32_t> ParseSeed(std::string_view text);

// Prints the message as one line on standard error; returns kExitFailure.
int Fail(std::string_view message);
// Prints the usage on standard error; returns kExitUsage.
int UsageError(std::string_view usage, std::string_view problem);

// The options of the commands that read a key and turn one stream into another.
struct StreamOptions {
    std::string keyFile;
    std::string output;
    std::string input;
    std::optional<std::uint32_t> seed; // --seed, where the command takes it
    bool raw = false;                  // --raw, where the command takes it
};

// Parses "--key KEYFILE [--seed N] [--raw] [-o OUTPUT] [INPUT]"; the flags
// say which of --seed and --raw the command takes. Returns nothing to go
// on, or the exit status (after --help, or a usage error).
std::optional<int> ParseStreamOptions(int argc, char** argv, std::string_view usage, bool takesSeed,
                                      bool takesRaw, StreamOptions& options);

// Loads the key as the encoder does. Nothing when it loaded; else the exit
// status after its message.
std::optional<int> LoadKey(const std::string& keyFile, KeyTable& table, std::uint8_t& codeWidth);

// A byte source: a named regular file, or standard input for "" and "-".
class Input {
public:
    // False when the named file cannot be opened as a regular file.
    bool Open(const std::string& name);
    // Bytes read into buffer, 0 at the end; -1 on a read error.
    long long Read(char* buffer, std::size_t size);
    // Hands the text to take in blocks, up to its first Ctrl-Z, until take
    // returns false. False on a read error.
    bool ReadText(const std::function<bool(std::string_view block)>& take);
    ~Input();

private:
    std::FILE* file_ = nullptr;
    bool owned_ = false;
};

// A byte sink: a file written atomically, or standard output for "" and "-".
// A name that is a device or a pipe (/dev/null, /dev/stdout) has nothing to
// replace and is written in place.
class Output {
public:
    bool Open(const std::string& name);
    void Write(std::string_view bytes);
    // Finishes the output; false when anything failed.
    bool Close();
    ~Output();

private:
    AtomicFileWriter file_;
    std::FILE* stream_ = nullptr; // standard output, or a device or pipe
    bool owned_ = false;
    bool failed_ = false;
};

} // namespace morvane::cli
