// What the file writer and the reader take from the operating system, one
// function each; atomic_file_posix.cpp and atomic_file_win.cpp (and the
// input_file files) implement them. Failures leave their cause in errno.
#pragma once

#include <cstddef>
#include <string>

namespace morvane::io::os {

enum class Kind { Missing, Folder, Regular, Other };

// What stands under a name (links followed), and what a replacement keeps.
struct FileFacts {
    Kind kind = Kind::Missing;
    unsigned owner = 0, group = 0, mode = 0;
};

// False (with errno) when the name cannot be examined; a missing name is Missing.
bool Examine(const std::string& name, FileFacts& facts);

int OpenNew(const std::string& name, unsigned mode);
int OpenForWriting(const std::string& name, bool nonBlocking);
// Bytes written, or -1.
long WriteSome(int fd, const char* data, std::size_t size);
bool Sync(int fd);
int Close(int fd);
bool Truncate(int fd, long long size);
// The final step: a plain rename, or with keepExisting one that refuses an existing name.
bool Rename(const std::string& from, const std::string& to, bool keepExisting);
// A replacement keeps the owner (where the writer may give it) and the mode.
void KeepOwnerAndMode(int fd, const FileFacts& old);
// Whether a failed create says that the folder takes no new file.
bool FolderTakesNoFile(int error);
// Writing through a link replaces the file it points to, not the link.
std::string ResolveLink(const std::string& name);
// A copy of a descriptor, not inherited by child programs.
int CopyDescriptor(int fd);
int Remove(const char* name);
// Whether the folder would refuse to rename another file over this existing
// one although it takes new files: a sticky folder (such as the system's
// temporary folder) where neither the file nor the folder is ours.
bool RenameOverRefused(const std::string& target, const FileFacts& old);
// An anonymous file in the temporary folder ($TMPDIR), for reading and
// writing, that disappears when it is closed or the program ends.
int OpenStaging();
// Bytes read from the start of fd after Rewind, 0 at the end, or -1.
bool Rewind(int fd);
long ReadSome(int fd, char* data, std::size_t size);

} // namespace morvane::io::os
