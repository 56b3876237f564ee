// Integer texts: the one rule by which key files and stored window positions
// are read as numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace morvane {

// The value of a hexadecimal digit (0-9, A-F, a-f), or -1.
int HexDigitValue(char c);

// The value of an integer text, or nothing when the text is none. Only the
// part before the first NUL counts; leading spaces (32 only) are skipped; then
// an optional sign and decimal digits in the signed 32-bit range, or "$" and
// hexadecimal digits fitting 32 bits (read as signed); nothing may follow.
std::optional<std::int32_t> ParseIntegerText(std::string_view text);

// The value of an integer text, or the default when the text is none.
std::int32_t IntegerOrDefault(std::string_view text, std::int32_t fallback);

// True when the text is not an integer text, or reads as 9999999.
bool IsNotInteger(std::string_view text);

} // namespace morvane
