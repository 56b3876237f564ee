// While it lives, this process's file writes fail as on a full disk (for root too): their size is limited.
#pragma once

#ifndef _WIN32 // Windows has no such limit: the cases that need it are skipped there
#include <csignal>
#include <sys/resource.h>

namespace morvane::testing {

struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes) : handler(std::signal(SIGXFSZ, SIG_IGN))
    {
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit limit{bytes, saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &saved), std::signal(SIGXFSZ, handler); }
    void (*handler)(int);
    rlimit saved{};
};

} // namespace morvane::testing

#endif
