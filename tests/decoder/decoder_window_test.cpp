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

using namespace morvane;
using morvane::decoder::TfrmDecoder;

class DecoderWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    KeyTable key_;
    QString keyFile_;
    morvane::testing::FakePlatform fake_;
    std::unique_ptr<TfrmDecoder> window_;

    std::string Encode(std::string_view text) const
    {
        const Encoder encoder(key_, 4);
        RandomSource random(77);
        std::string code = encoder.Header();
        encoder.EncodeChunk(text, random, code);
        return code;
    }
    template <typename T = QPushButton>
    T* control(const char* name) const
    {
        T* widget = window_->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    QString errorShown() const
    {
        return window_->frmError()->isVisible() ? window_->frmError()->message() : QString();
    }
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    // Pastes the code and presses Decode.
    void decode(const std::string& code)
    {
        fake_.clipboard.text = code;
        control("bbnPaste")->click();
        control("bbnDecode")->click();
    }

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
        fake_.dialogs = morvane::testing::FakeDialogs();
        fake_.clipboard = morvane::testing::FakeClipboard();
        fake_.failureBox = morvane::testing::FakeFailureBox();
        window_ = std::make_unique<TfrmDecoder>(fake_.platform);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    void cleanup() { window_.reset(); }

    void loadDecodeCopyAndSaveALetter()
    {
        const std::string letter = "Dear reader,\r\n\tthe code reads back: \xe9t\xe9 \xff.\r\n";
        const QString codeFile = path("letter.etx");
        QVERIFY(WriteFileAtomically(codeFile.toStdString(), Encode(letter)));

        QCOMPARE(window_->windowTitle(), QStringLiteral("Morvane  |  Decoder"));
        QVERIFY(!control("bbnDecode")->isEnabled());
        fake_.dialogs.answers = {codeFile, keyFile_};
        control("bbnLoad")->click();
        QCOMPARE(window_->CodeText(), Encode(letter));
        QCOMPARE(control<QPlainTextEdit>("mmoCode")->toPlainText().toStdString(), Encode(letter));
        QVERIFY(!control("bbnDecode")->isEnabled()); // no key yet
        control("bbnBrowseKeyFile")->click();
        QCOMPARE(control<QLineEdit>("edtKeyFile")->text(), keyFile_);
        QVERIFY(control("bbnDecode")->isEnabled());

        const auto& calls = fake_.dialogs.calls;
        QCOMPARE(calls.size(), std::size_t{2});
        QCOMPARE(calls[0].options.title, QStringLiteral("Load code"));
        QCOMPARE(calls[0].options.filter, QStringLiteral("Encoded text files (*.etx)|*.etx|All files (*.*)|*.*"));
        QCOMPARE(calls[1].options.filter, QStringLiteral("Key files (*.key)|*.key|All files (*.*)|*.*"));

        QVERIFY(!control("bbnCopy")->isEnabled());
        control("bbnDecode")->click();
        QCOMPARE(errorShown(), QString());
        QCOMPARE(window_->DecodedText(), letter);
        QCOMPARE(control<QPlainTextEdit>("mmoText")->toPlainText(),
                 platform::ToUnicode("Dear reader,\n\tthe code reads back: \xe9t\xe9 \xff.\n"));
        QCOMPARE(control("bbnDecode")->text(), QStringLiteral("Decode"));

        control("bbnCopy")->click();
        QCOMPARE(fake_.clipboard.text, letter);
        const QString textFile = path("letter.txt");
        fake_.dialogs.answers = {textFile};
        control("bbnSaveText")->click();
        QCOMPARE(calls.back().options.filter, QStringLiteral("Text files (*.txt)|*.txt|All files (*.*)|*.*"));
        QVERIFY(calls.back().options.overwritePrompt);
        std::string saved;
        ReadTextFile(textFile.toStdString(), saved);
        QCOMPARE(saved, letter);

        control("bbnBrowseKeyFile")->click(); // cancelled: nothing changes
        QCOMPARE(control<QLineEdit>("edtKeyFile")->text(), keyFile_);
        control("bbnClear")->click();
        QCOMPARE(window_->CodeText(), std::string());
        QVERIFY(!control("bbnDecode")->isEnabled());

        decode(Encode("Pasted."));
        QCOMPARE(window_->DecodedText(), std::string("Pasted."));
        QVERIFY(WriteFileAtomically(codeFile.toStdString(), Encode("From the command line")));
        window_->LoadCodeFile(codeFile); // as when started with a file
        control("bbnDecode")->click();
        QCOMPARE(window_->DecodedText(), std::string("From the command line"));
    }

    void errorsAreShownInTheErrorWindow()
    {
        control<QLineEdit>("edtKeyFile")->setText(path("missing.key"));
        decode(Encode("x"));
        QCOMPARE(errorShown(), QStringLiteral("The key file could not be found."));
        QCOMPARE(window_->frmError()->windowTitle(), QStringLiteral("Error"));
        QVERIFY(window_->frmError()->windowFlags() & Qt::WindowStaysOnTopHint);

        // A second failure replaces the message; Close hides the window.
        control<QLineEdit>("edtKeyFile")->setText(keyFile_);
        decode("0214");
        QCOMPARE(errorShown(), QStringLiteral("The code does not begin with \"011\" and a width digit."));
        window_->frmError()->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
        QVERIFY(!window_->frmError()->isVisible());
        QCOMPARE(window_->DecodedText(), std::string());

        decode("01141");
        QCOMPARE(errorShown(), QStringLiteral("The code is cut short: its last number has 1 of 4 digits."));

        fake_.clipboard.failRead = true;
        control("bbnPaste")->click();
        QCOMPARE(errorShown(), QStringLiteral("Unable to paste the code."));
        QCOMPARE(window_->CodeText(), std::string("01141"));
        fake_.clipboard.failRead = false;

        fake_.dialogs.answers = {path("missing.etx")};
        control("bbnLoad")->click();
        QCOMPARE(errorShown(), QStringLiteral("Unable to open the file."));
        QCOMPARE(window_->CodeText(), std::string());

        decode(Encode("Saved"));
        fake_.clipboard.failWrite = true;
        control("bbnCopy")->click();
        QCOMPARE(errorShown(), QStringLiteral("Unable to copy the text."));
        fake_.dialogs.answers = {path("no-such-folder/out.txt")};
        control("bbnSaveText")->click();
        QCOMPARE(errorShown(), QStringLiteral("Unable to save the file."));

        // A width character that is not a digit goes to the failure box.
        const QString badKey = path("bad.key");
        QVERIFY(WriteFileAtomically(badKey.toStdString(), "011x1000"));
        control<QLineEdit>("edtKeyFile")->setText(badKey);
        control("bbnDecode")->click();
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
        fake_.clipboard.text = Encode(text);
        control<QLineEdit>("edtKeyFile")->setText(keyFile_);
        control("bbnPaste")->click();
        auto* code = control<QPlainTextEdit>("mmoCode");
        QCOMPARE(code->toPlainText(), QStringLiteral("The code is too long for displaying\n(You still can decode it)"));
        QVERIFY(code->isReadOnly());
        QCOMPARE(window_->CodeText(), Encode(text));

        bool sawRun = false;
        QTimer::singleShot(0, this, [&] {
            sawRun = window_->Decoding() && control("bbnDecode")->text() == QStringLiteral("STOP") &&
                     !control("bbnLoad")->isEnabled() && control<QProgressBar>("prbDecoding")->value() > 0;
            control("bbnDecode")->click();
        });
        control("bbnDecode")->click();
        QVERIFY(sawRun);
        QVERIFY(!window_->Decoding());
        QCOMPARE(window_->DecodedText(), std::string());
        QCOMPARE(control("bbnDecode")->text(), QStringLiteral("Decode"));
        QCOMPARE(control<QProgressBar>("prbDecoding")->value(), 0);
        QVERIFY(control("bbnLoad")->isEnabled());
        QVERIFY(!control("bbnCopy")->isEnabled());
        QCOMPARE(errorShown(), QString());

        control("bbnDecode")->click();
        QCOMPARE(window_->DecodedText(), text);
        QCOMPARE(control<QPlainTextEdit>("mmoText")->toPlainText(),
                 QStringLiteral("The decoded text is too long for displaying\n(You still can copy or save the text)"));
        control("bbnCopy")->click();
        QCOMPARE(fake_.clipboard.text, text);

        // 33800 characters are shown, 33801 are not.
        decode(Encode(std::string(33800, 'a')));
        QCOMPARE(control<QPlainTextEdit>("mmoText")->toPlainText(), QString(33800, QLatin1Char('a')));
        decode(Encode(std::string(33801, 'a')));
        QVERIFY(control<QPlainTextEdit>("mmoText")->toPlainText().startsWith(QStringLiteral("The decoded text")));
    }
};

QTEST_MAIN(DecoderWindowTest)
#include "decoder_window_test.moc"
