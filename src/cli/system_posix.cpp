// morvane-cli's signals and descriptor names on POSIX systems.
#include "system.h"

#include "cli_io.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace morvane::cli {

namespace {

extern "C" void OnInterrupt(int signal) { Interrupted(signal); }

} // namespace

void ExitInHandler(int status) { ::_exit(status); }

bool IsClosed(int fd) { return ::fcntl(fd, F_GETFD) < 0 && errno == EBADF; }

void OpenNullDeviceAs(int fd)
{
    const int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (null >= 0 && null != fd) {
        ::dup2(null, fd);
        ::close(null);
    }
}

void RemoveTemporaryFilesOnInterrupt()
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
    ::signal(SIGXFSZ, SIG_IGN);
}

void RemoveFileInHandler(const char* name) { ::unlink(name); }

int DescriptorOfName(const std::string& name)
{
    const std::string ownFolder = "/proc/" + std::to_string(::getpid()) + "/fd/";
    std::string path = name;
    for (int hops = 0; hops < 40; ++hops) {
        if (path == "/dev/stdin")
            return 0;
        if (path == "/dev/stdout")
            return 1;
        if (path == "/dev/stderr")
            return 2;
        for (const std::string_view folder : {std::string_view("/dev/fd/"), std::string_view("/proc/self/fd/"),
                                              std::string_view("/proc/thread-self/fd/"), std::string_view(ownFolder)}) {
            if (path.size() > folder.size() && path.size() <= folder.size() + 9 &&
                path.compare(0, folder.size(), folder) == 0 &&
                path.find_first_not_of("0123456789", folder.size()) == std::string::npos)
                return std::atoi(path.c_str() + folder.size());
        }
        char link[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), link, sizeof link - 1);
        if (length < 0)
            return -1;
        const std::string next(link, static_cast<std::size_t>(length));
        const auto slash = path.rfind('/');
        path = next[0] == '/' || slash == std::string::npos ? next : path.substr(0, slash + 1) + next;
    }
    return -1;
}

} // namespace morvane::cli
