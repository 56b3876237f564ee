// morvane-cli's signals and descriptor names on Windows.
#include "system.h"

#include "cli_io.h"

#include <csignal>
#include <cstdlib>
#include <io.h>

namespace morvane::cli {

namespace {

extern "C" void OnInterrupt(int signal)
{
    RemovePendingTemporaryFiles();
    std::_Exit(128 + signal);
}

} // namespace

// Ctrl-C, Ctrl-Break and termination requests of the console.
void RemoveTemporaryFilesOnInterrupt()
{
    for (const int signal : {SIGINT, SIGTERM, SIGBREAK})
        if (std::signal(signal, OnInterrupt) == SIG_IGN)
            std::signal(signal, SIG_IGN);
}

void RemoveFileInHandler(const char* name) { _unlink(name); }

// Windows has no names for open descriptors: every name is a file's.
int DescriptorOfName(const std::string&) { return -1; }

} // namespace morvane::cli
