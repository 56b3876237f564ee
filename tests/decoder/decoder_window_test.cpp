// The decoder window, headless, with scripted dialogs, clipboard and failure box.
#include "platform/error_window.h"
#include "decoder/decoder_window.h"

#include "io/key_file.h"
#include "core/encoder.h"
#include "core/key_generator.h"
#include "platform/codepage.h"
#include "support/all.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

#include <QtTest>
#include <QtWidgets>

using namespace morvane;
using namespace morvane::testing;
using namespace std::literals;

class DecoderWindowTest : public QObject {
    Q_OBJECT

    TempDir dir;
    KeyTable key;
    FakePlatform fake;
    std::unique_ptr<decoder::TfrmDecoder> window;

    std::string Encode(std::string_view text) const
    {
        RandomSource random(77);
        std::string code = Encoder(key, 4).Header();
        return Encoder(key, 4).EncodeChunk(text, random, code), code;
    }
    template <typename T = QPushButton>
    T* control(const char* name) const { return window->findChild<T*>(QLatin1String(name)); }
    void click(const char* name) const { control(name)->click(); }
    QString field(const char* name) const { return control<QPlainTextEdit>(name)->toPlainText(); }
    QString errorShown() const { return window->frmError()->isVisible() ? window->frmError()->Message() : ""; }
    QString Path(const char* name) const { return QString::fromStdString(dir / name); }
    void setKey(const QString& name) const { control<QLineEdit>("edtKeyFile")->setText(name); }
    // Pastes the code and presses Decode.
    void decode(const std::string& code) { fake.clipboard.text = code, click("bbnPaste"), click("bbnDecode"); }
    QString press(const char* name) const { return click(name), errorShown(); } // the message the click brought up

private slots:
    void initTestCase()
    {
        RandomSource random(2026);
        GenerateKey(random, key);
        QVERIFY(io::WriteKeyFile(dir / "letter.key", key).ok);
        window = std::make_unique<decoder::TfrmDecoder>(fake.platform);
        QVERIFY((window->show(), QTest::qWaitForWindowExposed(window.get())));
    }

    void loadDecodeCopySaveAndTheirFailures()
    {
        const std::string letter = "Dear reader,\r\n\tthe code reads back: \xe9t\xe9 \xff.\r\n";
        WriteBytes(dir / "letter.etx", Encode(letter));
        QCOMPARE((All{window->windowTitle(), control("bbnDecode")->isEnabled()}), (All{"Morvane  |  Decoder", false}));
        fake.dialogs.answers = {Path("letter.etx"), Path("letter.key")};
        click("bbnLoad");
        QCOMPARE((All{window->CodeText(), field("mmoCode").toStdString(), control("bbnDecode")->isEnabled()}),
                 (All{Encode(letter), Encode(letter), false})); // no key yet
        click("bbnBrowseKeyFile");
        QCOMPARE((All{control<QLineEdit>("edtKeyFile")->text(), control("bbnDecode")->isEnabled(),
                      control("bbnCopy")->isEnabled()}), (All{Path("letter.key"), true, false}));
        const auto& calls = fake.dialogs.calls;
        QCOMPARE((All{calls[0].options.title, calls[0].options.filter, calls[1].options.filter}),
                 (All{"Load code", "Encoded text files (*.etx)|*.etx|All files (*.*)|*.*",
                      "Key files (*.key)|*.key|All files (*.*)|*.*"}));

        click("bbnDecode");
        QCOMPARE((All{errorShown().isEmpty(), window->DecodedText()}), (All{true, letter}));
        QCOMPARE((All{field("mmoText"), control("bbnDecode")->text()}),
                 (All{platform::ToUnicode("Dear reader,\n\tthe code reads back: \xe9t\xe9 \xff.\n"), "Decode"}));
        fake.dialogs.answers = {Path("letter.txt")};
        click("bbnCopy"), click("bbnSaveText");
        QCOMPARE((All{fake.clipboard.text, ReadBytes(dir / "letter.txt")}), (All{letter, letter}));
        QCOMPARE((All{calls.back().options.filter, calls.back().save, calls.back().options.overwritePrompt}),
                 (All{"Text files (*.txt)|*.txt|All files (*.*)|*.*", true, true}));

        click("bbnBrowseKeyFile"); // cancelled: nothing changes
        QCOMPARE(control<QLineEdit>("edtKeyFile")->text(), Path("letter.key"));
        click("bbnClear");
        QVERIFY(window->CodeText().empty() && !control("bbnDecode")->isEnabled());

        // Failures are shown in the error window.
        setKey(Path("missing.key"));
        decode(Encode("x"));
        const bool onTop = window->frmError()->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        QCOMPARE((All{errorShown(), window->frmError()->windowTitle(), onTop}),
                 (All{"The key file could not be found.", "Error", true}));

        // A second failure replaces the message; Close hides the window.
        setKey(Path("letter.key")), fake.clipboard.failRead = true;
        QCOMPARE((All{press("bbnPaste"), window->CodeText()}), (All{"Unable to paste the code.", Encode("x")}));
        fake.clipboard.outOfMemory = true;
        QCOMPARE(press("bbnPaste"), "Out of memory.");
        window->frmError()->findChild<QPushButton*>("BitBtn1")->click();
        QCOMPARE((All{window->frmError()->isVisible(), window->DecodedText()}), (All{false, letter})); // as before
        fake.clipboard.failRead = fake.clipboard.outOfMemory = false;
        fake.dialogs.answers = {Path("missing.etx")};
        QCOMPARE((All{press("bbnLoad"), window->CodeText().empty()}), (All{"Unable to open the file.", true}));

        decode(Encode("Saved"));
        fake.clipboard.failWrite = true;
        fake.dialogs.answers = {Path("no-such-folder/out.txt")};
        QCOMPARE((All{press("bbnCopy"), press("bbnSaveText")}),
                 (All{"Unable to copy the text.", "Unable to save the file."}));

        // A width character that is not a digit goes to the failure box.
        WriteBytes(dir / "bad.key", "011x1000");
        setKey(Path("bad.key")), click("bbnDecode");
        QCOMPARE((All{fake.failureBox.shown, window->DecodedText()}), // the text as before
                 (All{std::vector<QString>{"Morvane  |  Decoder|'x' is not a valid integer value."}, "Saved"s}));
    }

