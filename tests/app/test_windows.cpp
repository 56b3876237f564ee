// The encoder program's windows driven headless, from start-up to the end, and quick encoding.
#include "platform/qt_application.h"
#include "coder.h"
#include "copyright.h"
#include "error.h"
#include "memo_field.h"
#include "newkey.h"
#include "program.h"
#include "quick_encode.h"

#include "io/key_file.h"
#include "core/decoder.h"
#include "core/key_generator.h"
#include "platform/file_system.h"
#include "support/all.h"
#include "support/fakes.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

#include <QtTest>
#include <QtWidgets>
#include <sys/stat.h>

template <> char* QTest::toString(const std::string& s) { return qstrdup(s.substr(0, 200).c_str()); }

using namespace morvane;
using namespace morvane::testing;
using namespace std::literals;

namespace {

const QString kProperly = "The application has not been installed properly.";
const QString kCorrectly = "The application has not been installed correctly.";
const QString kFailure = "Morvane  |  Encoder|"; // the failure box's caption
const auto kText = FakeSettingsStore::String;

// A Program over fake platform parts (set up by prepare), its windows created; with a key, the window shows it.
struct Harness {
    explicit Harness(QStringList arguments = {"morvane"}, const std::function<void(Harness&)>& prepare = {},
                     const QString& key = {})
    {
        prepare ? prepare(*this) : void();
        (program = std::make_unique<app::Program>(fake.platform, std::move(arguments)))->CreateWindows();
        key.isEmpty() ? void() : (keyField()->setText(key), coder().ShowMainWindow());
    }
    app::ProgramState& state() { return program->state; }
    app::TfrmCoder& coder() { return *program->frmCoder; }
    app::TfrmError& error() { return *program->frmError; }
    template <class T = QPushButton>
    T* find(const char* name)
    {
        T* found = program->frmCoder->findChild<T*>(QLatin1String(name));
        return found ? found : (qFatal("no control %s", name), nullptr);
    }
    void click(const char* name) { find(name)->click(); }
    // Those of the named controls (separated by blanks) that are enabled.
    QString enabled(const QString& names)
    {
        QStringList on = names.split(' ');
        on.removeIf([this](const QString& name) { return !find<QWidget>(qPrintable(name))->isEnabled(); });
        return on.join(' ');
    }
    app::MemoField* source() { return find<app::MemoField>("mmoInitial"); }
    app::MemoField* code() { return find<app::MemoField>("mmoCode"); }
    QLineEdit* keyField() { return find<QLineEdit>("edtKeyFile"); }
    QString ErrorShown() { return error().isVisible() ? error().Message() : QString(); }
    QString Press(const char* name) { return click(name), ErrorShown(); } // the message that the click brought up
    void Encode(std::string_view text) { source()->SetText(text), click("bbnEncode"); }
    // A text put straight into the state, as Load and Paste do, then shown.
    void SetSource(std::string text) { state().SourceText = std::move(text), coder().ShowSource(); }

    FakePlatform fake;
    std::unique_ptr<app::Program> program;
};

// Writes a newly generated key file and returns its table.
KeyTable WriteKey(const std::string& name)
{
    RandomSource random(4711);
    KeyTable table;
    GenerateKey(random, table);
    return io::WriteKeyFile(name, table).ok ? table : (qFatal("cannot write the key file"), table);
}

// The text a code decodes to under table, or the decoder's message.
std::string Decoded(const std::string& code, const KeyTable& table)
{
    std::string text, message;
    return DecodeCode(code, table, 4, LineBreaks::CrLf, text, message) ? text : "<" + message + ">";
}

// Runs f at the next processing of events: an encoding run's first yield.
void AtNextYield(std::function<void()> f) { QTimer::singleShot(0, std::move(f)); }

// What a widget showed at each of its paints.
struct PaintLog : QObject {
    explicit PaintLog(std::function<QString()> what) : shown(std::move(what)) {}
    bool eventFilter(QObject*, QEvent* e) override { return e->type() == QEvent::Paint && (seen << shown(), false); }
    std::function<QString()> shown;
    QStringList seen;
};

QString Q(const std::string& s) { return QString::fromStdString(s); }

platform::ValueData Dword(std::uint32_t v) { return {platform::kRegDword, {reinterpret_cast<char*>(&v), 4}}; }

} // namespace

class TestWindows : public QObject {
    Q_OBJECT

    TempDir dir;
    const QString startDir = QDir::currentPath();
    const KeyTable table = WriteKey(dir / "good.key");

    // Names as the program shows them: with the system's own folder separators.
    QString Path(const std::string& name) const { return QDir::toNativeSeparators(Q(dir / name)); }
    static QString Here() { return QDir::toNativeSeparators(QDir::currentPath()); }
    QString Letter(const char* extension) const { return Path("letters/letter."s + extension); }
    // "morvane ENCODE file": the whole flow runs as the windows are created.
    static std::unique_ptr<Harness> Quick(const QString& file, std::deque<std::optional<QString>> answers,
                                          const std::function<void(Harness&)>& before = {})
    {
        return std::make_unique<Harness>(QStringList{"morvane", "ENCODE", file}, [&](Harness& h) {
            h.fake.dialogs.answers = std::move(answers);
            before ? before(h) : void();
        });
    }
    // The program ended (or ends as soon as its loop starts).
    static bool Ended(Harness& h) { return h.program->Ended() && h.program->Run() == 0; }
    // What a file holds: "none", "<empty file>", "old", or the text its code decodes to.
    std::string Holds(const std::string& name) const
    {
        const std::string bytes = ReadBytes(dir / name), shown = bytes.empty() ? "<empty file>" : bytes;
        return !QFile::exists(Path(name)) ? "none" : bytes.empty() || bytes == "old" ? shown : Decoded(bytes, table);
    }
    // A shown window with the test key in its key field.
    void Ready(Harness& h) { h.keyField()->setText(Path("good.key")), h.coder().ShowMainWindow(); }

private slots:
    // Before each test: an only letter, and the tests' folder current.
    void init()
    {
        QVERIFY(QDir(Path("letters")).removeRecursively() && QDir().mkpath(Path("letters")));
        WriteBytes(dir / "letters/letter.txt", "Dear Ann,\r\n\tthe key is under the mat.\n");
        QDir::setCurrent(Q(dir.path()));
    }
    void initTestCase()
    {
        WriteBytes(dir / "story.txt", "Once upon a time\r\n");
        WriteBytes(dir / "damaged.key", "01x4" + std::string(100, '7'));
        WriteBytes(dir / "width.key", "011x" + std::string(7910 * 4, '5')); // a width that is no digit
        QVERIFY(QDir().mkpath(Path("folder")) && QDir().mkpath(Path("elsewhere")));
#ifndef _WIN32 // Windows has no named pipes in its folders
        QCOMPARE(::mkfifo((dir / "fifo").c_str(), 0600), 0);
#endif
    }
    void cleanupTestCase() { QDir::setCurrent(startDir); }

