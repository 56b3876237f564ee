// The font of the program's windows.
#pragma once

class QWidget;

namespace morvane::platform {

// "MS Sans Serif" at 8 points where it is installed; elsewhere the desktop's
// default sans font at the largest size up to 8 points at which every button
// caption fits its button. Labels grow to their text, as they size themselves.
void ApplyWindowFont(QWidget* window);

} // namespace morvane::platform
