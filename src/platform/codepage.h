// The 8-bit code page of the program's texts. On Linux this is Windows-1252
// with its five unassigned bytes kept as the C1 controls U+0081, U+008D,
// U+008F, U+0090 and U+009D, so that all 256 byte values survive a round trip.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace morvane::platform {

QString ToUnicode(std::string_view bytes);
// Characters outside the code page become '?'.
std::string FromUnicode(const QString& text);

// File names: a name as the file system takes it (UTF-8 on Linux), and back.
std::string NativeName(const QString& name);
QString FromNativeName(const std::string& name);

} // namespace morvane::platform
