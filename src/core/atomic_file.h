// Writing a file so that a failure never destroys what was there before.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace morvane {

// Writes into a temporary file beside the target and renames it over the
// target on Commit. Until Commit succeeds the target is untouched; a writer
// destroyed without Commit removes its temporary file.
class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file. False when it cannot be created (missing or
    // unwritable folder) or when the target exists but is no regular file (a
    // folder, a device, a pipe or a socket), which is never replaced. With
    // replace false the target must not exist at all, and Commit fails
    // rather than replace a file that appeared in the meantime.
    bool Open(const std::string& target, bool replace = true);
    // Appends bytes; a failure is remembered and reported by Commit.
    void Write(std::string_view bytes);
    // Flushes, syncs, closes and renames over the target. False on any
    // failure so far; the target is then as it was.
    bool Commit();
    // Drops the temporary file.
    void Abort();

    bool failed() const { return failed_; }

private:
    std::FILE* file_ = nullptr;
    std::string target_;
    std::string temp_;
    bool replace_ = true;
    bool failed_ = false;
};

// Writes the whole file at once. False when it could not be written.
bool WriteFileAtomically(const std::string& target, std::string_view bytes);
// Writes a file that does not exist yet, whole or not at all. False, with
// nothing changed, when anything (a dangling link too) already has its name.
bool CreateFileAtomically(const std::string& target, std::string_view bytes);

} // namespace morvane
