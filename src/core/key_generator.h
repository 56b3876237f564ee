// Generation of new keys and the writing of key files.
#pragma once

#include "atomic_file.h"
#include "key_table.h"
#include "random.h"

#include <bitset>
#include <cstdint>
#include <functional>
#include <string>

namespace morvane {

inline constexpr std::uint16_t kLowestCode = 1000;
inline constexpr std::uint16_t kHighestCode = 9998;
inline constexpr std::uint32_t kCodeChoices = 8999;

inline constexpr const char* kKeyCreateFailed = "Unable to create a key file.";
inline constexpr const char* kKeyWriteFailed = "Unable to write to the key file.";

// Draws code numbers until one is not yet in use; marks and returns it.
std::uint16_t NewUniqueCode(RandomSource& random, std::bitset<kCodeChoices>& used);

// Fills the table with 7910 distinct numbers from 1000 to 9998, row by row.
// rowDone(row) is called after each row (1 to 226).
void GenerateKey(RandomSource& random, KeyTable& table,
                 const std::function<void(int row)>& rowDone = {});

// The key file's bytes: "0114" and the 7910 numbers, no separator.
std::string FormatKeyFile(const KeyTable& table);

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

} // namespace morvane
