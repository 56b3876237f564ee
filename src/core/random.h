// The program's one random source: a 32-bit linear congruential generator.
#pragma once

#include <chrono>
#include <cstdint>

namespace morvane {

class RandomSource {
public:
    explicit RandomSource(std::uint32_t state = 0) : RandomState(state) {}

    // Advances the state and returns a number from 0 to n - 1: the high
    // 32 bits of the 64-bit product of the new state and n.
    std::uint32_t RandomBelow(std::uint32_t n)
    {
        RandomState = RandomState * 134775813u + 1u;
        return static_cast<std::uint32_t>((static_cast<std::uint64_t>(RandomState) * n) >> 32);
    }

    std::uint32_t RandomState;
};

// Milliseconds since midnight UTC of the given moment.
std::uint32_t MillisecondsSinceMidnightUtc(std::chrono::system_clock::time_point when);

// Seeds the source from the time of day: the milliseconds since midnight UTC.
void SeedRandom(RandomSource& source, std::chrono::system_clock::time_point now);

} // namespace morvane
