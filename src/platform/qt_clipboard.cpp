#include "platform/qt_clipboard.h"

#include "platform/codepage.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace morvane::platform {

std::optional<std::string> QtClipboard::GetText()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return std::nullopt;
    const QMimeData* data = clipboard->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText())
        return std::string();
    // Plain text ends at its first NUL, as the system's 8-bit text format does.
    QString text = data->text();
    if (const qsizetype nul = text.indexOf(QChar(u'\0')); nul >= 0)
        text.truncate(nul);
    return FromUnicode(text);
}

bool QtClipboard::SetText(std::string_view bytes)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setText(ToUnicode(bytes), QClipboard::Clipboard);
    return true;
}

} // namespace morvane::platform
