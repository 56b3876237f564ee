// morvane-cli: key generation, encoding and decoding without a window.
#include "cli_io.h"
#include "system.h"
#include "usage.h"

#include "core/encode_kernel.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace morvane::cli {
int RunKeygen(int argc, char** argv);
int RunEncode(int argc, char** argv);
#ifdef MORVANE_HAVE_DECODE
int RunDecode(int argc, char** argv);
#endif
} // namespace morvane::cli

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs(morvane::cli::kMainUsage, stderr);
        return 2;
    }
    morvane::cli::GuardStandardDescriptors();
    morvane::cli::RemoveTemporaryFilesOnInterrupt();
    const std::string_view command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(morvane::cli::kMainUsage, stdout);
        return 0;
    }
    if (command == "--version") {
        std::printf("morvane-cli %s\nencode path: %s\n", MORVANE_VERSION,
                    morvane::EncodePathName(morvane::WidestEncodePath()));
        return 0;
    }
    if (command == "keygen")
        return morvane::cli::RunKeygen(argc - 1, argv + 1);
    if (command == "encode")
        return morvane::cli::RunEncode(argc - 1, argv + 1);
#ifdef MORVANE_HAVE_DECODE
    if (command == "decode")
        return morvane::cli::RunDecode(argc - 1, argv + 1);
#endif
    std::fprintf(stderr, "morvane-cli: unknown command '%s'\n", argv[1]);
    std::fputs(morvane::cli::kMainUsage, stderr);
    return 2;
}
