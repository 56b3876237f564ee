// The clipboard through QClipboard, converted through the 8-bit code page.
#pragma once

#include "platform/clipboard.h"

namespace morvane::platform {

class QtClipboard : public Clipboard {
public:
    std::optional<std::string> GetText() override;
    bool SetText(std::string_view bytes) override;
};

} // namespace morvane::platform
