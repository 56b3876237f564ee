// What morvane-cli takes from the operating system itself: its signal
// handling and the names of open descriptors. system_posix.cpp and
// system_win.cpp implement it.
#pragma once

#include <string>

namespace morvane::cli {

// When SIGINT, SIGTERM or SIGHUP ends the program, an unfinished output's
// temporary file is removed and the exit status is 128 + the signal's number.
// A signal that was ignored when the program started stays ignored.
void RemoveTemporaryFilesOnInterrupt();

// Removes one file from inside a signal handler.
void RemoveFileInHandler(const char* name);

// The descriptor that a name such as /dev/stdout, /dev/fd/3 or
// /proc/self/fd/3 stands for (through links to them too), or -1.
int DescriptorOfName(const std::string& name);

} // namespace morvane::cli
