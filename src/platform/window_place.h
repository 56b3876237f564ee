// Where the programs' windows appear.
#pragma once

class QWidget;

namespace morvane::platform {

// Moves the window to the centre of the primary screen's free area.
void CentreOnScreen(QWidget& window);

// Shows a window without waiting for it: centred on the screen the first
// time, where it was after that, and brought to the front when it is
// already shown.
void ShowOrRaise(QWidget& window, bool& placed);

} // namespace morvane::platform
