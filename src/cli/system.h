// What morvane-cli takes from the operating system itself: its signal
// handling and the names of open descriptors. system_posix.cpp and
// system_win.cpp implement it.
#pragma once

#include <string>

namespace morvane::cli {

// When SIGINT, SIGTERM or SIGHUP ends the program, an unfinished output's
// temporary file is removed and the exit status is 128 + the signal's number
// (see Interrupted). A signal that was ignored when the program started stays
// ignored. A file grown past the size limit (SIGXFSZ) is a write failure.
void RemoveTemporaryFilesOnInterrupt();

// Removes one file, and ends the program, from inside a signal handler.
void RemoveFileInHandler(const char* name);
[[noreturn]] void ExitInHandler(int status);

// Standard input, output and error that were closed when the program
// started are noted and held open on the null device, so that no file the
// program opens takes their place; a run that reads or writes one of them
// fails with "Bad file descriptor".
void GuardStandardDescriptors();
bool ClosedAtStart(int fd);
// Whether a descriptor is closed; puts the null device on it.
bool IsClosed(int fd);
void OpenNullDeviceAs(int fd);

// The descriptor that a name such as /dev/stdout, /dev/fd/3 or
// /proc/self/fd/3 stands for (through links to them too), or -1.
int DescriptorOfName(const std::string& name);

} // namespace morvane::cli
