#include "cli_io.h"
#include "usage.h"

#include "core/key_generator.h"
#include "io/key_file.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace morvane::cli {

namespace {

constexpr const char* kExists = "the key file exists already; use --force to replace it";

} // namespace

int RunKeygen(int argc, char** argv)
{
    Options options;
    if (const auto status = ParseOptions(argc, argv, kKeygenUsage, kTakesSeed | kTakesForce, options))
        return *status;
    const std::string& keyFile = options.file;
    if (keyFile.empty())
        return UsageError(kKeygenUsage, "KEYFILE is missing");
    if (keyFile == "-")
        return UsageError(kKeygenUsage, "a key is written to a file, not to standard output ('-')");
    const bool force = options.force;

    // Asked before the key is made; the final step refuses the name again,
    // should another program have created it meanwhile.
    std::error_code error;
    if (!force && std::filesystem::exists(std::filesystem::symlink_status(keyFile, error)))
        return Fail(keyFile, kExists);

    RandomSource random = SeededRandom(options);
    KeyTable table;
    GenerateKey(random, table);
    io::WriteOptions writeOptions;
    writeOptions.keepExisting = !force;
    writeOptions.newFileMode = 0600;
    io::AtomicFileWriter writer;
    if (const int failed = OpenOutput(keyFile, writer, writeOptions))
        return failed == EEXIST && !force ? Fail(keyFile, kExists) : FailWithError(keyFile, failed);
    HeldSignals held; // the key is written whole or not at all, and the exit status says which
    const io::KeyWriteResult written = io::WriteKeyFile(writer, table);
    if (!written.ok) {
        held.Release();
        return written.error == EEXIST && !force ? Fail(keyFile, kExists) : FailWithError(keyFile, written.error);
    }
    return 0;
}

} // namespace morvane::cli
