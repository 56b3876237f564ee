#include "io/text_file.h"

#include "core/key_table.h"
#include "io/atomic_file.h"
#include "io/input_file.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace morvane::io {

namespace {

constexpr std::size_t kBlock = 1 << 20;

} // namespace

ReadStatus ReadRegularFile(const std::string& name, std::string& out, std::size_t maxBytes, bool stopAtCtrlZ)
{
    out.clear();
    InputFile file;
    if (name.empty() || !file.Open(name, InputFile::Accept::RegularOnly))
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

const WriteOptions& WindowSaveOptions()
{
    static const WriteOptions options = [] {
        WriteOptions o;
        o.whenFolderRefuses = FolderRefuses::WriteInPlace;
        return o;
    }();
    return options;
}

bool SaveCode(const std::string& name, std::string_view code, std::string& message)
{
    if (!WriteFileAtomically(name, code, WindowSaveOptions())) {
        message = kSaveFailed;
        return false;
    }
    message.clear();
    return true;
}

} // namespace morvane::io
