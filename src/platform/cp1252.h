// The Windows-1252 code page in plain C++, shared by the settings file (which
// holds UTF-8 text) and the Qt code-page conversions. The five bytes that
// Windows-1252 leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the
// C1 controls of the same value, so every byte has a character and back.
#pragma once

#include <string>
#include <string_view>

namespace morvane::platform {

// The character of one byte.
char32_t Cp1252ToCodePoint(unsigned char byte);
// The byte of a character; '?' when the code page has none for it.
char Cp1252FromCodePoint(char32_t codePoint);

// UTF-8 text to 8-bit text. A malformed UTF-8 sequence gives one '?' per bad byte.
std::string Utf8ToCp1252(std::string_view utf8);
// 8-bit text to UTF-8.
std::string Cp1252ToUtf8(std::string_view bytes);
// UTF-16LE bytes up to the first zero unit (or the end) to 8-bit text; an
// unpaired surrogate gives '?'.
std::string Utf16LeToCp1252(std::string_view bytes);

} // namespace morvane::platform
