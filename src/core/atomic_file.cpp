#include "atomic_file.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <random>
#include <windows.h>
#else
#include <climits>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace morvane {

namespace {

#ifdef _WIN32

// Only a regular file may be replaced: a folder is never written over.
bool IsNoFileToReplace(const std::string& name)
{
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::FILE* CreateTemporary(const std::string& target, std::string& temp)
{
    std::random_device device;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = target + ".tmp" + std::to_string(device() % 1000000u);
        const int fd = _open(temp.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (fd >= 0)
            return _fdopen(fd, "wb");
        if (errno != EEXIST)
            break;
    }
    temp.clear();
    return nullptr;
}

bool SyncFile(std::FILE* file) { return _commit(_fileno(file)) == 0; }

bool ReplaceTarget(const std::string& temp, const std::string& target)
{
    return MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool PlaceNewTarget(const std::string& temp, const std::string& target)
{
    return MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

bool NameIsTaken(const std::string& name) { return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES; }

#else

// Only a regular file may be replaced: renaming over a folder, a device, a
// pipe or a socket (links followed) would destroy it, /dev/null included.
bool IsNoFileToReplace(const std::string& name)
{
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

mode_t NewFileMode()
{
    static const mode_t mode = [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}

std::FILE* CreateTemporary(const std::string& target, std::string& temp)
{
    const auto slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    temp = folder + "." + name + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        temp.clear();
        return nullptr;
    }
    // The new file gets the mode that the file it replaces had, or the one a
    // newly created file would get.
    struct stat st {};
    const mode_t mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : NewFileMode();
    (void)::fchmod(fd, mode);
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        ::close(fd);
        ::unlink(temp.c_str());
        temp.clear();
    }
    return file;
}

bool SyncFile(std::FILE* file) { return ::fsync(::fileno(file)) == 0; }

bool ReplaceTarget(const std::string& temp, const std::string& target)
{
    return ::rename(temp.c_str(), target.c_str()) == 0;
}

// A second name for the finished file, which fails where the name is taken;
// the temporary name then goes.
bool PlaceNewTarget(const std::string& temp, const std::string& target)
{
    if (::link(temp.c_str(), target.c_str()) != 0)
        return false;
    ::unlink(temp.c_str());
    return true;
}

bool NameIsTaken(const std::string& name)
{
    struct stat st {};
    return ::lstat(name.c_str(), &st) == 0;
}

// Writing through a link replaces the file it points to, not the link.
std::string ResolveLink(const std::string& target)
{
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(target.c_str(), nullptr)) {
            std::string resolved(real);
            std::free(real);
            return resolved;
        }
    }
    return target;
}

#endif

} // namespace

AtomicFileWriter::~AtomicFileWriter() { Abort(); }

bool AtomicFileWriter::Open(const std::string& target, bool replace)
{
    Abort();
    failed_ = false;
    replace_ = replace;
    if (target.empty() || IsNoFileToReplace(target) || (!replace && NameIsTaken(target))) {
        failed_ = true;
        return false;
    }
#ifdef _WIN32
    target_ = target;
#else
    target_ = replace ? ResolveLink(target) : target;
#endif
    file_ = CreateTemporary(target_, temp_);
    if (!file_) {
        failed_ = true;
        return false;
    }
    return true;
}

void AtomicFileWriter::Write(std::string_view bytes)
{
    if (!file_ || failed_ || bytes.empty())
        return;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
        failed_ = true;
}

bool AtomicFileWriter::Commit()
{
    if (!file_)
        return false;
    bool ok = !failed_;
    ok = std::fflush(file_) == 0 && ok;
    ok = SyncFile(file_) && ok;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (ok)
        ok = replace_ ? ReplaceTarget(temp_, target_) : PlaceNewTarget(temp_, target_);
    if (!ok) {
        std::remove(temp_.c_str());
        failed_ = true;
    }
    temp_.clear();
    return ok;
}

void AtomicFileWriter::Abort()
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        std::remove(temp_.c_str());
        temp_.clear();
    }
}

namespace {

bool WriteWhole(const std::string& target, std::string_view bytes, bool replace)
{
    AtomicFileWriter writer;
    if (!writer.Open(target, replace))
        return false;
    writer.Write(bytes);
    return writer.Commit();
}

} // namespace

bool WriteFileAtomically(const std::string& target, std::string_view bytes)
{
    return WriteWhole(target, bytes, true);
}

bool CreateFileAtomically(const std::string& target, std::string_view bytes)
{
    return WriteWhole(target, bytes, false);
}

} // namespace morvane
