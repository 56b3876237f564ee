// The encoder window: its fields, the source outlets, the encoding run and
// the code outlets, the dialogs, the decoder launch and the link label.
#include "harness.h"

#include "core/decoder.h"
#include "platform/file_system.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWindow>

using namespace morvane;
using namespace morvane::testing;

static const std::string kSourceNotice = "The initial text is too long for displaying\r\n(You still can encode it)";
static const std::string kCodeNotice =
    "The final code is too long for displaying\r\n(You still can copy or save the code)";

class TestEncoderWindow : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString startDir;
    KeyTable table;

    QString Path(const char* name) { return dir.filePath(QString::fromLatin1(name)); }

    // A shown window with the test key in its key field.
    void Ready(Harness& h)
    {
        h.keyField()->setText(Path("good.key"));
        h.coder().ShowMainWindow();
    }

    // The text a code decodes to under the test key.
    std::string Decoded(const std::string& code)
    {
        std::string text, message;
        return DecodeCode(code, table, 4, LineBreaks::CrLf, text, message) ? text : "<" + message + ">";
    }

    static void Click(Harness& h, const char* name) { h.button(name)->click(); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        startDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        WriteKey(Path("good.key"), &table);
    }
    void cleanupTestCase() { QDir::setCurrent(startDir); }

    void sourceFieldRulesAndTheTooLongNotice()
    {
        Harness h;
        Ready(h);
        app::MemoField* field = h.source();
        auto* capacity = h.find<QProgressBar>("prbInitialCapacity");

        // Line breaks are stored as CR LF and the text ends at a NUL; only a
        // change of the text itself is reported.
        QSignalSpy changes(field, &app::MemoField::changed);
        field->SetText(std::string("one\ntwo\rthree\r\nfour\0five", 23));
        QCOMPARE(h.state().SourceText, std::string("one\r\ntwo\r\nthree\r\nfour"));
        field->SetText("one\r\ntwo\r\nthree\r\nfour");
        field->SetCentred(true);
        field->setReadOnly(true);
        field->SetCentred(false);
        field->setReadOnly(false);
        QCOMPARE(changes.count(), 1);
        std::string all; // every byte of the code page but NUL and the line breaks
        for (int c = 1; c < 256; ++c)
            if (c != '\r' && c != '\n')
                all.push_back(char(c));
        field->SetText(all);
        QCOMPARE(field->Text(), all);

        // 33800 characters are shown; typing stops there, a line break counting as two.
        h.state().SourceText = std::string(33800, 'a');
        h.coder().ShowSource();
        QVERIFY(!h.state().SourceTooLong);
        QCOMPARE(field->Text().size(), std::size_t(33800));
        QCOMPARE(capacity->value(), 0);
        field->SetText(std::string(33799, 'a'));
        field->setFocus();
        field->moveCursor(QTextCursor::End);
        QTest::keyClick(field, Qt::Key_Return);
        QTest::keyClicks(field, QStringLiteral("bc"));
        QCOMPARE(h.state().SourceText, std::string(33799, 'a') + "b");

        // 33801: the notice, read-only and centred; the text is kept and encodes.
        h.state().SourceText = std::string(33801, 'z');
        h.coder().ShowSource();
        QVERIFY(h.state().SourceTooLong && field->isReadOnly() && field->IsCentred());
        QCOMPARE(field->Text(), kSourceNotice);
        QCOMPARE(h.state().SourceText, std::string(33801, 'z'));
        QTest::mouseClick(h.button("bbnEncode"), Qt::LeftButton);
        QCOMPARE(h.state().CodeText.size(), std::size_t(4 + 4 * 33801));

        // Clear from the notice empties the text for good.
        Click(h, "bbnClear");
        QVERIFY(!h.state().SourceTooLong && !field->isReadOnly() && !field->IsCentred());
        QVERIFY(h.state().SourceText.empty());
        QVERIFY(!h.button("bbnClear")->isEnabled());
        QCOMPARE(capacity->value(), 33800);

        // Tab moves the focus on instead of typing a tab.
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Tab);
        QVERIFY(h.state().SourceText.empty());
        QVERIFY(!field->hasFocus());
    }

    void loadPasteBrowseAndTheDialogReset()
    {
        Harness h;
        Ready(h);
        const QString here = QDir::currentPath();
        std::string longLf;
        for (int i = 0; i < 7000; ++i)
            longLf += "line\n";
        WriteBytes(Path("ctrlz.txt"), std::string("ab\x1a" "cd"));
        WriteBytes(Path("lf.txt"), "one\ntwo\n");
        WriteBytes(Path("longlf.txt"), longLf);
        WriteBytes(Path("nul.txt"), std::string("ab\0cd", 5));

        h.source()->SetText("hello"); // a code first, for Load to empty
        Click(h, "bbnEncode");
        h.fake.dialogs.answers = {Path("ctrlz.txt"), Path("lf.txt"), Path("longlf.txt"), Path("nul.txt"),
                                  Path("folder-that-is-missing"), std::nullopt};
        const std::pair<std::string, bool> loaded[] = {
            {"ab", false},             // ends at Ctrl-Z
            {"one\r\ntwo\r\n", false}, // LF only, back from the field
            {longLf, true},            // too long for the field: kept as read
            {"ab", false},             // cut at the NUL by the field
        };
        for (const auto& [text, tooLong] : loaded) {
            Click(h, "bbnLoad");
            QCOMPARE(h.state().SourceText, text);
            QCOMPARE(h.state().SourceTooLong, tooLong);
            QVERIFY(h.state().CodeText.empty() && h.code()->Text().empty());
            QVERIFY(!h.button("bbnCopy")->isEnabled() && !h.button("bbnSaveCode")->isEnabled());
        }
        QVERIFY(QDir().mkpath(Path("sub")) && QDir::setCurrent(Path("sub"))); // where the next Load opens
        const QString sub = QDir::currentPath();
        h.button("bbnEncode")->setEnabled(false);
        Click(h, "bbnLoad");
        QDir::setCurrent(here);
        QCOMPARE(h.ErrorShown(), QStringLiteral("Unable to open the file."));
        QVERIFY(h.state().SourceText.empty() && h.source()->Text().empty());
        QVERIFY(h.button("bbnEncode")->isEnabled() && h.button("bbnLoad")->isEnabled());
        h.source()->SetText("kept");
        Click(h, "bbnLoad"); // cancelled
        QCOMPARE(h.state().SourceText, std::string("kept"));

        // Browse: Cancel keeps the key file; a chosen one enables Encode.
        h.button("bbnEncode")->setEnabled(false);
        h.fake.dialogs.answers = {std::nullopt, Path("other.key")};
        Click(h, "bbnBrowseKeyFile");
        QCOMPARE(h.keyField()->text(), Path("good.key"));
        QVERIFY(!h.button("bbnEncode")->isEnabled());
        Click(h, "bbnBrowseKeyFile");
        QCOMPARE(h.keyField()->text(), Path("other.key"));
        QVERIFY(h.button("bbnEncode")->isEnabled());

        // Every dialog opens with the first filter, no name, and the folder
        // that was current when it was last closed.
        const auto& calls = h.fake.dialogs.calls;
        QCOMPARE(calls.size(), std::size_t(8));
        for (std::size_t i = 0; i < calls.size(); ++i) {
            const platform::FileDialogOptions& o = calls[i].options;
            const bool load = i < 6;
            QVERIFY(!calls[i].save && o.fileMustExist && o.filterIndex == 1 && o.fileName.isEmpty());
            QCOMPARE(o.title, load ? QStringLiteral("Load initial text") : QStringLiteral("Choose key file"));
            QCOMPARE(o.filter, load ? QStringLiteral("Text files (*.txt)|*.txt|All files (*.*)|*.*")
                                    : QStringLiteral("Key files (*.key)|*.key|All files (*.*)|*.*"));
            QCOMPARE(o.initialDir, i == 5 ? sub : here);
        }

        // Paste: the clipboard's text; a failed read reports and keeps the
        // text; no text on the clipboard empties the field.
        h.fake.clipboard.text = "from\nclipboard";
        h.button("bbnEncode")->setEnabled(false);
        Click(h, "bbnPaste");
        QCOMPARE(h.state().SourceText, std::string("from\r\nclipboard"));
        QVERIFY(h.button("bbnEncode")->isEnabled());
        h.fake.clipboard.failRead = true;
        Click(h, "bbnPaste");
        QCOMPARE(h.ErrorShown(), QStringLiteral("Unable to paste the text."));
        QCOMPARE(h.state().SourceText, std::string("from\r\nclipboard"));
        h.fake.clipboard = {};
        Click(h, "bbnPaste");
        QVERIFY(h.state().SourceText.empty() && h.source()->Text().empty());
    }

    void encodeCopyAndSaveTheWholeCode()
    {
        Harness h;
        Ready(h);
        const std::string text = "Meet me at noon.\r\n\tBring the key!";
        h.source()->SetText(text);
        QVERIFY(!h.button("bbnCopy")->isEnabled());
        Click(h, "bbnEncode");
        QCOMPARE(Decoded(h.state().CodeText), text);
        QCOMPARE(h.code()->Text(), h.state().CodeText);

        // A code of 33800 characters is shown; one of 33804 gives the notice.
        // Copy and Save always take the whole code.
        const std::pair<int, std::string> lengths[] = {{8449, ""}, {8450, kCodeNotice}};
        for (const auto& [characters, notice] : lengths) {
            h.state().SourceText = std::string(characters, 'x');
            h.coder().ShowSource();
            Click(h, "bbnEncode");
            QCOMPARE(h.state().CodeText.size(), std::size_t(4 + 4 * characters));
            QCOMPARE(h.code()->IsCentred(), !notice.empty());
            QCOMPARE(h.code()->Text(), notice.empty() ? h.state().CodeText : notice);
            Click(h, "bbnCopy");
            QCOMPARE(h.fake.clipboard.text, h.state().CodeText);
            h.fake.dialogs.answers = {Path("out.etx")};
            Click(h, "bbnSaveCode");
            QCOMPARE(ReadBytes(Path("out.etx")), h.state().CodeText);
        }
        const auto& save = h.fake.dialogs.calls.back();
        QVERIFY(save.save && save.options.overwritePrompt && save.options.defaultExt == QStringLiteral("etx"));

        // Failing outlets report and change nothing.
        h.fake.clipboard.failWrite = true;
        Click(h, "bbnCopy");
        QCOMPARE(h.ErrorShown(), QStringLiteral("Unable to copy the code."));
        h.fake.dialogs.answers = {Path("no-such-folder/x.etx")};
        Click(h, "bbnSaveCode");
        QCOMPARE(h.ErrorShown(), QStringLiteral("Unable to save the file."));
        QCOMPARE(h.state().CodeText.size(), std::size_t(33804));

        // An empty text gives no code, and Copy and Save go off.
        h.source()->SetText("");
        Click(h, "bbnEncode");
        QVERIFY(h.state().CodeText.empty() && h.code()->Text().empty());
        QVERIFY(!h.button("bbnCopy")->isEnabled() && !h.button("bbnSaveCode")->isEnabled());
    }

    void stopAndCloseEndTheRunAndKeepThePreviousCode()
    {
        Harness h;
        Ready(h);
        h.source()->SetText("first");
        Click(h, "bbnEncode");
        const std::string previous = h.state().CodeText;
        h.state().SourceText = std::string(5000, 'y'); // 50 characters move the bar
        h.coder().ShowSource();

        const char* locked[] = {"bbnBrowseKeyFile", "bbnClear", "bbnCopy", "bbnLoad", "bbnNewKey",
                                "bbnPaste", "bbnSaveCode", "spbC", "spbDecoder", "spbExit"};
        auto checkLocked = [&](bool running) {
            QCOMPARE(h.button("bbnEncode")->text(), running ? QStringLiteral("STOP") : QStringLiteral("Encode"));
            QCOMPARE(h.state().Encoding, running);
            QVERIFY(h.button("bbnEncode")->isEnabled());
            for (const char* name : locked)
                QVERIFY2(h.button(name)->isEnabled() == !running, name);
            // The link is blue and underlined while it can be clicked, grey and plain while locked.
            const QLabel* link = h.find<QLabel>("lblHyperLink");
            QCOMPARE(link->isEnabled(), !running);
            QCOMPARE(link->font().underline(), !running);
            QCOMPARE(link->palette().color(QPalette::WindowText) == QColor(0, 0, 255), !running);
        };
        bool stopped = false;
        AtNextYield([&] {
            checkLocked(true);
            QCOMPARE(h.find<QProgressBar>("prbCoding")->value(), 50);
            // The locked link label does not open the address.
            QTest::mousePress(h.find<QLabel>("lblHyperLink"), Qt::LeftButton);
            QTest::mouseRelease(h.find<QLabel>("lblHyperLink"), Qt::LeftButton);
            QVERIFY(h.fake.shell.calls.empty());
            Click(h, "bbnEncode"); // STOP
            stopped = true;
        });
        Click(h, "bbnEncode");
        QVERIFY(stopped && h.state().EncodingCancelled);
        checkLocked(false); // Copy and Save as before the run
        QCOMPARE(h.state().CodeText, previous);
        QCOMPARE(h.code()->Text(), previous);
        QCOMPARE(h.find<QProgressBar>("prbCoding")->value(), 0);

        // A rejected key leaves everything as it was, and no run starts.
        h.keyField()->setText(Path("missing.key"));
        Click(h, "bbnEncode");
        QCOMPARE(h.ErrorShown(), QStringLiteral("The key file could not be found."));
        QCOMPARE(h.state().CodeText, previous);
        QCOMPARE(h.code()->Text(), previous);
        QVERIFY(h.button("bbnCopy")->isEnabled());

        // Closing the window during a run ends the run first.
        h.keyField()->setText(Path("good.key"));
        AtNextYield([&] { h.coder().windowHandle()->close(); });
        Click(h, "bbnEncode");
        QVERIFY(!h.state().Encoding && h.state().EncodingCancelled);
        QVERIFY(h.program->Ended() && !h.coder().isVisible());
        QCOMPARE(h.fake.settings->written, (std::vector<std::string>{"LastLeftPos", "LastTopPos"}));
    }

    void switchToDecoder()
    {
        const QString here = QFile::decodeName(QByteArray::fromStdString(platform::ProgramDirectory()));
        const QString deep = "/opt/" + QString(100, 'd'); // not cut at 79 characters
        const std::pair<QString, QString> cases[] = {
            {"/opt/morvane", "/opt/morvane/morvanedecoder"},
            {"/opt/morvane/", "/opt/morvane/morvanedecoder"}, // trailing separator
            {"", here + "/morvanedecoder"},                  // the running program's folder
            {deep, deep + "/morvanedecoder"},
        };
        for (const auto& [installDir, launched] : cases) {
            Harness h([&](FakePlatform& f) {
                f.settings->values["InstallPath"] = FakeSettingsStore::String(installDir.toStdString());
            });
            h.coder().ShowMainWindow();
            void* const mainWindow = reinterpret_cast<void*>(h.coder().winId());
            Click(h, "spbDecoder");
            QCOMPARE(h.fake.shell.calls.size(), std::size_t(1));
            const auto& call = h.fake.shell.calls[0];
            QCOMPARE(QString::fromStdString(call.file), launched);
            QVERIFY(call.parameters.empty() && call.directory.empty() && call.showCommand == 0);
            QCOMPARE(call.owner, mainWindow);
            QVERIFY(h.program->Ended());
        }
    }

    void linkLabel()
    {
        Harness h;
        Ready(h);
        QLabel* link = h.find<QLabel>("lblHyperLink");
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        for (Qt::MouseButton button : {Qt::LeftButton, Qt::MiddleButton}) {
            QVERIFY(link->font().underline());
            QTest::mousePress(link, button);
            QVERIFY(!link->font().underline());
            QTest::mouseRelease(link, button);
        }
        QCOMPARE(h.fake.shell.calls.size(), std::size_t(1)); // the left button only
        // The second press of a double click takes the underline off as well.
        QMouseEvent second(QEvent::MouseButtonDblClick, QPointF(2, 2), link->mapToGlobal(QPointF(2, 2)),
                           Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(link, &second);
        QVERIFY(!link->font().underline());
        QTest::mouseRelease(link, Qt::LeftButton);
        QVERIFY(link->font().underline());
        QCOMPARE(h.fake.shell.calls.size(), std::size_t(2));
        QCOMPARE(h.fake.shell.calls[0].file, std::string("https://morvane.example"));
        h.coder().findChild<QAction*>(QStringLiteral("copy1"))->trigger();
        QCOMPARE(h.fake.clipboard.text, std::string("https://morvane.example/"));
    }
};

MORVANE_APP_TEST_MAIN(TestEncoderWindow)
#include "test_encoder_window.moc"
