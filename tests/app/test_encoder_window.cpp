// The encoder window: its fields, the source outlets, the encoding run and
// the code outlets, the dialogs, the decoder launch and the link label.
#include "harness.h"

#include "platform/file_system.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWindow>

using namespace morvane;
using namespace morvane::testing;

class TestEncoderWindow : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString startDir;
    KeyTable table;

    QString Path(const char* name) { return dir.filePath(QString::fromLatin1(name)); }

    // A window with a key in its key field, shown.
    void Ready(Harness& h)
    {
        h.keyField()->setText(Path("good.key"));
        h.coder().ShowMainWindow();
    }

    // Checks that code is a code of text under the test key.
    void VerifyCode(const std::string& code, const std::string& text)
    {
        QCOMPARE(code.substr(0, 4), std::string("0114"));
        std::size_t at = 4;
        for (unsigned char c : text) {
            const int row = RowOf(c);
            if (row == 0)
                continue;
            const int number = std::stoi(code.substr(at, 4));
            const KeyRow& cells = table.rows[row - 1];
            QVERIFY(std::find(cells.begin(), cells.end(), number) != cells.end());
            at += 4;
        }
        QCOMPARE(at, code.size());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        startDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        WriteKey(Path("good.key"), &table);
    }
    void cleanupTestCase() { QDir::setCurrent(startDir); }

    void fieldsStoreLineBreaksAsCrLfAndEndAtNul()
    {
        Harness h;
        app::MemoField* field = h.source();
        QSignalSpy changes(field, &app::MemoField::changed);
        field->SetText(std::string("one\ntwo\rthree\r\nfour\0five", 23));
        QCOMPARE(field->Text(), std::string("one\r\ntwo\r\nthree\r\nfour"));
        QCOMPARE(h.state().SourceText, std::string("one\r\ntwo\r\nthree\r\nfour"));
        QCOMPARE(changes.count(), 1);
        field->SetText("one\r\ntwo\r\nthree\r\nfour"); // the same text: no change
        field->SetCentred(true);                      // neither are these
        field->setReadOnly(true);
        field->SetCentred(false);
        field->setReadOnly(false);
        QCOMPARE(changes.count(), 1);
        // Every byte of the code page but NUL and the line breaks survives.
        std::string all;
        for (int c = 1; c < 256; ++c)
            if (c != '\r' && c != '\n')
                all.push_back(char(c));
        field->SetText(all);
        QCOMPARE(field->Text(), all);
    }

    void sourceFieldLimitAndCapacity()
    {
        Harness h;
        Ready(h);
        auto* capacity = h.find<QProgressBar>("prbInitialCapacity");
        QCOMPARE(capacity->value(), 33800);
        h.state().SourceText = std::string(33800, 'a');
        h.coder().ShowSource();
        QVERIFY(!h.state().SourceTooLong);
        QCOMPARE(h.source()->Text().size(), std::size_t(33800));
        QCOMPARE(capacity->value(), 0);

        // Typing stops at 33800 characters; a line break counts as two.
        h.source()->SetText(std::string(33799, 'a'));
        h.source()->setFocus();
        h.source()->moveCursor(QTextCursor::End);
        QTest::keyClick(h.source(), Qt::Key_Return);
        QCOMPARE(h.state().SourceText.size(), std::size_t(33799));
        QTest::keyClicks(h.source(), QStringLiteral("bc"));
        QCOMPARE(h.state().SourceText, std::string(33799, 'a') + "b");
        QCOMPARE(capacity->value(), 0);

        // 33801 characters: the notice, read-only and centred; the text is kept.
        h.state().SourceText = std::string(33801, 'z');
        h.coder().ShowSource();
        QVERIFY(h.state().SourceTooLong);
        QVERIFY(h.source()->isReadOnly());
        QVERIFY(h.source()->IsCentred());
        QCOMPARE(h.source()->Text(), std::string(app::kSourceTooLongNotice));
        QCOMPARE(h.state().SourceText, std::string(33801, 'z'));

        // Encoding the long text works; Clear then empties it for good.
        QTest::mouseClick(h.button("bbnEncode"), Qt::LeftButton);
        QCOMPARE(h.state().CodeText.size(), std::size_t(4 + 4 * 33801));
        QVERIFY(h.button("bbnClear")->isEnabled());
        QTest::mouseClick(h.button("bbnClear"), Qt::LeftButton);
        QVERIFY(!h.state().SourceTooLong);
        QVERIFY(h.state().SourceText.empty());
        QVERIFY(!h.source()->isReadOnly());
        QVERIFY(!h.source()->IsCentred());
        QVERIFY(!h.button("bbnClear")->isEnabled());
        QCOMPARE(capacity->value(), 33800);

        // Tab moves the focus on instead of typing a tab.
        h.source()->setFocus();
        QTest::keyClick(h.source(), Qt::Key_Tab);
        QVERIFY(h.state().SourceText.empty());
        QVERIFY(!h.source()->hasFocus());
    }

    void loadReadsBytesAndResetsTheDialog()
    {
        Harness h;
        Ready(h);
        WriteBytes(Path("ctrlz.txt"), std::string("ab\x1a" "cd"));
        WriteBytes(Path("lf.txt"), "one\ntwo\n");
        std::string longLf;
        for (int i = 0; i < 7000; ++i)
            longLf += "line\n";
        WriteBytes(Path("longlf.txt"), longLf);
        WriteBytes(Path("nul.txt"), std::string("ab\0cd", 5));

        // A code first, to see Load empty it.
        h.source()->SetText("hello");
        h.button("bbnEncode")->click();
        QVERIFY(h.button("bbnCopy")->isEnabled());

        h.fake.dialogs.answers = {Path("ctrlz.txt"), Path("lf.txt"), Path("longlf.txt"), Path("nul.txt"),
                                  Path("folder-that-is-missing"), std::nullopt};
        h.button("bbnLoad")->click();
        QCOMPARE(h.state().SourceText, std::string("ab"));
        QVERIFY(h.state().CodeText.empty());
        QCOMPARE(h.code()->Text(), std::string());
        QVERIFY(!h.button("bbnCopy")->isEnabled());
        QVERIFY(!h.button("bbnSaveCode")->isEnabled());

        h.button("bbnLoad")->click();
        QCOMPARE(h.state().SourceText, std::string("one\r\ntwo\r\n")); // back from the field
        h.button("bbnLoad")->click();
        QCOMPARE(h.state().SourceText, longLf); // too long for the field: kept as read
        QVERIFY(h.state().SourceTooLong);
        h.button("bbnLoad")->click();
        QCOMPARE(h.state().SourceText, std::string("ab")); // cut at the NUL by the field

        h.button("bbnEncode")->setEnabled(false);
        h.button("bbnLoad")->click();
        QCOMPARE(h.ErrorShown(), QStringLiteral("Unable to open the file."));
        QVERIFY(h.state().SourceText.empty());
        QCOMPARE(h.source()->Text(), std::string());
        QVERIFY(h.button("bbnEncode")->isEnabled());
        QVERIFY(h.button("bbnLoad")->isEnabled());

        h.source()->SetText("kept");
        h.button("bbnLoad")->click(); // cancelled: nothing changes
        QCOMPARE(h.state().SourceText, std::string("kept"));

        // Every use opened with the first filter, no name, the current folder.
        QCOMPARE(h.fake.dialogs.calls.size(), std::size_t(6));
        for (const auto& call : h.fake.dialogs.calls) {
            QVERIFY(!call.save);
            QCOMPARE(call.options.title, QStringLiteral("Load initial text"));
            QCOMPARE(call.options.filter, QStringLiteral("Text files (*.txt)|*.txt|All files (*.*)|*.*"));
            QCOMPARE(call.options.defaultExt, QStringLiteral("txt"));
            QVERIFY(call.options.fileMustExist && call.options.hideReadOnly);
            QCOMPARE(call.options.filterIndex, 1);
            QVERIFY(call.options.fileName.isEmpty());
            QCOMPARE(call.options.initialDir, QDir::currentPath());
        }
    }

    void pasteTakesTheClipboardText()
    {
        Harness h;
        Ready(h);
        h.fake.clipboard.text = "from\nclipboard";
        h.button("bbnEncode")->setEnabled(false);
        h.button("bbnPaste")->click();
        QCOMPARE(h.state().SourceText, std::string("from\r\nclipboard"));
        QVERIFY(h.button("bbnEncode")->isEnabled());

        h.fake.clipboard.failRead = true;
        h.button("bbnPaste")->click();
        QCOMPARE(h.ErrorShown(), QStringLiteral("Unable to paste the text."));
        QCOMPARE(h.state().SourceText, std::string("from\r\nclipboard"));
        QVERIFY(h.button("bbnPaste")->isEnabled());

        h.fake.clipboard.failRead = false;
        h.fake.clipboard.text.clear(); // no text on the clipboard
        h.button("bbnPaste")->click();
        QVERIFY(h.state().SourceText.empty());
        QCOMPARE(h.source()->Text(), std::string());
    }

    void encodeCopyAndSaveTheWholeCode()
    {
        Harness h;
        Ready(h);
        const std::string text = "Meet me at noon.\r\n\tBring the key!";
        h.source()->SetText(text);
        QVERIFY(!h.button("bbnCopy")->isEnabled());
        h.button("bbnEncode")->click();
        VerifyCode(h.state().CodeText, text);
        QCOMPARE(h.code()->Text(), h.state().CodeText);
        QVERIFY(!h.code()->IsCentred());
        QCOMPARE(h.button("bbnEncode")->text(), QStringLiteral("Encode"));
        QCOMPARE(h.find<QProgressBar>("prbCoding")->value(), 0);

        h.button("bbnCopy")->click();
        QCOMPARE(h.fake.clipboard.text, h.state().CodeText);
        h.fake.dialogs.answers = {Path("out.etx")};
        h.button("bbnSaveCode")->click();
        QCOMPARE(ReadBytes(Path("out.etx")), h.state().CodeText);
        const auto& save = h.fake.dialogs.calls.back();
        QVERIFY(save.save && save.options.overwritePrompt);
        QCOMPARE(save.options.title, QStringLiteral("Save code"));
        QCOMPARE(save.options.defaultExt, QStringLiteral("etx"));

        // A code of 8450 characters' worth fits exactly; one more shows the notice.
        h.state().SourceText = std::string(8449, 'x');
        h.coder().ShowSource();
        h.button("bbnEncode")->click();
        QCOMPARE(h.state().CodeText.size(), std::size_t(33800));
        QVERIFY(!h.code()->IsCentred());
        QCOMPARE(h.code()->Text(), h.state().CodeText);
        h.state().SourceText = std::string(8450, 'x');
        h.coder().ShowSource();
        h.button("bbnEncode")->click();
        QCOMPARE(h.state().CodeText.size(), std::size_t(33804));
        QVERIFY(h.code()->IsCentred());
        QCOMPARE(h.code()->Text(), std::string(app::kCodeTooLongNotice));
        h.button("bbnCopy")->click();
        QCOMPARE(h.fake.clipboard.text, h.state().CodeText);
        h.fake.dialogs.answers = {Path("long.etx")};
        h.button("bbnSaveCode")->click();
        QCOMPARE(ReadBytes(Path("long.etx")), h.state().CodeText);

        // Failing outlets report and change nothing.
        h.fake.clipboard.failWrite = true;
        h.button("bbnCopy")->click();
        QCOMPARE(h.ErrorShown(), QStringLiteral("Unable to copy the code."));
        h.fake.dialogs.answers = {Path("no-such-folder/x.etx")};
        h.button("bbnSaveCode")->click();
        QCOMPARE(h.ErrorShown(), QStringLiteral("Unable to save the file."));
        QCOMPARE(h.state().CodeText.size(), std::size_t(33804));

        // An empty text gives no code, and Copy and Save go off.
        h.source()->SetText("");
        h.button("bbnEncode")->click();
        QVERIFY(h.state().CodeText.empty());
        QCOMPARE(h.code()->Text(), std::string());
        QVERIFY(!h.button("bbnCopy")->isEnabled());
        QVERIFY(!h.button("bbnSaveCode")->isEnabled());
    }

    void stopEndsTheRunAndKeepsThePreviousCode()
    {
        Harness h;
        Ready(h);
        h.source()->SetText("first");
        h.button("bbnEncode")->click();
        const std::string previous = h.state().CodeText;

        h.state().SourceText = std::string(100000, 'y');
        h.coder().ShowSource();
        const char* locked[] = {"bbnBrowseKeyFile", "bbnClear", "bbnCopy", "bbnLoad", "bbnNewKey",
                                "bbnPaste", "bbnSaveCode", "spbC", "spbDecoder", "spbExit"};
        bool checked = false;
        AtNextYield([&] {
            QCOMPARE(h.button("bbnEncode")->text(), QStringLiteral("STOP"));
            QVERIFY(h.button("bbnEncode")->isEnabled());
            for (const char* name : locked)
                QVERIFY2(!h.button(name)->isEnabled(), name);
            QVERIFY(!h.find<QLabel>("lblHyperLink")->isEnabled());
            QVERIFY(h.state().Encoding);
            QCOMPARE(h.find<QProgressBar>("prbCoding")->value(), 50);
            h.button("bbnEncode")->click(); // STOP
            checked = true;
        });
        h.button("bbnEncode")->click();
        QVERIFY(checked);
        QVERIFY(h.state().EncodingCancelled);
        QVERIFY(!h.state().Encoding);
        QCOMPARE(h.state().CodeText, previous);
        QCOMPARE(h.code()->Text(), previous);
        QCOMPARE(h.button("bbnEncode")->text(), QStringLiteral("Encode"));
        QCOMPARE(h.find<QProgressBar>("prbCoding")->value(), 0);
        for (const char* name : locked)
            QVERIFY2(h.button(name)->isEnabled(), name); // Copy and Save as before the run
        QVERIFY(h.find<QLabel>("lblHyperLink")->isEnabled());

        // A rejected key leaves everything as it was, and no run starts.
        h.keyField()->setText(Path("missing.key"));
        h.button("bbnEncode")->click();
        QCOMPARE(h.ErrorShown(), QStringLiteral("The key file could not be found."));
        QCOMPARE(h.state().CodeText, previous);
        QCOMPARE(h.code()->Text(), previous);
        QVERIFY(h.button("bbnCopy")->isEnabled());
    }

    void closingDuringARunEndsTheRunFirst()
    {
        Harness h;
        Ready(h);
        h.state().SourceText = std::string(100000, 'y');
        h.coder().ShowSource();
        AtNextYield([&] { h.coder().windowHandle()->close(); });
        h.button("bbnEncode")->click();
        QVERIFY(!h.state().Encoding);
        QVERIFY(h.state().EncodingCancelled);
        QVERIFY(h.program->mainWindowClosed);
        QVERIFY(!h.coder().isVisible());
        QCOMPARE(h.fake.settings->written, (std::vector<std::string>{"LastLeftPos", "LastTopPos"}));
    }

    void browseUsesTheKeyDialog()
    {
        Harness h;
        Ready(h);
        h.button("bbnEncode")->setEnabled(false);
        h.fake.dialogs.answers = {std::nullopt, Path("other.key")};
        h.button("bbnBrowseKeyFile")->click(); // cancelled
        QCOMPARE(h.keyField()->text(), Path("good.key"));
        QVERIFY(!h.button("bbnEncode")->isEnabled());
        h.button("bbnBrowseKeyFile")->click();
        QCOMPARE(h.keyField()->text(), Path("other.key"));
        QVERIFY(h.button("bbnEncode")->isEnabled());
        const auto& options = h.fake.dialogs.calls.back().options;
        QCOMPARE(options.title, QStringLiteral("Choose key file"));
        QCOMPARE(options.filter, QStringLiteral("Key files (*.key)|*.key|All files (*.*)|*.*"));
        QCOMPARE(options.filterIndex, 1);
        QVERIFY(options.fileName.isEmpty());
    }

    void switchToDecoder_data()
    {
        QTest::addColumn<QString>("installDir");
        QTest::addColumn<QString>("launched");
        QTest::newRow("plain") << "/opt/morvane" << "/opt/morvane/morvanedecoder";
        QTest::newRow("trailing separator") << "/opt/morvane/" << "/opt/morvane/morvanedecoder";
        QTest::newRow("empty") << ""
                               << QFile::decodeName(QByteArray::fromStdString(platform::ProgramDirectory())) +
                                      "/morvanedecoder";
        const QString deep = "/opt/" + QString(100, 'd');
        QTest::newRow("long") << deep << deep + "/morvanedecoder";
    }

    void switchToDecoder()
    {
        QFETCH(QString, installDir);
        QFETCH(QString, launched);
        Harness h;
        h.fake.settings->values["InstallPath"] = FakeSettingsStore::String(installDir.toStdString());
        h.Create();
        h.coder().ShowMainWindow();
        QCOMPARE(h.state().InstallDir, installDir);
        h.button("spbDecoder")->click();
        QCOMPARE(h.fake.shell.calls.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(h.fake.shell.calls[0].file), launched);
        QCOMPARE(h.fake.shell.calls[0].parameters, std::string());
        QCOMPARE(h.fake.shell.calls[0].directory, std::string());
        QCOMPARE(h.fake.shell.calls[0].showCommand, 0);
        QVERIFY(h.program->mainWindowClosed);
    }

    void linkLabel()
    {
        Harness h;
        Ready(h);
        QLabel* link = h.find<QLabel>("lblHyperLink");
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(link->font().underline());
        QTest::mousePress(link, Qt::LeftButton);
        QVERIFY(!link->font().underline());
        QTest::mouseRelease(link, Qt::LeftButton);
        QVERIFY(link->font().underline());
        QCOMPARE(h.fake.shell.calls.size(), std::size_t(1));
        QCOMPARE(h.fake.shell.calls[0].file, std::string("https://morvane.example"));
        QTest::mousePress(link, Qt::MiddleButton);
        QVERIFY(!link->font().underline());
        QTest::mouseRelease(link, Qt::MiddleButton);
        QCOMPARE(h.fake.shell.calls.size(), std::size_t(1));
        h.coder().findChild<QAction*>(QStringLiteral("copy1"))->trigger();
        QCOMPARE(h.fake.clipboard.text, std::string("https://morvane.example/"));
    }
};

MORVANE_APP_TEST_MAIN(TestEncoderWindow)
#include "test_encoder_window.moc"
