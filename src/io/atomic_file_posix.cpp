// The writer's operating-system steps on POSIX systems.
#include "io/os_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvane::io::os {

bool Examine(const std::string& name, FileFacts& facts)
{
    struct stat st {};
    facts = {};
    if (::stat(name.c_str(), &st) != 0)
        return errno == ENOENT;
    facts.kind = S_ISDIR(st.st_mode) ? Kind::Folder : S_ISREG(st.st_mode) ? Kind::Regular : Kind::Other;
    facts.owner = st.st_uid;
    facts.group = st.st_gid;
    facts.mode = st.st_mode & 07777;
    return true;
}

int OpenNew(const std::string& name, unsigned mode)
{
    return ::open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOCTTY, static_cast<mode_t>(mode));
}

int OpenForWriting(const std::string& name, bool nonBlocking)
{
    return ::open(name.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | (nonBlocking ? O_NONBLOCK : 0));
}

long WriteSome(int fd, const char* data, std::size_t size) { return ::write(fd, data, size); }
bool Sync(int fd) { return ::fsync(fd) == 0; }
int Close(int fd) { return ::close(fd); }
bool Truncate(int fd, long long size) { return ::ftruncate(fd, size) == 0; }
int Remove(const char* name) { return ::unlink(name); }

// Where the file system cannot rename without replacing, a hard link does
// it; where it has no hard links either, the name is claimed first by an
// exclusive create, and the rename then replaces only that empty claim.
bool Rename(const std::string& from, const std::string& to, bool keepExisting)
{
    if (!keepExisting)
        return ::rename(from.c_str(), to.c_str()) == 0;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return false;
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno == EEXIST)
        return false;
    const int claim = ::open(to.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (claim < 0)
        return false;
    ::close(claim);
    if (::rename(from.c_str(), to.c_str()) == 0)
        return true;
    const int error = errno;
    ::unlink(to.c_str());
    errno = error;
    return false;
}

void KeepOwnerAndMode(int fd, const FileFacts& old)
{
    if (::fchown(fd, old.owner, old.group) != 0) {
        // A writer that may not give the file to its old owner keeps it as its own.
    }
    (void)::fchmod(fd, old.mode);
}

bool FolderTakesNoFile(int error) { return error == EACCES || error == EPERM || error == EROFS; }

// A dangling link too, as the shell's ">" writes through it: the file it
// names is created and the link stays.
std::string ResolveLink(const std::string& name)
{
    std::string path = name;
    struct stat st {};
    for (int hops = 0; hops < 40 && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode); ++hops) {
        char link[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), link, sizeof link - 1);
        if (length <= 0)
            break;
        const std::string next(link, static_cast<std::size_t>(length));
        const auto slash = path.rfind('/');
        path = next[0] == '/' || slash == std::string::npos ? next : path.substr(0, slash + 1) + next;
    }
    return path;
}

int CopyDescriptor(int fd) { return ::fcntl(fd, F_DUPFD_CLOEXEC, 3); }

bool RenameOverRefused(const std::string& target, const FileFacts& old)
{
    const auto slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    struct stat st {};
    const uid_t self = ::geteuid();
    // The owner of the file system's objects (root) may rename anything.
    return ::stat(folder.c_str(), &st) == 0 && (st.st_mode & S_ISVTX) && self != 0 && st.st_uid != self &&
           old.owner != self;
}

int OpenStaging()
{
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder = tmp && *tmp ? tmp : "/tmp";
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
    // A file system without unnamed files: a named one, removed at once.
    std::string name = folder + "/.morvane-XXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0)
        ::unlink(name.c_str());
    return named;
}

bool Rewind(int fd) { return ::lseek(fd, 0, SEEK_SET) == 0; }
long ReadSome(int fd, char* data, std::size_t size) { return ::read(fd, data, size); }

} // namespace morvane::io::os
