#include "cli_io.h"

#include "core/encoder.h"
#include "core/failure.h"
#include "core/text_file.h"

#include <cstring>
#include <memory>

namespace morvane::cli {

namespace {

constexpr const char* kUsage =
    "usage: morvane-cli encode --key KEYFILE [--seed N] [-o OUTPUT] [INPUT]\n"
    "\n"
    "Encodes INPUT (a file; standard input when absent or '-') with the key in\n"
    "KEYFILE and writes the code (no line end) to OUTPUT or standard output.\n"
    "The input is read as plain bytes and ends at its first Ctrl-Z byte.\n"
    "\n"
    "  --key KEYFILE  the key file\n"
    "  --seed N       start the random source at N (0 to 4294967295); default: the clock\n"
    "  -o OUTPUT      write the code to OUTPUT, replacing it as a whole\n";

constexpr std::size_t kBlock = 1 << 20;

} // namespace

int RunEncode(int argc, char** argv)
{
    std::optional<std::uint32_t> seed;
    std::string keyFile, output, input;
    bool haveInput = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--key") {
            if (++i == argc)
                return UsageError(kUsage, "--key needs a file name");
            keyFile = argv[i];
        } else if (arg == "-o" || arg == "--output") {
            if (++i == argc)
                return UsageError(kUsage, "-o needs a file name");
            output = argv[i];
        } else if (arg == "--seed") {
            if (++i == argc || !(seed = ParseSeed(argv[i])))
                return UsageError(kUsage, "--seed takes a number from 0 to 4294967295");
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError(kUsage, "unknown option " + std::string(arg));
        } else if (!haveInput) {
            input = arg;
            haveInput = true;
        } else {
            return UsageError(kUsage, "only one INPUT may be given");
        }
    }
    if (keyFile.empty())
        return UsageError(kUsage, "--key KEYFILE is required");

    auto table = std::make_unique<KeyTable>();
    std::uint8_t codeWidth = 0;
    try {
        const KeyLoadResult loaded = LoadKeyFile(keyFile, *table, codeWidth);
        if (!loaded.ok)
            return Fail(loaded.message);
    } catch (const Failure& failure) {
        return Fail(WithFullStop(failure.what()));
    }

    Input in;
    if (!in.Open(input))
        return Fail(kOpenFailed);
    Output out;
    if (!out.Open(output))
        return Fail(kSaveFailed);

    RandomSource random;
    if (seed)
        random.RandomState = *seed;
    else
        SeedRandom(random, std::chrono::system_clock::now());

    const auto encoder = std::make_unique<Encoder>(*table, codeWidth);
    const auto buffer = std::make_unique<char[]>(kBlock);
    std::string code;
    code.reserve(kBlock * encoder->LongestNumber() + 8);
    bool started = false;
    for (;;) {
        const long long n = in.Read(buffer.get(), kBlock);
        if (n < 0)
            return Fail(kOpenFailed);
        if (n == 0)
            break;
        std::string_view text(buffer.get(), static_cast<std::size_t>(n));
        const void* ctrlZ = std::memchr(text.data(), kCtrlZ, text.size());
        if (ctrlZ)
            text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(ctrlZ) - text.data()));
        code.clear();
        if (!started && !text.empty()) {
            code = encoder->Header();
            started = true;
        }
        encoder->EncodeChunk(text, random, code);
        out.Write(code);
        if (ctrlZ)
            break;
    }
    if (!out.Close())
        return Fail(kSaveFailed);
    return 0;
}

} // namespace morvane::cli
