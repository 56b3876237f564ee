#include "memo_field.h"

#include "platform/codepage.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

namespace morvane::app {

namespace {

bool IsBreak(QChar c)
{
    return c == u'\r' || c == u'\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

// Characters of a text as the field counts them: a line break (CR, LF, a CR
// LF pair or a paragraph separator) counts as two.
int CountOf(const QString& text)
{
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (IsBreak(c)) {
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            count += 2;
        } else if (!c.isLowSurrogate()) {
            ++count;
        }
    }
    return count;
}

// The longest start of text that adds at most room characters; a line break
// is taken whole or not at all.
QString FittingStart(const QString& text, int room)
{
    int count = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        qsizetype next = i + 1;
        int adds = 1;
        if (IsBreak(c)) {
            adds = 2;
            if (c == u'\r' && next < text.size() && text.at(next) == u'\n')
                ++next;
        } else if (c.isHighSurrogate() && next < text.size() && text.at(next).isLowSurrogate()) {
            ++next;
        }
        if (count + adds > room)
            break;
        count += adds;
        i = next;
    }
    return text.left(i);
}

QString CutAtNul(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

} // namespace

MemoField::MemoField(QWidget* parent) : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    connect(document(), &QTextDocument::contentsChanged, this, &MemoField::contentsEdited);
}

QString MemoField::ToFieldText(std::string_view bytes)
{
    const std::size_t nul = bytes.find('\0');
    if (nul != std::string_view::npos)
        bytes = bytes.substr(0, nul);
    QString text = platform::ToUnicode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

std::string MemoField::Text() const
{
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return platform::FromUnicode(text);
}

int MemoField::Length() const
{
    return static_cast<int>(Text().size());
}

void MemoField::SetText(std::string_view bytes)
{
    if (bytes == last_)
        return;
    putting_ = true;
    setPlainText(ToFieldText(bytes));
    putting_ = false;
    last_ = Text();
    emit changed();
}

void MemoField::SetCentred(bool centred)
{
    centred_ = centred;
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(centred ? Qt::AlignHCenter : Qt::AlignLeft);
    document()->setDefaultTextOption(option);
}

void MemoField::contentsEdited()
{
    if (putting_)
        return;
    std::string text = Text();
    if (text == last_)
        return;
    last_ = std::move(text);
    emit changed();
}

int MemoField::RoomFor(const QString& text) const
{
    const int selected = CountOf(textCursor().selectedText());
    return maxLength_ - (Length() - selected) - CountOf(text);
}

void MemoField::keyPressEvent(QKeyEvent* event)
{
    if (maxLength_ > 0 && !isReadOnly()) {
        QString typed;
        const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            typed = QStringLiteral("\n");
        else if (!command && !event->text().isEmpty() && event->text().at(0).isPrint())
            typed = event->text();
        if (!typed.isEmpty() && RoomFor(typed) < 0) {
            event->accept();
            QApplication::beep();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void MemoField::insertFromMimeData(const QMimeData* source)
{
    if (maxLength_ <= 0 || !source->hasText()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    const QString text = CutAtNul(source->text());
    const int room = RoomFor(QString()) ;
    QMimeData fitting;
    fitting.setText(FittingStart(text, std::max(room, 0)));
    QPlainTextEdit::insertFromMimeData(&fitting);
}

void MemoField::inputMethodEvent(QInputMethodEvent* event)
{
    if (maxLength_ > 0 && !event->commitString().isEmpty()) {
        const int room = RoomFor(QString());
        const QString fitting = FittingStart(event->commitString(), std::max(room, 0));
        if (fitting.size() != event->commitString().size()) {
            QInputMethodEvent shortened(event->preeditString(), event->attributes());
            shortened.setCommitString(fitting, event->replacementStart(), event->replacementLength());
            QPlainTextEdit::inputMethodEvent(&shortened);
            return;
        }
    }
    QPlainTextEdit::inputMethodEvent(event);
}

} // namespace morvane::app
