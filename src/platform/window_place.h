// Where the programs' windows appear, and how they answer Enter.
#pragma once

class QAbstractButton;
class QWidget;

namespace morvane::platform {

// Moves the window to the centre of the primary screen's free area.
void CentreOnScreen(QWidget& window);

// Shows a window without waiting for it: centred on the screen the first
// time, where it was after that, and brought to the front when it is
// already shown.
void ShowOrRaise(QWidget& window, bool& placed);

// Makes the button the window's default button: Enter presses it while it
// is enabled, whatever control has the focus, and does nothing while it is
// disabled.
void SetDefaultButton(QWidget& window, QAbstractButton& button);

} // namespace morvane::platform
