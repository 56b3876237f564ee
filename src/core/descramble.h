// Literals that the program stores scrambled and shows as text.
#pragma once

#include <string>
#include <string_view>

namespace morvane {

// Character i (from 1) of the result is (stored byte i - i) mod 256; so a
// literal is stored as byte i = (character i + i) mod 256.
std::string Descramble(std::string_view stored);

} // namespace morvane
