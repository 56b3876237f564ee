// What the commands of morvane-cli share: option parsing, messages, the key,
// input and output.
#pragma once

#include "core/atomic_file.h"
#include "core/key_table.h"
#include "core/random.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace morvane::cli {

inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
// The size of the blocks in which inputs are read.
inline constexpr std::size_t kReadBlock = 1 << 20;

// A seed from 0 to 4294967295 in decimal digits (leading zeros allowed), or nothing.
std::optional<std::uint32_t> ParseSeed(std::string_view text);

// Prints "morvane-cli: NAME: CAUSE" on standard error; returns kExitFailure.
// The name "" or "-" stands for standard input or output, as the caller says.
int Fail(std::string_view name, std::string_view cause);
// The same with the system's text for an errno value as the cause.
int FailWithError(std::string_view name, int error);
// Prints the usage on standard error; returns kExitUsage.
int UsageError(std::string_view usage, std::string_view problem);

// When SIGINT, SIGTERM or SIGHUP ends the program, an unfinished output's
// temporary file is removed and the exit status is 128 + the signal's number.
// A signal that was ignored when the program started stays ignored.
void RemoveTemporaryFilesOnInterrupt();

// The options of the commands. file is the one name a command takes:
// INPUT for encode and decode, KEYFILE for keygen.
struct Options {
    std::string keyFile;
    std::string output;
    std::string file;
    std::optional<std::uint32_t> seed;
    bool raw = false;
    bool force = false;
};

// The random source at --seed, or seeded from the clock.
RandomSource SeededRandom(const Options& options);

// Which options a command takes.
enum Takes : unsigned { kTakesKey = 1, kTakesOutput = 2, kTakesSeed = 4, kTakesRaw = 8, kTakesForce = 16 };

// Parses the command's arguments; "--" ends the options. --key is required
// where it is taken. Returns nothing to go on, or the exit status (after
// --help, or a usage error).
std::optional<int> ParseOptions(int argc, char** argv, std::string_view usage, unsigned takes, Options& options);

// Which file a descriptor reads or writes, to tell when two names are one file.
struct FileId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileId&) const = default;
};

// A byte source: standard input for "" and "-"; the descriptor that a name
// such as /dev/stdin or /dev/fd/3 stands for; any other name opened for
// reading, whatever it is (a regular file, a named pipe, a device).
class Input {
public:
    Input() = default;
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;
    ~Input();

    bool Open(const std::string& name);
    // Bytes read into buffer, 0 at the end; -1 on a read error.
    long long Read(char* buffer, std::size_t size);
    // Hands the text to take in blocks, up to its first Ctrl-Z, until take
    // returns false. False on a read error.
    bool ReadText(const std::function<bool(std::string_view block)>& take);

    // The name for messages; the errno value of the failure.
    const std::string& name() const { return name_; }
    int error() const { return error_; }
    // The regular file being read, if it is one.
    std::optional<FileId> id() const;

private:
    int fd_ = -1;
    bool owned_ = false;
    int error_ = 0;
    std::string name_;
};

// What encode and decode work with: the key, the input and the output.
struct StreamRun {
    KeyTable table;
    std::uint8_t codeWidth = 0;
    Input in;
    AtomicFileWriter out;
};

// Loads the key (from any readable stream, as the encoder does), opens the
// input and then the output: standard output for "" and "-", else the file
// (devices, pipes and descriptor names in place). An output that is the key
// file or the input file, which it would destroy, is refused. Nothing when
// all is ready; else the exit status after its message.
std::optional<int> StartStreamRun(const Options& options, StreamRun& run);

// The name of an output for messages.
std::string OutputName(const std::string& name);

} // namespace morvane::cli
