// Reading a file or a stream as bytes, in large blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace morvane::io {

// Which file a descriptor reads or writes, to tell when two names are one file.
struct FileId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileId&) const = default;
};

// True for a regular file (links followed); false for folders, devices,
// pipes, sockets and names that do not exist.
bool IsRegularFile(const std::string& name);

// The regular file a descriptor reads or writes, if it is one.
std::optional<FileId> IdOfDescriptor(int fd);
std::optional<FileId> IdOfName(const std::string& name);

// One reader for every input of the programs: a regular file only (a name
// that turns out to be anything else is not opened, and never hangs the
// open), any readable name (a named pipe, a device), or a descriptor the
// program holds already (standard input).
class InputFile {
public:
    enum class Accept { RegularOnly, Anything };

    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    bool Open(const std::string& name, Accept accept);
    // Reads from a descriptor that stays open after the reader is gone.
    void Adopt(int descriptor);
    bool is_open() const { return fd_ >= 0; }
    // Bytes read into buffer, 0 at the end; -1 on a read error.
    long long Read(char* buffer, std::size_t size);
    // The size of a regular file; -1 when unknown.
    long long Size() const;
    std::optional<FileId> id() const { return IdOfDescriptor(fd_); }
    // The errno value of the last failure.
    int error() const { return error_; }

private:
    int fd_ = -1;
    bool owned_ = false;
    int error_ = 0;
};

} // namespace morvane::io
