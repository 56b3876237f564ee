// The clipboard's plain 8-bit text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace morvane::platform {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // The clipboard's text in the 8-bit code page: empty when it holds no
    // text; nothing when it cannot be read.
    virtual std::optional<std::string> GetText() = 0;
    // False when the clipboard cannot be written.
    virtual bool SetText(std::string_view bytes) = 0;
};

} // namespace morvane::platform
