// The system clock, for seeding the random source.
#pragma once

#include <chrono>

namespace morvane::platform {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::system_clock::time_point Now() = 0;
};

class SystemClock : public Clock {
public:
    std::chrono::system_clock::time_point Now() override { return std::chrono::system_clock::now(); }
};

} // namespace morvane::platform
