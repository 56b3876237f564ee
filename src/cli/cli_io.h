// What the commands of morvane-cli share: option parsing, messages, the key,
// input and output, and the one loop that streams a run.
#pragma once

#include "core/key_table.h"
#include "core/random.h"
#include "io/atomic_file.h"
#include "io/input_file.h"

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
int Fail(std::string_view name, std::string_view cause);
// The same with the system's text for an errno value as the cause.
int FailWithError(std::string_view name, int error);
// Prints the usage on standard error; returns kExitUsage.
int UsageError(std::string_view usage, std::string_view problem);

// The temporary files of the outputs being written, for the signal handler.
io::TemporaryFiles& PendingTemporaryFiles();
// What a signal that ends the program does: removes those files and exits
// with 128 + the signal's number; while signals are held, it is noted only.
void Interrupted(int signal);

// Holds back the ending signals while an output is committed: from the
// rename on, the run counts as done, and a signal that came meanwhile is
// dropped when the program then exits. Release hands it on (the commit failed).
class HeldSignals {
public:
    HeldSignals();
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;
    void Release();
};

// A name as messages show it: as it is, or in the shell's $'...' quoting
// when it holds control characters, so that every message is one line.
std::string Quoted(std::string_view name);

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

// A byte source: standard input for "" and "-"; the descriptor that a name
// such as /dev/stdin or /dev/fd/3 stands for; any other name opened for
// reading, whatever it is (a regular file, a named pipe, a device).
struct Input {
    bool Open(const std::string& name);
    // Hands the text to take in blocks, up to its first Ctrl-Z, until take
    // returns false. False on a read error.
    bool ReadText(const std::function<bool(std::string_view block)>& take);

    io::InputFile file;
    std::string name; // for messages
};

// Opens an output: standard output for "" and "-", the descriptor a name
// such as /dev/stdout stands for, else the file with the options given
// (streams in place, a file that cannot be replaced staged and copied over
// it). Returns 0, or the errno value of the failure.
int OpenOutput(const std::string& name, io::AtomicFileWriter& out, io::WriteOptions options);

// What encode and decode work with: the key, the input and the output.
struct StreamRun {
    Options options;
    KeyTable table;
    std::uint8_t codeWidth = 0;
    Input in;
    io::AtomicFileWriter out;
};

// Parses the options, loads the key (from any readable stream, as the
// encoder does), opens the input and then the output (devices, pipes and
// descriptor names in place). An output that is the key file or the input
// file, which it would destroy, is refused. Nothing when all is ready; else
// the exit status after its message (0 after --help).
std::optional<int> StartStreamRun(int argc, char** argv, std::string_view usage, unsigned takes, StreamRun& run);
// A command of encode's and decode's kind: StartStreamRun, then body with the run.
int RunStreamCommand(int argc, char** argv, std::string_view usage, unsigned takes,
                     const std::function<int(StreamRun& run)>& body);

// The one loop of encode and decode: reads the input block by block up to
// its first Ctrl-Z, hands each block to convert with the writer of the
// output, then asks finish and commits. Each failure is blamed where it
// arose: a read on the input, a fault of the input (fault() says which) on
// the input, a write or the commit on the output. Returns the exit status.
using WriteBytes = std::function<bool(std::string_view bytes)>;
struct Conversion {
    std::function<bool(std::string_view block, const WriteBytes& write)> convert;
    std::function<bool()> finish = [] { return true; };
    std::function<std::string()> fault = [] { return std::string(); };
};
int RunStream(StreamRun& run, const Conversion& conversion);

} // namespace morvane::cli
