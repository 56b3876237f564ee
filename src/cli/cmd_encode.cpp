#include "cli_io.h"

#include "core/encoder.h"

#include <memory>

namespace morvane::cli {

namespace {

constexpr const char* kUsage =
    "usage: morvane-cli encode --key KEYFILE [--seed N] [-o OUTPUT] [--] [INPUT]\n"
    "\n"
    "Encodes INPUT (standard input when absent or '-') with the key in KEYFILE\n"
    "and writes the code (no line end) to OUTPUT or standard output. INPUT and\n"
    "KEYFILE may be any readable file or stream, a named pipe among them. The\n"
    "input is read as plain bytes and ends at its first Ctrl-Z byte.\n"
    "\n"
    "  --key KEYFILE  the key file\n"
    "  --seed N       start the random source at N (0 to 4294967295); default: the clock\n"
    "  -o OUTPUT      write the code to OUTPUT, replacing it as a whole only when the\n"
    "                 code is complete; a device, a pipe or /dev/stdout is written into\n"
    "  --             end of the options\n";

} // namespace

int RunEncode(int argc, char** argv)
{
    const auto run = std::make_unique<StreamRun>();
    if (const auto status = StartStreamRun(argc, argv, kUsage, kTakesKey | kTakesOutput | kTakesSeed, *run))
        return *status;
    const Options& options = run->options;

    RandomSource random = SeededRandom(options);

    // The header goes before the first character; an empty text gives an
    // empty code. Each block is encoded and written a quarter at a time, so
    // that the code stays in the processor's caches.
    constexpr std::size_t kSlice = kReadBlock / 4;
    const auto encoder = std::make_unique<Encoder>(run->table, run->codeWidth);
    std::string code;
    bool started = false;
    return RunStream(*run, {[&](std::string_view text, const WriteBytes& write) {
        for (std::size_t at = 0; at < text.size(); at += kSlice) {
            code.clear();
            if (!started) {
                code = encoder->Header();
                started = true;
            }
            encoder->EncodeChunk(text.substr(at, kSlice), random, code);
            if (!write(code))
                return false;
        }
        return true;
    }});
}

} // namespace morvane::cli
