// The program's one random source: a 32-bit linear congruential generator.
#pragma once

#include <chrono>
#include <cstdint>

namespace morvane {

// The draw rule: the state that follows state. Every draw of the program
// takes this one step.
constexpr std::uint32_t NextRandomState(std::uint32_t state)
{
    return state * 134775813u + 1u;
}

// The number from 0 to n - 1 that a drawn state gives: the high 32 bits of
// the 64-bit product of the state and n.
constexpr std::uint32_t ScaleRandomState(std::uint32_t state, std::uint32_t n)
{
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(state) * n) >> 32);
}

// Steps of the draw rule taken at once. The rule is affine, so k steps of it
// are one affine map, state * multiplier + increment (mod 2^32).
struct RandomJump {
    std::uint32_t multiplier = 1;
    std::uint32_t increment = 0;

    constexpr std::uint32_t operator()(std::uint32_t state) const { return state * multiplier + increment; }
};

// The jump of k steps, read off the rule itself: k steps from 0 give the
// increment, and k steps from 1 exceed those from 0 by the multiplier.
constexpr RandomJump JumpOfSteps(unsigned k)
{
    std::uint32_t fromZero = 0;
    std::uint32_t fromOne = 1;
    for (unsigned i = 0; i < k; ++i) {
        fromZero = NextRandomState(fromZero);
        fromOne = NextRandomState(fromOne);
    }
    return {fromOne - fromZero, fromZero};
}

class RandomSource {
public:
    explicit RandomSource(std::uint32_t state = 0) : RandomState(state) {}

    // Advances the state and returns a number from 0 to n - 1.
    std::uint32_t RandomBelow(std::uint32_t n)
    {
        RandomState = NextRandomState(RandomState);
        return ScaleRandomState(RandomState, n);
    }

    std::uint32_t RandomState;
};

// Milliseconds since midnight UTC of the given moment.
std::uint32_t MillisecondsSinceMidnightUtc(std::chrono::system_clock::time_point when);

// Seeds the source from the time of day: the milliseconds since midnight UTC.
void SeedRandom(RandomSource& source, std::chrono::system_clock::time_point now);

} // namespace morvane
