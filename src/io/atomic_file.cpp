#include "io/atomic_file.h"

#include "io/os_file.h"

#include <cerrno>
#include <chrono>
#include <cstdint>

namespace morvane::io {

namespace {

// The longest name of one folder entry that common file systems take.
constexpr std::size_t kLongestEntry = 255;
constexpr std::string_view kTempSuffix = ".XXXXXX";

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
    fd_ = os::CopyDescriptor(descriptor);
    return fd_ >= 0 || Fail(errno);
}

bool AtomicFileWriter::Open(const std::string& target, const WriteOptions& options)
{
    Abort();
    error_ = 0;
    written_ = 0;
    keepExisting_ = options.keepExisting;
    temporaries_ = options.temporaries;
    if (target.empty())
        return Fail(ENOENT);

    os::FileFacts old;
    if (!os::Examine(target, old))
        return Fail(errno);
    if (old.kind == os::Kind::Folder)
        return Fail(EISDIR);
    if (old.kind == os::Kind::Other) {
        if (!options.streamsInPlace)
            return Fail(EINVAL);
        fd_ = os::OpenForWriting(target, false);
        return fd_ >= 0 || Fail(errno);
    }
    const bool exists = old.kind == os::Kind::Regular;
    int probe = -1;
    if (exists) {
        if (options.keepExisting)
            return Fail(EEXIST);
        // Refused exactly where a plain open for writing is refused.
        probe = os::OpenForWriting(target, true);
        if (probe < 0)
            return Fail(errno);
    }
    const bool inPlace = options.whenFolderRefuses == FolderRefuses::WriteInPlace;
    target_ = os::ResolveLink(target);
    // Known before the run: a rename that the folder will refuse.
    if (exists && os::RenameOverRefused(target_, old)) {
        if (inPlace)
            return Stage(probe);
        os::Close(probe);
        return Fail(EPERM);
    }

    auto seed = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                reinterpret_cast<std::uintptr_t>(this);
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temp_ = TemporaryName(target_, seed);
        // Known to the signal handler before it exists: a signal right after
        // the create must not leave the file behind.
        if (temporaries_)
            temporaries_->Add(temp_.c_str());
        fd_ = os::OpenNew(temp_, exists ? 0600 : options.newFileMode);
        if (fd_ < 0 && temporaries_)
            temporaries_->Remove(temp_.c_str());
        if (fd_ < 0 && errno != EEXIST)
            break;
        seed = seed * 6364136223846793005u + 1442695040888963407u;
    }
    if (fd_ < 0) {
        const int error = errno;
        temp_.clear();
        if (probe >= 0 && inPlace && os::FolderTakesNoFile(error))
            return Stage(probe);
        if (probe >= 0)
            os::Close(probe);
        return Fail(error);
    }
    if (probe >= 0) {
        os::KeepOwnerAndMode(fd_, old);
        os::Close(probe);
    }
    return true;
}

bool AtomicFileWriter::Stage(int target)
{
    fd_ = os::OpenStaging();
    if (fd_ < 0) {
        const int error = errno;
        os::Close(target);
        return Fail(error);
    }
    inPlace_ = target;
    return true;
}

bool AtomicFileWriter::CopyStageInPlace()
{
    if (!os::Rewind(fd_))
        return Fail(errno);
    char block[1 << 16];
    for (;;) {
        const long n = os::ReadSome(fd_, block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Fail(errno);
        if (n == 0)
            break;
        for (long at = 0; at < n;) {
            const long put = os::WriteSome(inPlace_, block + at, static_cast<std::size_t>(n - at));
            if (put < 0 && errno != EINTR)
                return Fail(errno);
            at += put > 0 ? put : 0;
        }
    }
    if (!os::Truncate(inPlace_, written_) || !os::Sync(inPlace_))
        return Fail(errno);
    return true;
}

bool AtomicFileWriter::Write(std::string_view bytes)
{
    if (fd_ < 0 || error_ != 0)
        return Fail(EBADF);
    while (!bytes.empty()) {
        const long n = os::WriteSome(fd_, bytes.data(), bytes.size());
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
    if (error_ == 0 && inPlace_ >= 0)
        CopyStageInPlace();
    // A stream (a pipe, a terminal) has nothing to sync.
    if (error_ == 0 && replacing && !os::Sync(fd_))
        Fail(errno);
    if (os::Close(fd_) != 0)
        Fail(errno);
    fd_ = -1;
    if (inPlace_ >= 0 && os::Close(inPlace_) != 0)
        Fail(errno);
    inPlace_ = -1;
    if (replacing) {
        if (error_ == 0 && !os::Rename(temp_, target_, keepExisting_))
            Fail(errno);
        if (error_ != 0)
            os::Remove(temp_.c_str());
        Forget();
    }
    return error_ == 0;
}

void AtomicFileWriter::Abort()
{
    for (int* fd : {&fd_, &inPlace_}) {
        if (*fd >= 0)
            os::Close(*fd);
        *fd = -1;
    }
    if (!temp_.empty()) {
        os::Remove(temp_.c_str());
        Forget();
    }
}

void AtomicFileWriter::Forget()
{
    if (temporaries_)
        temporaries_->Remove(temp_.c_str());
    temp_.clear();
}

bool WriteFileAtomically(const std::string& target, std::string_view bytes, const WriteOptions& options)
{
    AtomicFileWriter writer;
    return writer.Open(target, options) && writer.Write(bytes) && writer.Commit();
}

} // namespace morvane::io
