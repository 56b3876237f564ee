// Advice to the system about large buffers.
#pragma once

#include <cstddef>

namespace morvane::platform {

// Asks the system to back the 2 MiB pages of a large buffer with huge pages
// where it offers them on request. Touching a fresh 40 MB code 4 KiB at a
// time costs ten thousand page faults, which took most of a large run.
void AdviseHugePages(const char* data, std::size_t size);

} // namespace morvane::platform
