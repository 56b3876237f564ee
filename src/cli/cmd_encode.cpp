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
    StreamOptions options;
    if (const auto status = ParseStreamOptions(argc, argv, kUsage, true, false, options))
        return *status;

    auto table = std::make_unique<KeyTable>();
    std::uint8_t codeWidth = 0;
    std::optional<FileId> keyId;
    if (const auto status = LoadKey(options.keyFile, *table, codeWidth, keyId))
        return *status;

    Input in;
    if (!in.Open(options.input))
        return FailWithError(in.name(), in.error());
    AtomicFileWriter out;
    if (const auto status = OpenOutput(out, options.output, keyId, in.id()))
        return *status;

    RandomSource random;
    if (options.seed)
        random.RandomState = *options.seed;
    else
        SeedRandom(random, std::chrono::system_clock::now());

    // The header goes before the first character; an empty text gives an
    // empty code. Each block is encoded and written a quarter at a time, so
    // that the code stays in the processor's caches. A failed write ends the
    // run at once.
    constexpr std::size_t kSlice = kReadBlock / 4;
    const auto encoder = std::make_unique<Encoder>(*table, codeWidth);
    std::string code;
    bool started = false;
    const bool read = in.ReadText([&](std::string_view text) {
        for (std::size_t at = 0; at < text.size(); at += kSlice) {
            code.clear();
            if (!started) {
                code = encoder->Header();
                started = true;
            }
            encoder->EncodeChunk(text.substr(at, kSlice), random, code);
            if (!out.Write(code))
                return false;
        }
        return true;
    });
    if (!read)
        return FailWithError(in.name(), in.error());
    if (!out.Commit())
        return FailWithError(OutputName(options.output), out.error());
    return 0;
}

} // namespace morvane::cli
