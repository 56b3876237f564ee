// The reader on POSIX systems.
#include "io/input_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvane::io {

namespace {

std::optional<FileId> IdOf(int status, const struct stat& st)
{
    if (status != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

} // namespace

bool IsRegularFile(const std::string& name)
{
    struct stat st {};
    return !name.empty() && ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<FileId> IdOfDescriptor(int fd)
{
    struct stat st {};
    return IdOf(::fstat(fd, &st), st);
}

std::optional<FileId> IdOfName(const std::string& name)
{
    struct stat st {};
    return IdOf(::stat(name.c_str(), &st), st);
}

InputFile::~InputFile()
{
    if (owned_)
        ::close(fd_);
}

bool InputFile::Open(const std::string& name, Accept accept)
{
    const bool regularOnly = accept == Accept::RegularOnly;
    // O_NONBLOCK: a name that turned into a pipe after a check must not hang the open.
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | (regularOnly ? O_NONBLOCK : 0));
    error_ = fd < 0 ? errno : 0;
    struct stat st {};
    if (fd >= 0 && regularOnly && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        error_ = ENOENT;
        return false;
    }
    fd_ = fd;
    owned_ = fd >= 0;
    return fd >= 0;
}

void InputFile::Adopt(int descriptor)
{
    fd_ = descriptor;
    owned_ = false;
}

long long InputFile::Read(char* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, size);
        if (n >= 0)
            return n;
        if (errno != EINTR) {
            error_ = errno;
            return -1;
        }
    }
}

long long InputFile::Size() const
{
    struct stat st {};
    return ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) ? static_cast<long long>(st.st_size) : -1;
}

} // namespace morvane::io
