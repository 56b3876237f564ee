// The writer's operating-system steps on Windows.
#include "io/os_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <sys/stat.h>
#include <windows.h>

namespace morvane::io::os {

bool Examine(const std::string& name, FileFacts& facts)
{
    facts = {};
    // Devices (NUL, CON, COM1) and pipes are no files to replace: a caller
    // that takes streams writes into them, as the shell's ">" does.
    const HANDLE handle = CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        const DWORD type = GetFileType(handle);
        CloseHandle(handle);
        if (type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE) {
            facts.kind = Kind::Other;
            return true;
        }
    }
    struct _stat64 st {};
    if (_stat64(name.c_str(), &st) != 0)
        return errno == ENOENT;
    const unsigned type = st.st_mode & _S_IFMT;
    facts.kind = type == _S_IFDIR ? Kind::Folder : type == _S_IFREG ? Kind::Regular : Kind::Other;
    return true;
}

int OpenNew(const std::string& name, unsigned /*mode: Windows files carry no mode bits*/)
{
    return _open(name.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

int OpenForWriting(const std::string& name, bool /*nonBlocking: Windows opens no file that blocks*/)
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
int Remove(const char* name) { return _unlink(name); }

bool Rename(const std::string& from, const std::string& to, bool keepExisting)
{
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (keepExisting ? 0 : MOVEFILE_REPLACE_EXISTING);
    if (MoveFileExA(from.c_str(), to.c_str(), flags))
        return true;
    const DWORD code = GetLastError();
    errno = code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS ? EEXIST : EACCES;
    return false;
}

// The replacement is a new file in the same folder: it takes the folder's
// inherited security, as a file saved by any Windows program does.
void KeepOwnerAndMode(int, const FileFacts&) {}

// A refused create is reported as it is: the writer never falls back to
// writing in place on Windows.
bool FolderTakesNoFile(int) { return false; }

// Links are left to the system: MoveFileEx replaces the name given.
std::string ResolveLink(const std::string& name) { return name; }

// The copy writes bytes as they are, whatever mode the original was in.
// Windows refuses no rename over a file that may be written.
bool RenameOverRefused(const std::string&, const FileFacts&) { return false; }

int OpenStaging()
{
    char folder[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof folder, folder);
    if (length == 0 || length > MAX_PATH)
        return -1;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string name = std::string(folder) + "morvane-" + std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(GetTickCount() + attempt) + ".tmp";
        const int fd = _open(name.c_str(), _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY | _O_TEMPORARY | _O_NOINHERIT,
                             _S_IREAD | _S_IWRITE);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool Rewind(int fd) { return _lseeki64(fd, 0, SEEK_SET) == 0; }

long ReadSome(int fd, char* data, std::size_t size)
{
    return _read(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}

int CopyDescriptor(int fd)
{
    const int copy = _dup(fd);
    if (copy >= 0)
        _setmode(copy, _O_BINARY);
    return copy;
}

} // namespace morvane::io::os