    void stopEndsALongRunAndALongTextShowsTheNotice()
    {
        fake.clipboard = {}, window->frmError()->hide();
        const std::string before = window->DecodedText();
        std::string text;
        for (int i = 0; text.size() < 400000; ++i)
            text += "Line " + std::to_string(i) + " of a long letter.\r\n";
        setKey(Path("letter.key")), fake.clipboard.text = Encode(text), click("bbnPaste");
        QCOMPARE((All{field("mmoCode"), control<QPlainTextEdit>("mmoCode")->isReadOnly(), window->CodeText()}),
                 (All{"The code is too long for displaying\n(You still can decode it)", true, Encode(text)}));

        bool sawRun = false;
        QTimer::singleShot(0, this, [&] {
            sawRun = window->Decoding() && control("bbnDecode")->text() == "STOP" &&
                     !control("bbnLoad")->isEnabled() && control<QProgressBar>("prbDecoding")->value() > 0;
            click("bbnDecode");
        });
        click("bbnDecode");
        QCOMPARE((All{sawRun, window->Decoding(), window->DecodedText(), errorShown().isEmpty()}),
                 (All{true, false, before, true}));
        QCOMPARE((All{control("bbnDecode")->text(), control<QProgressBar>("prbDecoding")->value()}),
                 (All{"Decode", false}));
        QVERIFY(control("bbnLoad")->isEnabled() && control("bbnCopy")->isEnabled()); // as before the run

        click("bbnDecode"), click("bbnCopy");
        QCOMPARE((All{window->DecodedText(), fake.clipboard.text, field("mmoText")}),
                 (All{text, text,
                      "The decoded text is too long for displaying\n(You still can copy or save the text)"}));

        // 33800 characters of code or text are shown, 33801 of text are not.
        decode(Encode(std::string(8449, 'a')));
        QCOMPARE(field("mmoCode").size(), 33800);
        decode(Encode(std::string(33800, 'a')));
        const QString shown = field("mmoText");
        decode(Encode(std::string(33801, 'a')));
        QCOMPARE((All{shown, field("mmoText").left(16)}), (All{QString(33800, 'a'), "The decoded text"}));
    }
};

QTEST_MAIN(DecoderWindowTest)
#include "decoder_window_test.moc"
