// Literals that the program stores scrambled and shows as text.
#pragma once

#include <string>
#include <string_view>

namespace morvane {

// Character i (from 1) of the result is (stored byte i - i) mod 256.
std::string Descramble(std::string_view stored);
// The inverse: stored byte i = (character i + i) mod 256.
std::string Scramble(std::string_view plain);

} // namespace morvane
