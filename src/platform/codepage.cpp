#include "platform/codepage.h"

#include "platform/cp1252.h"

#include <QFile>
#include <QList>

namespace morvane::platform {

QString ToUnicode(std::string_view bytes)
{
    // The code page is Latin-1 but for the bytes 0x80 to 0x9F: Qt converts
    // the whole in bulk, and those few are mended after.
    QString text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QChar* out = text.data();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x80 && byte <= 0x9F)
            out[i] = QChar(static_cast<char16_t>(Cp1252ToCodePoint(byte)));
    }
    return text;
}

std::string FromUnicode(const QString& text)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    // Code points, so that a character outside the basic plane gives one '?'
    // (an unpaired surrogate comes out as U+FFFD, which gives '?' as well).
    for (const uint c : text.toUcs4())
        bytes += Cp1252FromCodePoint(static_cast<char32_t>(c));
    return bytes;
}

std::string NativeName(const QString& name)
{
    return QFile::encodeName(name).toStdString();
}

QString FromNativeName(const std::string& name)
{
    return QFile::decodeName(QByteArray::fromStdString(name));
}

} // namespace morvane::platform
