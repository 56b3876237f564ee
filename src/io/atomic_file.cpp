#include "atomic_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <climits>
#include <unistd.h>
#endif

namespace morvane {

namespace {

// The longest name of one folder entry that common file systems take.
constexpr std::size_t kLongestEntry = 255;
constexpr std::string_view kTempSuffix = ".XXXXXX";

#ifdef _WIN32

int OpenNew(const std::string& name, unsigned /*mode*/)
{
    return _open(name.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}
int OpenForWriting(const std::string& name, bool = false)
{
    return _open(name.c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT);
}
long WriteSome(int fd, const char* data, std::size_t size)
{
    return _write(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}
bool Sync(int fd) { return _commit(fd) == 0; }
int Close(int fd) { return _close(fd); }
bool Truncate(int fd, long long size) { return _chsize_s(fd, size) == 0; }
bool Rename(const std::string& from, const std::string& to, bool keepExisting)
{
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (keepExisting ? 0 : MOVEFILE_REPLACE_EXISTING);
    if (MoveFileExA(from.c_str(), to.c_str(), flags))
        return true;
    const DWORD code = GetLastError();
    errno = code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS ? EEXIST : EACCES;
    return false;
}
void KeepOwnerAndMode(int, const struct stat&) {}
bool FolderTakesNoFile(int) { return false; }
std::string ResolveLink(const std::string& name) { return name; }
int CopyDescriptor(int fd) { return _dup(fd); }

#else

int OpenNew(const std::string& name, unsigned mode)
{
    return ::open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOCTTY, static_cast<mode_t>(mode));
}
int OpenForWriting(const std::string& name, bool nonBlocking = false)
{
    return ::open(name.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | (nonBlocking ? O_NONBLOCK : 0));
}
long WriteSome(int fd, const char* data, std::size_t size) { return ::write(fd, data, size); }
bool Sync(int fd) { return ::fsync(fd) == 0; }
int Close(int fd) { return ::close(fd); }
bool Truncate(int fd, long long size) { return ::ftruncate(fd, size) == 0; }

// The final step: a plain rename, or one that refuses an existing name.
// Where the file system cannot rename that way, a hard link does it; where
// it has no hard links either, the name is claimed first by an exclusive
// create, and the rename then replaces only that empty claim.
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

// A replacement keeps the owner (where the writer may give it) and the mode
// of the file it replaces.
void KeepOwnerAndMode(int fd, const struct stat& old)
{
    (void)::fchown(fd, old.st_uid, old.st_gid);
    (void)::fchmod(fd, old.st_mode & 07777);
}

bool FolderTakesNoFile(int error) { return error == EACCES || error == EPERM || error == EROFS; }

// Writing through a link replaces the file it points to, not the link.
std::string ResolveLink(const std::string& name)
{
    struct stat st {};
    if (::lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(name.c_str(), nullptr)) {
            std::string resolved(real);
            std::free(real);
            return resolved;
        }
    }
    return name;
}

int CopyDescriptor(int fd) { return ::fcntl(fd, F_DUPFD_CLOEXEC, 3); }

#endif

// A name beside the target that fits into one folder entry however long the
// target's own name is: a dot, the name (shortened), a dot and six letters.
std::string TemporaryName(const std::string& target, std::uint64_t seed)
{
    const auto slash = target.find_last_of("/\\");
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t room = kLongestEntry - 1 - kTempSuffix.size();
    std::string name = target.substr(0, start) + "." + target.substr(start, room) + ".";
    for (int i = 0; i < 6; ++i, seed /= 26)
        name += static_cast<char>('a' + seed % 26);
    return name;
}

// The temporary files of unfinished writers, for a signal handler to remove.
// Each slot holds a writer's name while the writer keeps that string unchanged.
std::atomic<const char*> pendingTemporaries[8];

void Remember(const char* name)
{
    for (auto& slot : pendingTemporaries) {
        const char* empty = nullptr;
        if (slot.compare_exchange_strong(empty, name))
            return;
    }
}

void ForgetName(const char* name)
{
    for (auto& slot : pendingTemporaries) {
        const char* expected = name;
        slot.compare_exchange_strong(expected, nullptr);
    }
}

} // namespace

AtomicFileWriter::~AtomicFileWriter() { Abort(); }

bool AtomicFileWriter::Fail(int error)
{
    if (error_ == 0)
        error_ = error != 0 ? error : EIO;
    return false;
}

bool AtomicFileWriter::OpenDescriptor(int descriptor)
{
    Abort();
    error_ = 0;
    fd_ = CopyDescriptor(descriptor);
    return fd_ >= 0 || Fail(errno);
}

bool AtomicFileWriter::Open(const std::string& target, const WriteOptions& options)
{
    Abort();
    error_ = 0;
    written_ = 0;
    truncateAtEnd_ = false;
    keepExisting_ = options.keepExisting;
    if (target.empty())
        return Fail(ENOENT);
    if (const int descriptor = DescriptorOfName(target); descriptor >= 0) {
        // Never replace the file that a descriptor's name leads to.
        if (!options.streamsInPlace)
            return Fail(EINVAL);
        return OpenDescriptor(descriptor);
    }

    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT)
        return Fail(errno);
    int probe = -1;
    if (exists) {
        if (S_ISDIR(old.st_mode))
            return Fail(EISDIR);
        if ((old.st_mode & S_IFMT) != S_IFREG) {
            if (!options.streamsInPlace)
                return Fail(EINVAL);
            fd_ = OpenForWriting(target);
            return fd_ >= 0 || Fail(errno);
        }
        if (options.keepExisting)
            return Fail(EEXIST);
        // Refused exactly where a plain open for writing is refused.
        probe = OpenForWriting(target, true);
        if (probe < 0)
            return Fail(errno);
    }

