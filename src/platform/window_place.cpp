#include "window_place.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace morvane::platform {

void CentreOnScreen(QWidget& window)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
}

void ShowOrRaise(QWidget& window, bool& placed)
{
    if (!window.isVisible()) {
        if (!placed) {
            CentreOnScreen(window);
            placed = true;
        }
        window.show();
    }
    window.raise();
    window.activateWindow();
}

} // namespace morvane::platform
