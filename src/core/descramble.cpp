#include "descramble.h"

namespace morvane {

std::string Descramble(std::string_view stored)
{
    std::string text(stored.size(), '\0');
    for (std::size_t i = 0; i < stored.size(); ++i)
        text[i] = static_cast<char>(static_cast<unsigned char>(stored[i]) - (i + 1));
    return text;
}

} // namespace morvane
