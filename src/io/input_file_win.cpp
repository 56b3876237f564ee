// The reader on Windows.
#include "io/input_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace morvane::io {

bool IsRegularFile(const std::string& name)
{
    struct _stat64 st {};
    return !name.empty() && _stat64(name.c_str(), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
}

// Windows gives no file numbers through the C run-time: no two names can be told apart.
std::optional<FileId> IdOfDescriptor(int) { return std::nullopt; }
std::optional<FileId> IdOfName(const std::string&) { return std::nullopt; }

InputFile::~InputFile()
{
    if (owned_)
        _close(fd_);
}

bool InputFile::Open(const std::string& name, Accept accept)
{
    if (accept == Accept::RegularOnly && !IsRegularFile(name)) {
        error_ = ENOENT;
        return false;
    }
    fd_ = _open(name.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    error_ = fd_ < 0 ? errno : 0;
    owned_ = fd_ >= 0;
    return fd_ >= 0;
}

void InputFile::Adopt(int descriptor)
{
    _setmode(descriptor, _O_BINARY);
    fd_ = descriptor;
    owned_ = false;
}

long long InputFile::Read(char* buffer, std::size_t size)
{
    const int n = _read(fd_, buffer, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
    if (n < 0)
        error_ = errno;
    return n;
}

long long InputFile::Size() const
{
    struct _stat64 st {};
    return _fstat64(fd_, &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG ? static_cast<long long>(st.st_size) : -1;
}

} // namespace morvane::io