    target_ = ResolveLink(target);
    auto seed = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                reinterpret_cast<std::uintptr_t>(this);
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temp_ = TemporaryName(target_, seed);
        // Known to the signal handler before it exists: a signal right after
        // the create must not leave the file behind.
        Remember(temp_.c_str());
        fd_ = OpenNew(temp_, exists ? 0600 : options.newFileMode);
        if (fd_ < 0)
            ForgetName(temp_.c_str());
        if (fd_ < 0 && errno != EEXIST)
            break;
        seed = seed * 6364136223846793005u + 1442695040888963407u;
    }
    if (fd_ < 0) {
        const int error = errno;
        temp_.clear();
        if (probe >= 0 && FolderTakesNoFile(error)) {
            fd_ = probe; // in place, as a plain program writes it
            truncateAtEnd_ = true;
            return true;
        }
        if (probe >= 0)
            Close(probe);
        return Fail(error);
    }
    if (probe >= 0) {
        KeepOwnerAndMode(fd_, old);
        Close(probe);
    }
    return true;
}

bool AtomicFileWriter::Write(std::string_view bytes)
{
    if (fd_ < 0 || error_ != 0)
        return Fail(EBADF);
    while (!bytes.empty()) {
        const long n = WriteSome(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Fail(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
        written_ += n;
    }
    return true;
}

bool AtomicFileWriter::Commit()
{
    if (fd_ < 0)
        return Fail(EBADF);
    const bool replacing = !temp_.empty();
    if (error_ == 0 && truncateAtEnd_ && !Truncate(fd_, written_))
        Fail(errno);
    // A stream (a pipe, a terminal) has nothing to sync.
    if (error_ == 0 && (replacing || truncateAtEnd_) && !Sync(fd_))
        Fail(errno);
    if (Close(fd_) != 0)
        Fail(errno);
    fd_ = -1;
    if (replacing) {
        if (error_ == 0 && !Rename(temp_, target_, keepExisting_))
            Fail(errno);
        if (error_ != 0)
            std::remove(temp_.c_str());
        Forget();
    }
    return error_ == 0;
}

void AtomicFileWriter::Abort()
{
    if (fd_ >= 0) {
        Close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        std::remove(temp_.c_str());
        Forget();
    }
}

void AtomicFileWriter::Forget()
{
    ForgetName(temp_.c_str());
    temp_.clear();
}

bool WriteFileAtomically(const std::string& target, std::string_view bytes, const WriteOptions& options)
{
    AtomicFileWriter writer;
    return writer.Open(target, options) && writer.Write(bytes) && writer.Commit();
}

void RemovePendingTemporaryFiles()
{
    for (auto& slot : pendingTemporaries) {
        if (const char* name = slot.load())
#ifdef _WIN32
            _unlink(name);
#else
            ::unlink(name);
#endif
    }
}

int DescriptorOfName(const std::string& name)
{
#ifdef _WIN32
    (void)name;
    return -1;
#else
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
#endif
}

} // namespace morvane