    // The four windows, then StartUp once: one settings check, the named file, the seed.
    void startsUp()
    {
        Harness h({"morvane", Path("story.txt")});
        QVERIFY(h.program->frmNewKey && h.program->frmError && h.program->frmC);
        QCOMPARE((All{h.state().FormsCreated, h.fake.settings->opened.size(), h.fake.dialogs.calls.size()}),
                 (All{4, 1, 0}));
        QCOMPARE((All{h.source()->Text(), h.state().SourceText, h.state().Random.RandomState}),
                 (All{"Once upon a time\r\n", "Once upon a time\r\n", 12345u})); // milliseconds since midnight UTC
        QCOMPARE((All{h.coder().windowTitle(), h.state().StartDir, h.coder().size()}),
                 (All{"Morvane Encoder  |  Ver. 1.1", Here(), QSize(465, 419)}));
        QVERIFY(!h.error().isVisible() && !h.program->frmNewKey->isVisible() && !h.program->frmC->isVisible());
    }

    void commandLine()
    {
        const QString story = Path("story.txt");
        const std::tuple<QStringList, bool, bool, QString> cases[] = {
            // parameters, quick mode, open-file mode, SourceFileName
            {{}, false, false, ""}, {{"ENCODE", "story.txt"}, true, false, story},
            {{"encode", "story.txt"}, true, false, story}, {{"Encode", "st*.t?t"}, true, false, story},
            {{"ENCODE", "story.txt", "more"}, true, false, story}, {{"ENCODE"}, false, false, ""},
            {{"ENCODE", "missing.txt"}, false, false, ""}, {{"ENCODE", "folder"}, false, false, Path("folder")},
            {{"story.txt", "ignored"}, false, true, "story.txt"}, {{"missing.txt"}, false, false, "missing.txt"},
            {{"folder"}, false, false, "folder"}, // only a regular file starts quick mode, never an endless read:
#ifndef _WIN32
            {{"ENCODE", "/dev/zero"}, false, false, "/dev/zero"}, {{"ENCODE", "fifo"}, false, false, Path("fifo")},
#endif
        };
        for (const auto& [parameters, quick, openFile, sourceFileName] : cases) {
            Harness h(QStringList{"morvane"} + parameters); // a text is read in open-file mode alone
            QCOMPARE((All{parameters, h.state().QuickMode, h.state().OpenFileMode, h.state().SourceFileName}),
                     (All{parameters, quick, openFile, sourceFileName}));
            QCOMPARE((All{parameters, quick || h.state().SourceText.empty() != openFile, h.error().isVisible(),
                          h.fake.dialogs.calls.empty(), h.program->Ended()}),
                     (All{parameters, true, false, !quick, quick}));
        }
    }

    // The error window hides by its button, Enter or the title bar, and ends the program
    // with CloseOnErrorDismiss; the program ends when the encoder window closes.
    void errorWindowFailureBoxAndTheEnd()
    {
        const std::function<void(app::TfrmError&)> ways[] = {
            [](app::TfrmError& e) { e.findChild<QPushButton*>("BitBtn1")->click(); },
            [](app::TfrmError& e) { QTest::keyClick(&e, Qt::Key_Return); },
            [](app::TfrmError& e) { e.windowHandle()->close(); },
        };
        for (const bool closeOnDismiss : {false, true})
            for (const auto& close : ways) {
                Harness h;
                h.coder().ShowMainWindow(), h.state().CloseOnErrorDismiss = closeOnDismiss;
                h.program->ShowError("first"), h.program->ShowError("second");
                const bool onTop = h.error().windowFlags().testFlag(Qt::WindowStaysOnTopHint);
                QCOMPARE((All{h.ErrorShown(), onTop, h.error().size()}), (All{"second", true, QSize(489, 65)}));
                close(h.error()); // the message is kept until replaced
                QCOMPARE((All{h.error().isVisible(), h.error().Message(), h.coder().isVisible(), h.program->Ended()}),
                         (All{false, "second", !closeOnDismiss, closeOnDismiss}));
            }
        Harness h;
        QTimer::singleShot(0, [&] {
            h.program->ShowError("first"), h.error().close();
            QVERIFY(!h.program->Ended());
            h.click("spbExit");
        });
        QCOMPARE((All{h.program->Run(), h.program->Ended(), h.coder().isVisible()}), (All{0, true, false}));

        // The top-level failure handler's box: a key whose width is no digit (no run starts).
        Harness failing;
        failing.keyField()->setText(Path("width.key")), failing.source()->SetText("abc");
        failing.coder().ShowMainWindow(), QTest::mouseClick(failing.find("bbnEncode"), Qt::LeftButton);
        QCOMPARE((All{failing.fake.failureBox.shown, failing.find("bbnEncode")->text()}),
                 (All{std::vector{kFailure + "'x' is not a valid integer value."}, "Encode"}));
        QVERIFY(!failing.error().isVisible() && failing.state().CodeText.empty() && !failing.state().Encoding);
    }

