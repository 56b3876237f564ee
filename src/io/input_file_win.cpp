// The reader on Windows.
#include "io/input_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace morvane::io {

bool IsRegularFile(const std::string& name)
{
    struct _stat64 st {};
    return !name.empty() && _stat64(name.c_str(), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
}

// A file is told by its volume's serial number and its index on the volume.
static std::optional<FileId> IdOfHandle(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info {};
    if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(handle, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return FileId{info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

std::optional<FileId> IdOfDescriptor(int fd) { return IdOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(fd))); }

std::optional<FileId> IdOfName(const std::string& name)
{
    // Opened for no access at all: only to ask which file the name is.
    const HANDLE handle = CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const std::optional<FileId> id = IdOfHandle(handle);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    return id;
}

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
