// The decoder window, headless, with scripted dialogs, clipboard and failure box.
#include "decoder/decoder_error.h"
#include "decoder/decoder_window.h"

#include "core/atomic_file.h"
#include "core/encoder.h"
#include "core/key_generator.h"
#include "core/text_file.h"
#include "platform/codepage.h"
#include "support/fakes.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <vector>

using namespace morvane;
using morvane::decoder::TfrmDecoder;

namespace {

std::string Encode(std::string_view text, const KeyTable& key)
{
    const Encoder encoder(key, 4);
    RandomSource random(77);
    std::string code = encoder.Header();
    encoder.EncodeChunk(text, random, code);
    return code;
}

std::string FileBytes(const QString& name)
{
    std::string bytes;
    ReadTextFile(name.toStdString(), bytes);
    return bytes;
}

} // namespace

class DecoderWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    KeyTable key_;
    QString keyFile_;
    morvane::testing::FakePlatform fake_;
    platform::Platform& platform_ = fake_.platform;
    morvane::testing::FakeDialogs& dialogs_ = fake_.dialogs;
    morvane::testing::FakeClipboard& clipboard_ = fake_.clipboard;
    std::unique_ptr<TfrmDecoder> window_;

    template <typename T>
    T* control(const char* name) const
    {
        T* widget = window_->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    QPushButton* button(const char* name) const { return control<QPushButton>(name); }
    QString errorShown() const
    {
        return window_->frmError()->isVisible() ? window_->frmError()->message() : QString();
    }
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        RandomSource random(2026);
        GenerateKey(random, key_);
        keyFile_ = path("letter.key");
        QVERIFY(WriteKeyFile(keyFile_.toStdString(), key_).ok);
    }

    void init()
    {
        dialogs_.answers.clear();
        dialogs_.calls.clear();
        clipboard_ = morvane::testing::FakeClipboard();
        fake_.failureBox = morvane::testing::FakeFailureBox();
        window_ = std::make_unique<TfrmDecoder>(platform_);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    void cleanup() { window_.reset(); }

    void loadDecodeCopyAndSaveALetter()
    {
        const std::string letter = "Dear reader,\r\n\tthe code reads back: \xe9t\xe9 \xff.\r\n";
        const QString codeFile = path("letter.etx");
        QVERIFY(WriteFileAtomically(codeFile.toStdString(), Encode(letter, key_)));

        QCOMPARE(window_->windowTitle(), QStringLiteral("Morvane  |  Decoder"));
        QVERIFY(!button("bbnDecode")->isEnabled());
        dialogs_.answers = {codeFile, keyFile_};
        button("bbnLoad")->click();
        QCOMPARE(window_->CodeText(), Encode(letter, key_));
        QCOMPARE(control<QPlainTextEdit>("mmoCode")->toPlainText().toStdString(), Encode(letter, key_));
        QVERIFY(!button("bbnDecode")->isEnabled()); // no key yet
        button("bbnBrowseKeyFile")->click();
        QCOMPARE(control<QLineEdit>("edtKeyFile")->text(), keyFile_);
        QVERIFY(button("bbnDecode")->isEnabled());

        QCOMPARE(dialogs_.calls.size(), std::size_t{2});
        QCOMPARE(dialogs_.calls[0].options.title, QStringLiteral("Load code"));
        QCOMPARE(dialogs_.calls[0].options.filter, QStringLiteral("Encoded text files (*.etx)|*.etx|All files (*.*)|*.*"));
        QCOMPARE(dialogs_.calls[0].options.filterIndex, 1);
        QVERIFY(dialogs_.calls[0].options.fileMustExist);
        QCOMPARE(dialogs_.calls[1].options.filter, QStringLiteral("Key files (*.key)|*.key|All files (*.*)|*.*"));

        QVERIFY(!button("bbnCopy")->isEnabled());
        button("bbnDecode")->click();
        QCOMPARE(errorShown(), QString());
        QCOMPARE(window_->DecodedText(), letter);
        QCOMPARE(control<QPlainTextEdit>("mmoText")->toPlainText(),
                 platform::ToUnicode("Dear reader,\n\tthe code reads back: \xe9t\xe9 \xff.\n"));
        QCOMPARE(button("bbnDecode")->text(), QStringLiteral("Decode"));

        button("bbnCopy")->click();
        QCOMPARE(clipboard_.text, letter);

        const QString textFile = path("letter.txt");
        dialogs_.answers = {textFile};
        button("bbnSaveText")->click();
        QCOMPARE(dialogs_.calls.back().options.filter, QStringLiteral("Text files (*.txt)|*.txt|All files (*.*)|*.*"));
        QVERIFY(dialogs_.calls.back().options.overwritePrompt);
        QCOMPARE(FileBytes(textFile), letter);

        // A cancelled dialog changes nothing.
        button("bbnBrowseKeyFile")->click();
        QCOMPARE(control<QLineEdit>("edtKeyFile")->text(), keyFile_);

        button("bbnClear")->click();
        QCOMPARE(window_->CodeText(), std::string());
        QVERIFY(!button("bbnDecode")->isEnabled());
    }

    void pastedCodeAndStartUpFile()
    {
        clipboard_.text = Encode("Pasted.", key_);
        control<QLineEdit>("edtKeyFile")->setText(keyFile_);
        button("bbnPaste")->click();
        button("bbnDecode")->click();
        QCOMPARE(window_->DecodedText(), std::string("Pasted."));

        const QString codeFile = path("start.etx");
        QVERIFY(WriteFileAtomically(codeFile.toStdString(), Encode("From the command line", key_)));
        window_->LoadCodeFile(codeFile);
        button("bbnDecode")->click();
        QCOMPARE(window_->DecodedText(), std::string("From the command line"));
    }

    void errorsAreShownInTheErrorWindow()
    {
        control<QLineEdit>("edtKeyFile")->setText(path("missing.key"));
        clipboard_.text = Encode("x", key_);
        button("bbnPaste")->click();
        button("bbnDecode")->click();
        QCOMPARE(errorShown(), QStringLiteral("The key file could not be found."));
        QCOMPARE(window_->frmError()->windowTitle(), QStringLiteral("Error"));
        QVERIFY(window_->frmError()->windowFlags() & Qt::WindowStaysOnTopHint);

        // A second failure replaces the message; Close hides the window.
        control<QLineEdit>("edtKeyFile")->setText(keyFile_);
        clipboard_.text = std::string("0214");
        button("bbnPaste")->click();
        button("bbnDecode")->click();
        QCOMPARE(errorShown(), QStringLiteral("The code does not begin with \"011\" and a width digit."));
        window_->frmError()->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
        QVERIFY(!window_->frmError()->isVisible());
        QCOMPARE(window_->DecodedText(), std::string());

        clipboard_.text = std::string("01141");
        button("bbnPaste")->click();
        button("bbnDecode")->click();
        QCOMPARE(errorShown(), QStringLiteral("The code is cut short: its last number has 1 of 4 digits."));

        clipboard_.failRead = true;
        button("bbnPaste")->click();
        QCOMPARE(errorShown(), QStringLiteral("Unable to paste the code."));
        QCOMPARE(window_->CodeText(), std::string("01141"));
        clipboard_.failRead = false;

        dialogs_.answers = {path("missing.etx")};
        button("bbnLoad")->click();
        QCOMPARE(errorShown(), QStringLiteral("Unable to open the file."));
        QCOMPARE(window_->CodeText(), std::string());

        clipboard_.text = Encode("Saved", key_);
        button("bbnPaste")->click();
        button("bbnDecode")->click();
        clipboard_.failWrite = true;
        button("bbnCopy")->click();
        QCOMPARE(errorShown(), QStringLiteral("Unable to copy the text."));
        dialogs_.answers = {path("no-such-folder/out.txt")};
        button("bbnSaveText")->click();
        QCOMPARE(errorShown(), QStringLiteral("Unable to save the file."));

        // A width character that is not a digit goes to the failure box.
        const QString badKey = path("bad.key");
        QVERIFY(WriteFileAtomically(badKey.toStdString(), "011x1000"));
        control<QLineEdit>("edtKeyFile")->setText(badKey);
        button("bbnDecode")->click();
        QCOMPARE(fake_.failureBox.calls.size(), std::size_t{1});
        QCOMPARE(fake_.failureBox.calls[0].text, QStringLiteral("'x' is not a valid integer value."));
        QCOMPARE(fake_.failureBox.calls[0].caption, QStringLiteral("Morvane  |  Decoder"));
        QCOMPARE(window_->DecodedText(), std::string("Saved"));
    }

    void stopEndsALongRunAndALongTextShowsTheNotice()
    {
        std::string text;
        for (int i = 0; text.size() < 400000; ++i)
            text += "Line " + std::to_string(i) + " of a long letter.\r\n";
        clipboard_.text = Encode(text, key_);
        control<QLineEdit>("edtKeyFile")->setText(keyFile_);
        button("bbnPaste")->click();
        auto* code = control<QPlainTextEdit>("mmoCode");
        QCOMPARE(code->toPlainText(),
                 QStringLiteral("The code is too long for displaying\n(You still can decode it)"));
        QVERIFY(code->isReadOnly());
        QCOMPARE(window_->CodeText(), Encode(text, key_));

        bool sawRun = false;
        QTimer::singleShot(0, this, [&] {
            sawRun = window_->Decoding() && button("bbnDecode")->text() == QStringLiteral("STOP") &&
                     !button("bbnLoad")->isEnabled() && control<QProgressBar>("prbDecoding")->value() > 0;
            button("bbnDecode")->click();
        });
        button("bbnDecode")->click();
        QVERIFY(sawRun);
        QVERIFY(!window_->Decoding());
        QCOMPARE(window_->DecodedText(), std::string());
        QCOMPARE(button("bbnDecode")->text(), QStringLiteral("Decode"));
        QCOMPARE(control<QProgressBar>("prbDecoding")->value(), 0);
        QVERIFY(button("bbnLoad")->isEnabled());
        QVERIFY(!button("bbnCopy")->isEnabled());
        QCOMPARE(errorShown(), QString());

        button("bbnDecode")->click();
        QCOMPARE(window_->DecodedText(), text);
        QCOMPARE(control<QPlainTextEdit>("mmoText")->toPlainText(),
                 QStringLiteral("The decoded text is too long for displaying\n(You still can copy or save the text)"));
        button("bbnCopy")->click();
        QCOMPARE(clipboard_.text, text);

        // 33800 characters are shown, 33801 are not.
        clipboard_.text = Encode(std::string(33800, 'a'), key_);
        button("bbnPaste")->click();
        button("bbnDecode")->click();
        QCOMPARE(control<QPlainTextEdit>("mmoText")->toPlainText(), QString(33800, QLatin1Char('a')));
        clipboard_.text = Encode(std::string(33801, 'a'), key_);
        button("bbnPaste")->click();
        button("bbnDecode")->click();
        QVERIFY(control<QPlainTextEdit>("mmoText")->toPlainText().startsWith(QStringLiteral("The decoded text")));
    }
};

QTEST_MAIN(DecoderWindowTest)
#include "decoder_window_test.moc"
