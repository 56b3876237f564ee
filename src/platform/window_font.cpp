#include "window_font.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QWidget>

namespace morvane::platform {

namespace {

// Room left and right of a caption, together: a bevelled button needs room
// for its frame; a flat one shows its caption alone.
constexpr int kButtonPadding = 8;
constexpr int kFlatButtonPadding = 2;

int PaddingOf(const QAbstractButton* button)
{
    const auto* push = qobject_cast<const QPushButton*>(button);
    return push && push->isFlat() ? kFlatButtonPadding : kButtonPadding;
}

QString Caption(const QAbstractButton* button)
{
    QString text = button->text();
    text.remove(QLatin1Char('&'));
    return text;
}

bool ButtonsFit(const QWidget* window, const QFont& font)
{
    const QFontMetrics metrics(font);
    for (const QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        const QString caption = Caption(button);
        if (caption.isEmpty())
            continue;
        if (metrics.horizontalAdvance(caption) + PaddingOf(button) > button->width())
            return false;
        if (metrics.height() > button->height())
            return false;
    }
    return true;
}

} // namespace

void ApplyWindowFont(QWidget* window)
{
    QFont font;
    if (QFontDatabase::families().contains(QStringLiteral("MS Sans Serif"))) {
        font = QFont(QStringLiteral("MS Sans Serif"));
        font.setPointSizeF(8);
    } else {
        font = QApplication::font();
        for (qreal size = 8; size >= 6; size -= 0.5) {
            font.setPointSizeF(size);
            if (ButtonsFit(window, font))
                break;
        }
    }
    window->setFont(font);

    // Labels size themselves to their text, keeping their place.
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (label->text().isEmpty() || label->wordWrap() || label->frameWidth() > 0)
            continue;
        const QFontMetrics metrics(label->font());
        const QRect needed = metrics.boundingRect(label->text());
        label->resize(std::max(label->width(), needed.width() + 2), std::max(label->height(), metrics.height()));
    }
}

} // namespace morvane::platform
