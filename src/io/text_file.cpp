#include "text_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace morvane {

namespace {

constexpr std::size_t kBlock = 1 << 20;

class InputFile {
public:
    explicit InputFile(const std::string& name)
    {
#ifdef _WIN32
        if (!IsRegularFile(name))
            return;
        file_ = std::fopen(name.c_str(), "rb");
#else
        // O_NONBLOCK: a name that turned into a pipe after the check must
        // not hang the open.
        const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return;
        }
        fd_ = fd;
#endif
    }
    ~InputFile()
    {
#ifdef _WIN32
        if (file_)
            std::fclose(file_);
#else
        if (fd_ >= 0)
            ::close(fd_);
#endif
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool is_open() const
    {
#ifdef _WIN32
        return file_ != nullptr;
#else
        return fd_ >= 0;
#endif
    }

    // Bytes read, 0 at the end, -1 on an error.
    long long Read(char* buffer, std::size_t size)
    {
#ifdef _WIN32
        const std::size_t n = std::fread(buffer, 1, size, file_);
        if (n == 0 && std::ferror(file_))
            return -1;
        return static_cast<long long>(n);
#else
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, size);
            if (n < 0 && errno == EINTR)
                continue;
            return n;
        }
#endif
    }

    long long Size() const
    {
#ifdef _WIN32
        return -1;
#else
        struct stat st {};
        return ::fstat(fd_, &st) == 0 ? static_cast<long long>(st.st_size) : -1;
#endif
    }

private:
#ifdef _WIN32
    std::FILE* file_ = nullptr;
#else
    int fd_ = -1;
#endif
};

} // namespace

bool IsRegularFile(const std::string& name)
{
    if (name.empty())
        return false;
#ifdef _WIN32
    struct _stat64 st {};
    return _stat64(name.c_str(), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
#else
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
#endif
}

ReadStatus ReadRegularFile(const std::string& name, std::string& out, std::size_t maxBytes, bool stopAtCtrlZ)
{
    out.clear();
    if (name.empty())
        return ReadStatus::NotFound;
    InputFile file(name);
    if (!file.is_open())
        return ReadStatus::NotFound;
    try {
        // The whole file fits the room reserved for it; only a file that
        // grows while it is read makes the string grow.
        if (const long long size = file.Size(); size > 0)
            out.reserve(static_cast<std::size_t>(std::min<unsigned long long>(size, maxBytes)));
        char probe[4096];
        while (out.size() < maxBytes) {
            const std::size_t old = out.size();
            const std::size_t room = out.capacity() - old;
            const std::size_t want = std::min({room > 0 ? room : sizeof probe, kBlock, maxBytes - old});
            long long n = 0;
            if (room > 0) {
                out.resize(old + want);
                n = file.Read(out.data() + old, want);
                out.resize(old + static_cast<std::size_t>(std::max(n, 0LL)));
            } else {
                n = file.Read(probe, want);
                if (n > 0)
                    out.append(probe, static_cast<std::size_t>(n));
            }
            if (n < 0)
                return ReadStatus::ReadError;
            if (stopAtCtrlZ) {
                if (const void* z = std::memchr(out.data() + old, kCtrlZ, out.size() - old)) {
                    out.resize(static_cast<std::size_t>(static_cast<const char*>(z) - out.data()));
                    break;
                }
            }
            if (n == 0)
                break;
        }
    } catch (const std::bad_alloc&) {
        out = std::string();
        return ReadStatus::OutOfMemory;
    } catch (const std::length_error&) {
        out = std::string();
        return ReadStatus::OutOfMemory;
    }
    return ReadStatus::Ok;
}

bool ReadTextFile(const std::string& name, std::string& text)
{
    if (ReadRegularFile(name, text, std::numeric_limits<std::size_t>::max(), true) != ReadStatus::Ok) {
        text = std::string();
        return false;
    }
    return true;
}

} // namespace morvane