    // A failed check: a disabled window that only the message's dismissal closes; no writes.
    void failedSettingsChecks()
    {
        using Data = FakeSettingsStore::Data;
        const std::tuple<const char*, QString, std::function<void(Data&)>> cases[] = {
            {"key missing", kProperly, [](Data& d) { d.keyExists = false; }},
            {"install path missing", kProperly, [](Data& d) { d.values.erase("InstallPath"); }},
            {"left missing, install path damaged", kProperly,
             [](Data& d) { d.values.erase("LastLeftPos"), d.values["InstallPath"] = Dword(7); }},
            {"top missing", kProperly, [](Data& d) { d.values.erase("LastTopPos"); }},
            {"number value", kCorrectly, [](Data& d) { d.values["LastTopPos"] = Dword(100); }},
            {"zero-size number", kCorrectly, [](Data& d) { d.values["LastLeftPos"] = {platform::kRegDword, ""}; }},
            {"zero-size string", kCorrectly, [](Data& d) { d.values["LastLeftPos"] = {platform::kRegSz, ""}; }},
            {"left not an integer", kCorrectly, [](Data& d) { d.values["LastLeftPos"] = kText("12a"); }},
            {"top with a blank inside", kCorrectly, [](Data& d) { d.values["LastTopPos"] = kText("1 2"); }},
            {"unreadable", kCorrectly, [](Data& d) { d.failReads = true; }},
            {"out of memory", "Out of memory.", [](Data& d) { d.outOfMemory = true; }},
        };
        for (const auto& [name, message, change] : cases) {
            Harness h({"morvane"}, [&change = change](Harness& p) { change(*p.fake.settings); });
            h.coder().ShowMainWindow();
            QCOMPARE((All{name, h.ErrorShown(), h.state().CloseOnErrorDismiss, h.coder().isEnabled()}),
                     (All{name, message, true, false}));
            h.coder().windowHandle()->close(), h.coder().close(); // the title-bar control, then the program's own
            QVERIFY2(h.coder().isVisible() && !h.program->Ended(), name);
            h.error().findChild<QPushButton*>("BitBtn1")->click();
            QVERIFY2(h.program->Ended() && !h.coder().isVisible() && h.fake.settings->written.empty(), name);
            QVERIFY2(h.fake.failureBox.shown.empty(), name);
        }
    }

    // The position: unclamped, five characters of each value, "-1" centres; written at
    // the end (left, then top) and restored at the next start, quick mode too.
    void windowPositionAndTheCheckAtTheEnd()
    {
        Harness odd({"morvane"}, [](Harness& p) { // InstallPath empty, of the other string type
            p.fake.settings->values = {{"InstallPath", {platform::kRegExpandSz, "\0"s}},
                                       {"LastLeftPos", kText("123456")}, {"LastTopPos", kText("  -5")}};
        });
        odd.coder().ShowMainWindow();
        QCOMPARE((All{odd.error().isVisible(), odd.coder().pos(), odd.state().InstallDir.isEmpty()}),
                 (All{false, QPoint(12345, -5), true}));
        auto store = std::make_shared<FakeSettingsStore::Data>(*FakePlatform().settings);
        const auto sharing = [&](Harness& p) { p.fake.settings = store; };
        Harness first({"morvane"}, sharing);
        first.coder().ShowMainWindow();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY((first.coder().geometry().center() - screen.center()).manhattanLength() <= 8);
        first.coder().move(40, 60), first.click("spbExit");
        using Names = std::vector<std::string>;
        QCOMPARE((All{first.program->Ended(), store->opened, store->written}),
                 (All{true, Names{"software\\morvane"}, Names{"LastLeftPos", "LastTopPos"}}));
        QCOMPARE(store->values["LastLeftPos"].data + store->values["LastTopPos"].data, "40\0" "60\0"s);
        Harness next({"morvane"}, sharing);
        store->written.clear();
        Harness quick({"morvane", "ENCODE", QCoreApplication::applicationFilePath()}, sharing);
        QVERIFY(quick.state().QuickMode && quick.program->Ended() && store->written.empty());
        QCOMPARE((All{next.coder().pos(), quick.coder().pos()}), (All{QPoint(40, 60), QPoint(40, 60)}));
        next.coder().move(-1, 60), next.coder().close(); // saved as "-1": the next start centres
        QCOMPARE(store->values["LastLeftPos"].data, "-1\0"s);

        // The end reads the values again; a refused write goes to the failure handler.
        Harness h;
        h.fake.settings->values["InstallPath"] = kText("/usr/local/bin");
        h.fake.settings->values["LastTopPos"] = Dword(1);
        h.coder().close();
        QCOMPARE((All{h.state().InstallDir, h.ErrorShown()}), (All{"/usr/local/bin", kCorrectly}));
        QVERIFY(h.fake.settings->written.empty() && h.program->Ended());
        Harness refused;
        refused.coder().ShowMainWindow(), refused.fake.settings->refuseWrites = true;
        refused.coder().windowHandle()->close();
        QCOMPARE(refused.fake.failureBox.shown, std::vector{kFailure + "Failed to set data for 'LastLeftPos'"});
        QVERIFY(refused.program->Ended() && !refused.coder().isVisible());
    }

