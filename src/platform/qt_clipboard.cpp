#include "platform/qt_clipboard.h"

#include "platform/codepage.h"
#include "platform/cp1252.h"
#include "platform/memory.h"

#include <cstdint>
#include <cstring>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace morvane::platform {

namespace {

// Whether no byte has its high bit set, eight at a time.
bool IsAscii(std::string_view bytes)
{
    std::uint64_t high = 0;
    std::size_t i = 0;
    for (std::uint64_t word = 0; i + 8 <= bytes.size(); i += 8) {
        std::memcpy(&word, bytes.data() + i, 8);
        high |= word;
    }
    for (; i < bytes.size(); ++i)
        high |= static_cast<unsigned char>(bytes[i]);
    return (high & 0x8080808080808080u) == 0;
}

} // namespace

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
    // The text is kept as UTF-8, one byte a character for ASCII: a code, all
    // digits, is its own UTF-8 and goes over in one block copy, and the
    // clipboard holds it at its own size rather than twice that as UTF-16.
    QByteArray utf8;
    if (IsAscii(bytes)) {
        utf8 = QByteArray(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
        AdviseHugePages(utf8.data(), bytes.size());
        std::memcpy(utf8.data(), bytes.data(), bytes.size());
    } else {
        utf8 = QByteArray::fromStdString(Cp1252ToUtf8(bytes));
    }
    auto* data = new QMimeData;
    data->setData(QStringLiteral("text/plain"), utf8);
    data->setData(QStringLiteral("text/plain;charset=utf-8"), utf8); // the same bytes, shared
    clipboard->setMimeData(data, QClipboard::Clipboard);
    return true;
}

} // namespace morvane::platform
