// The usage texts of morvane-cli and its commands, as --help prints them.
#pragma once

namespace morvane::cli {

extern const char* const kMainUsage;
extern const char* const kKeygenUsage;
extern const char* const kEncodeUsage;
extern const char* const kDecodeUsage;

} // namespace morvane::cli
