// morvane-cli's signals and descriptor names on Windows.
#include "system.h"

#include "cli_io.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>

namespace morvane::cli {

namespace {

extern "C" void OnInterrupt(int signal) { Interrupted(signal); }

} // namespace

void ExitInHandler(int status) { std::_Exit(status); }

bool IsClosed(int fd) { return _get_osfhandle(fd) == -1; }

void OpenNullDeviceAs(int fd)
{
    const int null = _open("NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
    if (null >= 0 && null != fd) {
        _dup2(null, fd);
        _close(null);
    }
}

// Ctrl-C, Ctrl-Break and termination requests of the console. Windows has
// no file size limit signal: a write past a quota fails by itself.
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
