// A multi-line text field that keeps its text the way the encoder window
// relies on: every line break is stored as CR LF, a text put in ends at its
// first NUL, typing stops at the maximum length (a line break counts as two
// characters), Tab moves the focus, and only a change of the text itself is
// reported (switching alignment or read-only state is none).
#pragma once

#include <QPlainTextEdit>
#include <string>
#include <string_view>

namespace morvane::app {

class MemoField : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit MemoField(QWidget* parent = nullptr);

    // The stored text, as bytes of the 8-bit code page, line breaks as CR LF.
    std::string Text() const;
    // Puts a text in. A text equal to the stored one changes nothing and
    // reports nothing; any other text is stored (line breaks as CR LF, cut
    // at the first NUL) and reported as a change.
    void SetText(std::string_view bytes);
    // The number of characters in the field, a line break counting as two.
    int Length() const;

    // 0 means no limit. Only typing and pasting by the user are limited.
    void setMaxLength(int length) { maxLength_ = length; }
    int maxLength() const { return maxLength_; }

    // Left or centred; no change of the text.
    void SetCentred(bool centred);
    bool IsCentred() const { return centred_; }

signals:
    void changed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void contentsEdited();
    // Characters that replacing the selection with text would add.
    int RoomFor(const QString& text) const;
    static QString ToFieldText(std::string_view bytes);

    std::string last_;
    bool putting_ = false;
    bool centred_ = false;
    int maxLength_ = 0;
};

} // namespace morvane::app
