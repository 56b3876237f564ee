#include "window_place.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QKeyEvent>
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

namespace {

// Sees the Enter keys that reach the window: those that the control with
// the focus leaves (buttons outside dialogs do).
class DefaultButton : public QObject {
public:
    DefaultButton(QWidget& window, QAbstractButton& button) : QObject(&window), button_(button) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        if (button_.isEnabled())
            button_.click();
        return true;
    }

private:
    QAbstractButton& button_;
};

} // namespace

void SetDefaultButton(QWidget& window, QAbstractButton& button)
{
    window.installEventFilter(new DefaultButton(window, button));
}

} // namespace morvane::platform
