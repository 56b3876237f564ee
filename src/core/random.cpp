#include "random.h"

namespace morvane {

std::uint32_t MillisecondsSinceMidnightUtc(std::chrono::system_clock::time_point when)
{
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<milliseconds>(when.time_since_epoch());
    const auto day = duration_cast<milliseconds>(days(1));
    auto ms = sinceEpoch % day;
    if (ms < milliseconds(0))
        ms += day;
    return static_cast<std::uint32_t>(ms.count());
}

void SeedRandom(RandomSource& source, std::chrono::system_clock::time_point now)
{
    source.RandomState = MillisecondsSinceMidnightUtc(now);
}

} // namespace morvane