    void sourceAndCodeFields()
    {
        Harness h({"morvane"}, {}, Path("good.key"));
        app::MemoField* field = h.source();
        auto* capacity = h.find<QProgressBar>("prbInitialCapacity");
        // Line breaks are stored as CR LF, a NUL ends the text; only text changes are reported.
        QSignalSpy changes(field, &app::MemoField::changed);
        field->SetText("one\ntwo\rthree\r\nfour\0five"sv);
        QCOMPARE(h.state().SourceText, "one\r\ntwo\r\nthree\r\nfour"s);
        field->SetText("one\r\ntwo\r\nthree\r\nfour");
        field->SetCentred(true), field->setReadOnly(true), field->SetCentred(false), field->setReadOnly(false);
        QCOMPARE(changes.count(), 1);

        // 33800 characters are shown; typing stops there, a line break counting as two.
        h.SetSource(std::string(33800, 'a'));
        QCOMPARE((All{h.state().SourceTooLong, field->Text().size(), capacity->value()}), (All{false, 33800, 0}));
        field->SetText(std::string(33799, 'a')), field->setFocus(), field->moveCursor(QTextCursor::End);
        QTest::keyClick(field, Qt::Key_Return), QTest::keyClicks(field, "bc");
        QCOMPARE(h.state().SourceText, std::string(33799, 'a') + "b");

        // 33801: the notice, read-only and centred; the text is kept and encodes.
        h.SetSource(std::string(33801, 'z'));
        QVERIFY(h.state().SourceTooLong && field->isReadOnly() && field->IsCentred());
        QCOMPARE(field->Text(), "The initial text is too long for displaying\r\n(You still can encode it)"s);
        QTest::mouseClick(h.find("bbnEncode"), Qt::LeftButton);
        QCOMPARE((All{h.state().SourceText, h.state().CodeText.size()}),
                 (All{std::string(33801, 'z'), 4u + 4 * 33801}));

        // Clear from the notice empties the text for good; Tab moves the focus on.
        h.click("bbnClear");
        QVERIFY(!h.state().SourceTooLong && !field->isReadOnly() && !field->IsCentred());
        QCOMPARE((All{h.state().SourceText.empty(), h.find("bbnClear")->isEnabled(), capacity->value()}),
                 (All{true, false, 33800}));
        field->setFocus(), QTest::keyClick(field, Qt::Key_Tab);
        QVERIFY(h.state().SourceText.empty() && !field->hasFocus());

        // The code: encoded, shown, copied and saved whole.
        const std::string text = "Meet me at noon.\r\n\tBring the key!";
        h.Encode(text);
        QCOMPARE((All{Decoded(h.state().CodeText, table), h.code()->Text()}), (All{text, h.state().CodeText}));
        // A code of 33800 characters shows, one of 33804 gives the notice; Copy and Save take it whole.
        for (const int characters : {8449, 8450}) {
            h.SetSource(std::string(characters, 'x')), h.click("bbnEncode");
            const bool notice = characters == 8450;
            QCOMPARE((All{h.state().CodeText.size(), h.code()->IsCentred()}), (All{4u + 4 * characters, notice}));
            QCOMPARE(h.code()->Text(), notice ? "The final code is too long for displaying\r\n"
                                                "(You still can copy or save the code)"s
                                              : h.state().CodeText);
            h.fake.dialogs.answers = {Path("out.etx")}, h.click("bbnCopy"), h.click("bbnSaveCode");
            QCOMPARE((All{h.fake.clipboard.text, ReadBytes(dir / "out.etx")}),
                     (All{h.state().CodeText, h.state().CodeText}));
        }
        QCOMPARE(h.fake.dialogs.calls.back().Text(), "save ; Save code ; Encoded text files (*.etx)|*.etx|All "
                                                     "files (*.*)|*.* ; 1 ; etx ;  ;  ; asks to replace");
        // Failing outlets report and change nothing.
        h.fake.clipboard.failWrite = true;
        QCOMPARE(h.Press("bbnCopy"), "Unable to copy the code.");
        h.fake.dialogs.answers = {Path("no-such-folder/x.etx")};
        QCOMPARE((All{h.Press("bbnSaveCode"), h.state().CodeText.size()}), (All{"Unable to save the file.", 33804}));
        // An empty text gives no code, and Copy and Save go off.
        h.Encode("");
        QVERIFY(h.state().CodeText.empty() && h.code()->Text().empty());
        QCOMPARE(h.enabled("bbnCopy bbnSaveCode"), "");
    }

