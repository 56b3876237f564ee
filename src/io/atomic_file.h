// Writing a file so that a failure never destroys what was there before.
#pragma once

#include <string>
#include <string_view>

namespace morvane::io {

// Told of the temporary file of each writer before it is created and after
// it is gone: for a signal handler that removes what an ended program would
// leave behind. Both calls must be async-signal-safe towards that handler.
class TemporaryFiles {
public:
    virtual ~TemporaryFiles() = default;
    virtual void Add(const char* name) = 0;
    virtual void Remove(const char* name) = 0;
};

// What to do with a writable file that cannot be replaced by a rename: one
// in a folder that takes no new file (no write permission on the folder, a
// read-only mount of the folder but not of the file), or another user's file
// in a sticky folder. Fail refuses it at Open. WriteInPlace stages the whole
// output in an anonymous temporary file ($TMPDIR) and copies it over the
// file at Commit: a failed or interrupted run leaves the file as it was, and
// only that final copy is not atomic.
enum class FolderRefuses { Fail, WriteInPlace };

struct WriteOptions {
    // The final step refuses a name that exists by then, also one that
    // another process has created meanwhile: nothing is ever replaced.
    bool keepExisting = false;
    // Permissions of a new file, before the umask; a replaced file keeps its own.
    unsigned newFileMode = 0666;
    // Devices and pipes are written into in place, as the shell's ">"
    // would. Without it they are refused and only regular files are written.
    bool streamsInPlace = false;
    FolderRefuses whenFolderRefuses = FolderRefuses::Fail;
    TemporaryFiles* temporaries = nullptr;
};

// Writes into a temporary file beside the target and renames it over the
// target at Commit: until then the target is untouched, and a writer that
// fails, is aborted or is destroyed without Commit removes its temporary file.
// A file that a plain open for writing would refuse (write-protected, on a
// read-only mount, a folder) is never written. Streams are written as the
// bytes come; a file that cannot be replaced is written in place at Commit
// when the caller asks for it (FolderRefuses). A dangling link is written
// through: the link stays and the file it names is created.
class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // False when the target may not or cannot be written; error() says why.
    bool Open(const std::string& target, const WriteOptions& options = {});
    // Writes into an open descriptor (a copy of it), in place.
    bool OpenDescriptor(int descriptor);
    // Appends bytes. False once anything has failed; Commit reports it too.
    bool Write(std::string_view bytes);
    // Flushes, syncs, closes and renames over the target. False on any
    // failure so far; a target that was being replaced is then as it was.
    bool Commit();
    // Drops the temporary file.
    void Abort();
    // The errno value of the first failure; 0 while there is none.
    int error() const { return error_; }

private:
    bool Fail(int error);
    void Forget();
    bool Stage(int target);
    bool CopyStageInPlace();

    int fd_ = -1;
    std::string target_;
    std::string temp_; // empty while writing in place
    int inPlace_ = -1; // the target, when the output is staged and copied over it at Commit
    bool keepExisting_ = false;
    TemporaryFiles* temporaries_ = nullptr;
    long long written_ = 0;
    int error_ = 0;
};

// Writes the whole file at once. False when it could not be written.
bool WriteFileAtomically(const std::string& target, std::string_view bytes, const WriteOptions& options = {});

} // namespace morvane::io
