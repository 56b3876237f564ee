#include "platform/memory.h"

namespace morvane::platform {

// Windows gives large pages only at allocation, and only to a process that
// holds the "lock pages in memory" privilege; memory in use takes no advice.
void AdviseHugePages(const char*, std::size_t) {}

} // namespace morvane::platform