    void loadPasteBrowseAndTheDialogs()
    {
        Harness h({"morvane"}, {}, Path("good.key"));
        const QString here = Here();
        const std::string longLf = QString("line\n").repeated(7000).toStdString();
        WriteBytes(dir / "lf.txt", "one\ntwo\n");
        WriteBytes(dir / "longlf.txt", longLf);
        h.Encode("hello"); // a code first, for Load to empty
        h.fake.dialogs.answers = {Path("lf.txt"), Path("longlf.txt"), Path("missing"), {}};
        const std::pair<std::string, bool> loaded[] = {
            {"one\r\ntwo\r\n", false}, // LF only, back from the field
            {longLf, true},            // too long for the field: kept as read
        };
        for (const auto& [text, tooLong] : loaded) {
            h.click("bbnLoad");
            QCOMPARE((All{h.state().SourceText, h.state().SourceTooLong}), (All{text, tooLong}));
            QVERIFY(h.state().CodeText.empty() && h.code()->Text().empty());
            QCOMPARE(h.enabled("bbnCopy bbnSaveCode"), "");
        }
        QVERIFY(QDir().mkpath(Path("sub")) && QDir::setCurrent(Path("sub"))); // where the next Load opens
        const QString sub = Here();
        h.find("bbnEncode")->setEnabled(false);
        QCOMPARE((All{h.Press("bbnLoad"), h.state().SourceText.empty()}), (All{"Unable to open the file.", true}));
        QDir::setCurrent(here);
        QCOMPARE((All{h.source()->Text().empty(), h.enabled("bbnEncode bbnLoad")}), (All{true, "bbnEncode bbnLoad"}));
        h.source()->SetText("kept");
        h.click("bbnLoad"); // cancelled
        QCOMPARE(h.state().SourceText, "kept"s);

        // Browse: Cancel keeps the key file; a chosen one enables Encode.
        h.find("bbnEncode")->setEnabled(false);
        h.fake.dialogs.answers = {std::nullopt, Path("other.key")};
        h.click("bbnBrowseKeyFile");
        QCOMPARE((All{h.keyField()->text(), h.find("bbnEncode")->isEnabled()}), (All{Path("good.key"), false}));
        h.click("bbnBrowseKeyFile");
        QCOMPARE((All{h.keyField()->text(), h.find("bbnEncode")->isEnabled()}), (All{Path("other.key"), true}));

        // Every dialog opens with the first filter, no name, and the folder current at its last close.
        const auto& calls = h.fake.dialogs.calls;
        QCOMPARE(calls.size(), 6u);
        for (std::size_t i = 0; i < calls.size(); ++i) {
            QCOMPARE(calls[i].Text(), i < 4 ? "open ; Load initial text ; Text files (*.txt)|*.txt|All files "
                                              "(*.*)|*.* ; 1 ; txt ;  ; must exist ; "
                                            : "open ; Choose key file ; Key files (*.key)|*.key|All files "
                                              "(*.*)|*.* ; 1 ; key ;  ; must exist ; ");
            QCOMPARE(calls[i].options.initialDir, i == 3 ? sub : here);
        }

        // Paste: a failed read reports and keeps the text; an empty clipboard empties the field.
        h.fake.clipboard.text = "from\nclipboard", h.find("bbnEncode")->setEnabled(false);
        h.click("bbnPaste");
        QCOMPARE((All{h.state().SourceText, h.find("bbnEncode")->isEnabled()}), (All{"from\r\nclipboard", true}));
        h.fake.clipboard.failRead = true;
        QCOMPARE((All{h.Press("bbnPaste"), h.state().SourceText}),
                 (All{"Unable to paste the text.", "from\r\nclipboard"}));
        h.fake.clipboard = {}, h.click("bbnPaste");
        QVERIFY(h.state().SourceText.empty() && h.source()->Text().empty());

        // Memory running out in the clipboard or the file reader says so.
        Ready(h), h.Encode("kept");
        h.fake.readerOutOfMemory = h.fake.clipboard.outOfMemory = true;
        h.fake.dialogs.answers = {Path("lf.txt")};
        for (const char* button : {"bbnCopy", "bbnPaste", "bbnLoad"}) {
            h.error().hide();
            QCOMPARE((All{h.Press(button), h.state().SourceText}),
                     (All{"Out of memory.", button == "bbnLoad"sv ? ""s : "kept"s}));
        }
    }

    void stopAndCloseEndTheRunAndKeepThePreviousCode()
    {
        Harness h({"morvane"}, {}, Path("good.key"));
        QVERIFY(QTest::qWaitForWindowExposed(&h.coder()));
        h.Encode("first");
        const std::string previous = h.state().CodeText;
        h.SetSource(std::string(5000, 'y')); // 50 characters move the bar
        const auto checkLocked = [&](bool running) {
            QCOMPARE((All{h.find("bbnEncode")->text(), h.state().Encoding, h.find("bbnEncode")->isEnabled()}),
                     (All{running ? "STOP" : "Encode", running, true}));
            const QString locked = "bbnBrowseKeyFile bbnClear bbnCopy bbnLoad bbnNewKey bbnPaste bbnSaveCode spbC "
                                   "spbDecoder spbExit lblHyperLink";
            QCOMPARE(h.enabled(locked), running ? "" : locked);
            // The link is blue and underlined while it can be clicked, grey and plain while locked.
            const QLabel* link = h.find<QLabel>("lblHyperLink");
            QCOMPARE((All{link->font().underline(), link->palette().color(QPalette::WindowText) == QColor(0, 0, 255)}),
                     (All{!running, !running}));
        };
        const auto* bar = h.find<QProgressBar>("prbCoding");
        // The locked window is on the screen before the run walks a character.
        PaintLog painted([&] { return h.find("bbnEncode")->text() + h.enabled("bbnLoad") + ' ' +
                                          QString::number(bar->value()); });
        h.find("bbnEncode")->installEventFilter(&painted);
        bool stopped = false;
        AtNextYield([&] {
            checkLocked(true);
            QTest::mouseClick(h.find<QLabel>("lblHyperLink"), Qt::LeftButton); // locked: opens nothing
            QCOMPARE((All{painted.seen.value(0), bar->value(), h.fake.shell.calls.size()}),
                     (All{"STOP 0", 50, 0}));
            h.click("bbnEncode"), stopped = true; // STOP
        });
        h.click("bbnEncode");
        QVERIFY(stopped && h.state().EncodingCancelled);
        checkLocked(false); // Copy and Save as before the run
        QCOMPARE((All{h.state().CodeText, h.code()->Text(), bar->value()}), (All{previous, previous, 0}));

        // A rejected key leaves everything as it was, and no run starts.
        h.keyField()->setText(Path("missing.key"));
        QCOMPARE((All{h.Press("bbnEncode"), h.state().CodeText, h.code()->Text(), h.find("bbnCopy")->isEnabled()}),
                 (All{"The key file could not be found.", previous, previous, true}));

        // Closing the window during a run ends the run first.
        h.keyField()->setText(Path("good.key"));
        AtNextYield([&] { h.coder().windowHandle()->close(); });
        h.click("bbnEncode");
        QVERIFY(!h.state().Encoding && h.state().EncodingCancelled && h.program->Ended() && !h.coder().isVisible());
        QCOMPARE(h.fake.settings->written, (std::vector<std::string>{"LastLeftPos", "LastTopPos"}));
    }

