#include "cli_io.h"

#include "core/key_generator.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace morvane::cli {

namespace {

constexpr const char* kUsage =
    "usage: morvane-cli keygen [--seed N] [--force] [--] KEYFILE\n"
    "\n"
    "Generates a new key (7910 distinct numbers from 1000 to 9998) and writes it\n"
    "to KEYFILE, readable by its owner only. An existing KEYFILE is replaced only\n"
    "with --force: a lost key loses every text encoded with it.\n"
    "\n"
    "  --seed N   start the random source at N (0 to 4294967295); default: the clock\n"
    "  --force    replace an existing KEYFILE\n"
    "  --         end of the options\n";

constexpr const char* kExists = "the key file exists already; use --force to replace it";

} // namespace

int RunKeygen(int argc, char** argv)
{
    std::optional<std::uint32_t> seed;
    bool force = false;
    bool optionsEnded = false;
    std::string keyFile;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                optionsEnded = true;
            } else if (arg == "--help" || arg == "-h") {
                std::fputs(kUsage, stdout);
                return 0;
            } else if (arg == "--force") {
                force = true;
            } else if (arg == "--seed") {
                if (++i == argc || !(seed = ParseSeed(argv[i])))
                    return UsageError(kUsage, "--seed takes a number from 0 to 4294967295");
            } else {
                return UsageError(kUsage, "unknown option " + std::string(arg));
            }
        } else if (arg == "-") {
            return UsageError(kUsage, "a key is written to a file, not to standard output ('-')");
        } else if (keyFile.empty()) {
            keyFile = arg;
        } else {
            return UsageError(kUsage, "only one KEYFILE may be given");
        }
    }
    if (keyFile.empty())
        return UsageError(kUsage, "KEYFILE is missing");

    // Asked before the key is made; the final step refuses the name again,
    // should another program have created it meanwhile.
    std::error_code error;
    if (!force && std::filesystem::exists(std::filesystem::symlink_status(keyFile, error)))
        return Fail(keyFile, kExists);

    RandomSource random;
    if (seed)
        random.RandomState = *seed;
    else
        SeedRandom(random, std::chrono::system_clock::now());
    KeyTable table;
    GenerateKey(random, table);
    WriteOptions options;
    options.keepExisting = !force;
    options.streamsInPlace = true;
    const KeyWriteResult written = WriteKeyFile(keyFile, table, {}, options);
    if (!written.ok)
        return written.error == EEXIST && !force ? Fail(keyFile, kExists) : FailWithError(keyFile, written.error);
    return 0;
}

} // namespace morvane::cli
