#include "cli_io.h"

#include "core/key_generator.h"

#include <filesystem>
#include <system_error>

namespace morvane::cli {

namespace {

constexpr const char* kUsage =
    "usage: morvane-cli keygen [--seed N] [--force] KEYFILE\n"
    "\n"
    "Generates a new key (7910 distinct numbers from 1000 to 9998) and writes it\n"
    "to KEYFILE. An existing KEYFILE is replaced only with --force: a lost key\n"
    "loses every text encoded with it.\n"
    "\n"
    "  --seed N   start the random source at N (0 to 4294967295); default: the clock\n"
    "  --force    replace an existing KEYFILE\n";

} // namespace

int RunKeygen(int argc, char** argv)
{
    std::optional<std::uint32_t> seed;
    bool force = false;
    std::string keyFile;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--force") {
            force = true;
        } else if (arg == "--seed") {
            if (++i == argc || !(seed = ParseSeed(argv[i])))
                return UsageError(kUsage, "--seed takes a number from 0 to 4294967295");
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError(kUsage, "unknown option " + std::string(arg));
        } else if (keyFile.empty()) {
            keyFile = arg;
        } else {
            return UsageError(kUsage, "only one KEYFILE may be given");
        }
    }
    if (keyFile.empty())
        return UsageError(kUsage, "KEYFILE is missing");

    std::error_code error;
    const auto status = std::filesystem::symlink_status(keyFile, error);
    if (std::filesystem::exists(status) && !force)
        return Fail("The key file " + keyFile + " exists already; use --force to replace it.");

    RandomSource random;
    if (seed)
        random.RandomState = *seed;
    else
        SeedRandom(random, std::chrono::system_clock::now());
    KeyTable table;
    GenerateKey(random, table);
    const KeyWriteResult written = WriteKeyFile(keyFile, table);
    if (!written.ok)
        return Fail(written.message);
    return 0;
}

} // namespace morvane::cli