    // The decoder starts from the installation folder (or the program's); the program ends.
    void switchToDecoder()
    {
        const QString deep = "/opt/" + QString(100, 'd'); // not cut at 79 characters
        const QString decoder = app::kDecoderFileName, separator = QDir::separator();
        const std::pair<QString, QString> cases[] = {
            {"/opt/morvane/", "/opt/morvane/" + decoder}, // a trailing separator
            {"", Q(platform::ProgramDirectory()) + separator + decoder},
            {deep, deep + separator + decoder},
#ifdef _WIN32
            {"C:\\Program Files\\Morvane\\", "C:\\Program Files\\Morvane\\" + decoder},
#endif
        };
        for (const auto& [installDir, launched] : cases) {
            Harness h({"morvane"},
                      [&d = installDir](auto& p) { p.fake.settings->values["InstallPath"] = kText(d.toStdString()); });
            h.coder().ShowMainWindow();
            const auto window = reinterpret_cast<void*>(h.coder().winId());
            h.click("spbDecoder");
            QCOMPARE((All{h.fake.shell.calls, h.fake.shell.lastOwner, h.program->Ended()}),
                     (All{std::vector{(launched + "|||0").toStdString()}, window, true}));
        }
    }

    // The new-key window's states; keys that cannot be created or written; then Enter
    // presses Create even with the focus on Cancel, and the bar goes up and back.
    void newKeyWindow()
    {
        Harness h;
        app::TfrmNewKey* window = h.program->frmNewKey;
        auto* name = window->findChild<QLineEdit*>("edtFileName");
        auto* create = window->findChild<QPushButton*>("bbnCreate");
        auto* browse = window->findChild<QPushButton*>("bbnBrowse");
        auto* bar = window->findChild<QProgressBar*>("prbCreation");
        std::vector<int> values;
        connect(bar, &QProgressBar::valueChanged, [&](int value) { values.push_back(value); });
        QCOMPARE((All{window->isVisible(), window->windowTitle()}), (All{false, "Create a new key"}));
        window->ShowOrRaise(); // the dialog cancelled: no name, Create disabled
        const auto& calls = h.fake.dialogs.calls;
        QCOMPARE(calls.back().Text(), "save ; Set file name for a new key ; Key file (*.key)|*.key|All files (*.*)|*.* "
                                      "; 1 ; key ;  ;  ; asks to replace");
        QCOMPARE((All{calls[0].ownerOnScreen, calls[0].options.initialDir}), (All{false, Here()})); // before it shows
        QVERIFY(window->windowHandle()->isVisible() && name->text().isEmpty() && !create->isEnabled());
        QVERIFY((window->activateWindow(), QTest::qWaitForWindowActive(window)));
        for (const char* focused : {"bbnBrowse", "bbnCancel", "bbnCreate"})
            window->findChild<QWidget*>(focused)->setFocus(), QTest::keyClick(window->focusWidget(), Qt::Key_Return);
        QTest::keyClick(window->focusWidget(), Qt::Key_Escape);
        QCOMPARE((All{window->isVisible(), calls.size(), values.empty()}), (All{true, 1, true}));
        // Browse with a name: taken, Create enabled, the focus stays; a cancelled Browse keeps it.
        browse->setFocus(), h.fake.dialogs.answers = {Path("first.key")};
        QTest::mouseClick(browse, Qt::LeftButton);
        QCOMPARE((All{name->text(), create->isEnabled(), window->focusWidget()}),
                 (All{Path("first.key"), true, browse}));
        QTest::mouseClick(browse, Qt::LeftButton);
        window->ShowOrRaise(); // on show already: no dialog
        QCOMPARE((All{calls.size(), name->text(), create->isEnabled()}), (All{3, Path("first.key"), true}));
        QTest::mouseClick(window->findChild<QPushButton*>("bbnCancel"), Qt::LeftButton);
        QVERIFY(!window->isVisible() && !QFile::exists(Path("first.key")));
        const QString missing = Path("no such folder/new.key");
        h.fake.dialogs.answers = {missing}, window->ShowOrRaise();
        QCOMPARE((All{calls.size(), name->text(), window->focusWidget()}), (All{4, missing, create}));

        h.program->SetKeyFileName(Path("good.key"));
        WriteBytes(dir / "existing.key", "the old key");
        std::vector<std::pair<QString, QString>> failures{{missing, "Unable to create a key file."}};
#ifndef _WIN32 // a full disk, as a file size limit makes it; Windows has no such limit
        failures.emplace_back(Path("existing.key"), "Unable to write to the key file.");
#endif
        for (const auto& [target, message] : failures) {
            name->setText(target), values.clear();
            {
#ifndef _WIN32
                FileSizeLimit limit(1000); // a full disk
#endif
                QTest::mouseClick(create, Qt::LeftButton);
            }
            QCOMPARE((All{h.ErrorShown(), window->isVisible(), name->text(), create->isEnabled(), h.keyField()->text(),
                          values[225], bar->value(), target != missing || values.size() == 227}),
                     (All{message, true, target, true, Path("good.key"), 226, 0, true})); // the key first, then the bar
            h.error().hide();
        }
        QCOMPARE(ReadBytes(dir / "existing.key"), "the old key"s); // and no temporary file beside it:
        QCOMPARE(QDir(Q(dir.path())).entryList({"*existing*"}, QDir::Files | QDir::Hidden), {"existing.key"});

        QVERIFY(QDir().mkpath(Path("no such folder")));
        name->setText(missing), values.clear();
        const std::uint32_t stateBefore = h.state().Random.RandomState;
        QVERIFY((window->activateWindow(), QTest::qWaitForWindowActive(window)));
        window->findChild<QPushButton*>("bbnCancel")->setFocus();
        QTest::keyClick(window->focusWidget(), Qt::Key_Return);
        QCOMPARE((All{h.ErrorShown(), window->isVisible(), h.keyField()->text(), QFile(missing).size()}),
                 (All{"", false, missing, 31644}));
        QCOMPARE((All{h.state().Random.RandomState != stateBefore, bar->maximum(), values.size(), values[0]}),
                 (All{true, 226, 452, 1}));
        QCOMPARE((All{values[225], values[451]}), (All{226, 0}));
    }

