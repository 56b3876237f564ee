// Reading and writing key files.
#pragma once

#include "core/key_table.h"
#include "io/atomic_file.h"

#include <cstdint>
#include <functional>
#include <string>

namespace morvane::io {

inline constexpr const char* kKeyCreateFailed = "Unable to create a key file.";
inline constexpr const char* kKeyWriteFailed = "Unable to write to the key file.";

// Reads the key file called name (a regular file; folders, devices, pipes
// and sockets count as missing) and parses it as ParseKeyFile does.
KeyLoadResult LoadKeyFile(const std::string& name, KeyTable& table, std::uint8_t& codeWidth);

struct KeyWriteResult {
    bool ok = false;
    std::string message; // kKeyCreateFailed or kKeyWriteFailed when !ok
    int error = 0;       // the errno value of the failure
};

// Writes the key file through AtomicFileWriter with the options given: an
// existing file under that name is either replaced whole or left exactly as
// it was. A new key file is readable by its owner only (a key is a secret);
// a replaced one keeps its mode. rowWritten(row) follows each row.
KeyWriteResult WriteKeyFile(const std::string& name, const KeyTable& table,
                            const std::function<void(int row)>& rowWritten = {}, WriteOptions options = {});
// The same into a writer that is open already.
KeyWriteResult WriteKeyFile(AtomicFileWriter& writer, const KeyTable& table,
                            const std::function<void(int row)>& rowWritten = {});

} // namespace morvane::io