    // A key created during a run, over the very file the run loaded, leaves its code alone.
    void newKeyDuringAnEncodingRun()
    {
        Harness h;
        const std::string oldKey = (WriteKey(dir / "run.key"), ReadBytes(dir / "run.key")), source(3000, 'a');
        Ready(h);
        h.program->SetKeyFileName(Path("run.key")), h.source()->SetText(source);
        h.fake.dialogs.answers = {Path("run.key")}, h.program->frmNewKey->ShowOrRaise();
        bool duringRun = false;
        AtNextYield([&] { duringRun = h.state().Encoding, h.program->frmNewKey->CreateKeyFile(); });
        h.click("bbnEncode");
        QVERIFY(duringRun && !h.program->frmNewKey->isVisible() && ReadBytes(dir / "run.key") != oldKey);
        QCOMPARE(Decoded(h.state().CodeText, table), source);
    }

    // The home-page link and the about box's mail link: each opens with the
    // left button and its menu copies it. Enter and Close hide the box.
    void linksAndTheAboutBox()
    {
        Harness h({"morvane"}, {}, Path("good.key"));
        QLabel* link = h.find<QLabel>("lblHyperLink");
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        for (Qt::MouseButton button : {Qt::LeftButton, Qt::MiddleButton}) { // the pressed look; only the left opens
            QTest::mousePress(link, button);
            QVERIFY(!link->font().underline());
            QTest::mouseRelease(link, button);
        }
        h.coder().findChild<QAction*>("copy1")->trigger();
        QCOMPARE((All{link->font().underline(), h.fake.clipboard.text}), (All{true, "https://morvane.example/"s}));

        app::TfrmC* box = h.program->frmC;
        auto* e = box->findChild<QLabel*>("e");
        QCOMPARE((All{box->isVisible(), box->windowTitle(), e->cursor()}),
                 (All{false, "Copyright", Qt::PointingHandCursor}));
        QCOMPARE(box->findChild<QLabel*>("l")->text() + e->text(), "Morvane, ver 1.1E-mail: author@morvane.example");
        QVERIFY(!box->findChild<QLabel*>("c")->text().isEmpty());
        h.click("spbC"), QTest::mouseClick(e, Qt::LeftButton);
        QCOMPARE(h.fake.shell.calls,
                 (std::vector{"https://morvane.example|||0"s, "mailto:author@morvane.example|||0"s}));
        QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5), e->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(e, &request);
        auto* menu = box->findChild<QMenu*>("pmnEmail");
        QCOMPARE((All{box->isVisible(), menu->isVisible(), h.fake.shell.calls.size()}), (All{true, true, 2}));
        box->findChild<QAction*>("copy1")->trigger(), menu->hide();
        QCOMPARE(h.fake.clipboard.text, "author@morvane.example"s);
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(!box->isVisible());
        box->ShowOrRaise();
        QTest::mouseClick(box->findChild<QPushButton*>("bbnClose"), Qt::LeftButton);
        QCOMPARE((All{box->isVisible(), h.state().FormsCreated}), (All{false, 4}));
    }

    // Quick encoding.
    void quickTargetNames()
    {
        const std::pair<QString, QString> names[] = {
            {"/home/ann/letter.txt", "/home/ann/letter.etx"}, {"/home/ann/notes", "/home/ann/notes.etx"},
            {"/home/ann/archive.tar.gz", "/home/ann/archive.tar.etx"}, {"/home/ann/report.", "/home/ann/report.etx"},
            {"/home/ann/my.dir/notes", "/home/ann/my.dir/notes.etx"},
#ifdef _WIN32 // a backslash, and the colon of a drive, are folder separators
            {"/home/ann/my.dir\\notes", "/home/ann/my.dir\\notes.etx"}, {"C:notes", "C:notes.etx"},
            {"C:\\Users\\ann.x\\letter.txt", "C:\\Users\\ann.x\\letter.etx"},
#else
            {"/home/ann/my.dir\\notes", "/home/ann/my.etx"}, // a backslash is no folder separator here
#endif
        };
        for (const auto& [file, target] : names)
            QCOMPARE(app::QuickTargetName(file), target);
    }

    // The layout; the key dialog cancelled ends the program quietly, writing nothing.
    void compactWindowAndKeyDialogCancelled()
    {
        auto h = Quick("letters/letter.txt", {std::nullopt});
        // Only these controls show, each where it belongs.
        app::TfrmCoder& w = h->coder();
        QStringList shown;
        for (const QWidget* c : w.findChildren<QWidget*>())
            if (c->isVisibleTo(&w) && !c->objectName().startsWith("qt_"))
                shown << c->objectName() + QString(" %1,%2 %3x%4").arg(c->x()).arg(c->y()).arg(c->width()).arg(
                                               c->height());
        shown.sort();
        shown.replaceInStrings(QRegularExpression("^(Label\\d \\d+,\\d+).*"), "\\1"); // labels fit their text
        QCOMPARE(shown.join(", "), "Label1 8,8, Label2 8,24, bbnCancelQuickEncoding 381,65 75x25, imgLogo 419,6 41x41, "
                                   "prbCoding 8,50 449x9");
        QLabel* label1 = h->find<QLabel>("Label1");
        QCOMPARE((All{label1->text(), label1->width() >= label1->sizeHint().width(), h->find<QLabel>("Label2")->text(),
                      h->find("bbnCancelQuickEncoding")->text()}),
                 (All{"Source file: letter.txt", true, "Key file: ", "Cancel"}));
        // A fixed-size dialog frame of outer height 123, no minimise or maximise box.
        QCOMPARE((All{w.width(), w.height() < 123, w.frameGeometry().height(), w.minimumSize()}),
                 (All{465, true, 123, w.maximumSize()}));
        QVERIFY(!(w.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

        // The window was on show for the key dialog, which was the only one.
        const auto& calls = h->fake.dialogs.calls;
        QCOMPARE((All{calls.size(), calls[0].options.title, calls[0].ownerOnScreen}),
                 (All{1, "Choose key file", true}));
        QVERIFY(h->ErrorShown().isEmpty() && h->fake.failureBox.shown.empty() && Ended(*h));
        QVERIFY(!QFile::exists(Letter("etx")) && h->fake.settings->written.empty()); // nor the position
    }

    // From another folder with a relative name: the code goes beside the file; when a file is there already, the
    // save dialog (in the start folder) says where. Cancel there, or during the run, writes nothing.
    void encodesBesideTheFile()
    {
        const std::string letter = "Dear Ann,\r\n\tthe key is under the mat.\n", a500(500, 'a');
        const std::string text = letter.substr(0, letter.size() - 1);
        const struct {
            std::string source;
            bool targetThere, cancelRun;
            std::optional<QString> chosen;
            std::string target, other; // what the target and the chosen file hold afterwards
        } cases[] = {
            {letter, false, false, {}, text, "none"}, {"", false, false, {}, "<empty file>", "none"},
            {"\n\n\x01", false, false, {}, "", "none"}, // no encodable character: the header alone
            {letter, true, false, Letter("chosen"), "old", text}, {letter, true, false, {}, "old", "none"},
            {a500, false, true, {}, "none", "none"}, {a500, true, true, {}, "old", "none"},
        };
        for (const auto& c : cases) {
            init();
            WriteBytes(dir / "letters/letter.txt", c.source);
            c.targetThere ? WriteBytes(dir / "letters/letter.etx", "old") : void();
            QDir::setCurrent(Path("elsewhere"));
            int yields = 0;
            auto h = Quick("../letters/letter.txt", {Path("good.key"), c.chosen}, [&](Harness& p) {
                c.cancelRun ? AtNextYield([&yields, &p] { ++yields, p.click("bbnCancelQuickEncoding"); }) : void();
            });
            const auto& calls = h->fake.dialogs.calls;
            QCOMPARE((All{Holds("letters/letter.etx"), Holds("letters/letter.chosen"), calls.size(), yields}),
                     (All{c.target, c.other, c.targetThere && !c.cancelRun ? 2u : 1u, int(c.cancelRun)}));
            QCOMPARE((All{h->find<QLabel>("Label2")->text(), h->state().SourceFileName, h->ErrorShown(), Ended(*h)}),
                     (All{"Key file: good.key", Letter("txt"), "", true}));
            QCOMPARE((All{h->state().EncodingCancelled, h->state().Encoding}), (All{c.cancelRun, false}));
            if (calls.size() == 2)
                QCOMPARE((All{calls[1].Text(), calls[1].options.initialDir}),
                         (All{"save ; Save code ; Encoded text files (*.etx)|*.etx|All files (*.*)|*.* ; 1 ; etx ;  ;"
                              "  ; asks to replace", Path("elsewhere")}));
        }
    }

    // A failure's message stays on show, nothing is written; its dismissal or Cancel ends.
    void failureWaitsForItsMessage()
    {
        const std::tuple<const char*, const char*, QString> cases[] = {
            {"none.key", "", "The key file could not be found."},
            {"damaged.key", "by Cancel", "The key file could not be read correctly."},
            {"good.key", "source gone", "Unable to open the file."}, // while the key dialog was open
            {"good.key", "out of memory", "Out of memory."},
            {"good.key", "target folder", "Unable to save the file."},
        };
        for (const auto& [key, breakage, message] : cases) {
            init();
            if (breakage == "target folder"sv)
                QVERIFY(QDir().mkpath(Letter("etx")));
            auto h = Quick("letters/letter.txt", {Path(key)}, [this, breakage = breakage](Harness& p) {
                if (breakage == "source gone"sv)
                    p.fake.dialogs.whileOpen = [this] { QFile::remove(Letter("txt")); };
                p.fake.readerOutOfMemory = breakage == "out of memory"sv;
            });
            QCOMPARE((All{h->ErrorShown(), h->state().CloseOnErrorDismiss, h->coder().isVisible(), h->program->Ended(),
                          QFileInfo(Letter("etx")).isFile()}), (All{message, true, true, false, false}));
            breakage == "by Cancel"sv ? h->click("bbnCancelQuickEncoding") : void(h->error().close());
            QVERIFY(Ended(*h));
        }
        // The failure handler: a key whose width is no digit, and a failed settings
        // check, whose flow runs on to the focus step; nothing is encoded.
        init();
        auto h = Quick("letters/letter.txt", {Path("width.key")});
        QCOMPARE(h->fake.failureBox.shown, std::vector{kFailure + "'x' is not a valid integer value."});
        QVERIFY(h->ErrorShown().isEmpty() && !QFile::exists(Letter("etx")));

        auto s = Quick("letters/letter.txt", {Path("good.key")}, [](Harness& p) { p.fake.settings->keyExists = 0; });
        QCOMPARE((All{s->fake.failureBox.shown, s->ErrorShown()}),
                 (All{std::vector{kFailure + "Cannot focus a disabled or invisible window."}, kProperly}));
        QVERIFY(s->state().CodeText.empty() && !QFile::exists(Letter("etx")) && !s->coder().isEnabled());
        QTimer::singleShot(0, [&] { s->error().close(); });
        QCOMPARE((All{s->program->Run(), s->program->Ended()}), (All{0, true}));
    }
};

// The program's own application object, with its top-level failure handler.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    platform::Application application(argc, argv);
    TestWindows test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_windows.moc"
