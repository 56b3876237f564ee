// Quick encoding ("morvane ENCODE file"): the compact window, the whole flow
// with scripted dialogs, every way it can fail, and the target names.
#include "harness.h"

#include "quick_encode.h"

#include <QTemporaryDir>

#include <sys/stat.h>

using namespace morvane;
using namespace morvane::testing;

namespace {

// The fake dialogs, running a step while the key dialog is open.
class HookedDialogs : public FakeDialogs {
public:
    std::optional<QString> GetOpenFileName(QWidget* owner, const platform::FileDialogOptions& options) override
    {
        if (onKeyDialog)
            onKeyDialog();
        return FakeDialogs::GetOpenFileName(owner, options);
    }
    std::function<void()> onKeyDialog;
};

// True when code is the code of source under table: the header, then one
// number of the right row for every character that has one.
bool IsCodeOf(const std::string& code, const std::string& source, const KeyTable& table)
{
    std::size_t at = 4;
    for (unsigned char c : source)
        if (const int row = RowOf(c); row != 0) {
            const KeyRow& cells = table.rows[static_cast<std::size_t>(row - 1)];
            if (at + 4 > code.size() || std::count(cells.begin(), cells.end(), std::stoi(code.substr(at, 4))) == 0)
                return false;
            at += 4;
        }
    return code.compare(0, 4, "0114") == 0 && at == code.size();
}

} // namespace

class TestQuickEncode : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString startDir;
    KeyTable table;
    HookedDialogs dialogs;

    QString Path(const QString& name) const { return dir.filePath(name); }
    QString Letters(const char* name) const { return Path(QStringLiteral("letters/") + QLatin1String(name)); }
    QString Key() const { return Path(QStringLiteral("keys/key.key")); }

    // Starts "morvane ENCODE file" with the dialogs answering from answers;
    // the whole flow runs during the windows' creation.
    std::unique_ptr<Harness> Quick(const QString& file, std::deque<std::optional<QString>> answers,
                                   const std::function<void(Harness&)>& before = {})
    {
        auto h = std::make_unique<Harness>(QStringList{"morvane", "ENCODE", file}, false);
        dialogs.answers = std::move(answers);
        dialogs.calls.clear();
        h->fake.platform.dialogs = &dialogs;
        if (before)
            before(*h);
        h->Create();
        return h;
    }

    // The program ended (or ends as soon as its loop starts).
    static bool Ended(Harness& h) { return h.program->Ended() && h.program->Run() == 0; }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        startDir = QDir::currentPath();
        for (const char* folder : {"letters", "keys", "elsewhere"})
            QVERIFY(QDir(dir.path()).mkpath(QLatin1String(folder)));
        WriteKey(Key(), &table);
        WriteBytes(Path(QStringLiteral("keys/bad.key")), "01x4" + std::string(100, '7'));
        WriteBytes(Path(QStringLiteral("keys/width.key")), "011x" + std::string(100, '7'));
    }
    void cleanupTestCase() { QDir::setCurrent(startDir); }
    void init()
    {
        QDir letters(Path(QStringLiteral("letters")));
        for (const QString& name : letters.entryList(QDir::Files))
            letters.remove(name);
        QDir(Letters("letter.etx")).removeRecursively();
        dialogs.onKeyDialog = nullptr;
        WriteBytes(Letters("letter.txt"), "Dear Ann,\r\n\tthe key is under the mat.\n");
        QDir::setCurrent(dir.path());
    }

    void targetNames()
    {
        const std::pair<QString, QString> names[] = {
            {"/home/ann/letter.txt", "/home/ann/letter.etx"}, {"/home/ann/notes", "/home/ann/notes.etx"},
            {"/home/ann/archive.tar.gz", "/home/ann/archive.tar.etx"}, {"/home/ann/report.", "/home/ann/report.etx"},
            {"/home/ann/my.dir/notes", "/home/ann/my.dir/notes.etx"},
#ifdef _WIN32
            {"C:\\my.dir\\notes", "C:\\my.dir\\notes.etx"}, {"C:notes", "C:notes.etx"},
#else
            {"/home/ann/my.dir\\notes", "/home/ann/my.etx"}, // a backslash is no folder separator here
#endif
        };
        for (const auto& [file, target] : names)
            QCOMPARE(app::QuickTargetName(file), target);
    }

    // The layout, and the key dialog cancelled: the program ends without a
    // message and nothing is written.
    void compactWindowAndKeyDialogCancelled()
    {
        auto h = Quick(QStringLiteral("letters/letter.txt"), {std::nullopt});
        for (const char* name : {"mmoInitial", "mmoCode", "Label3", "bbnLoad", "bbnPaste", "bbnClear", "bbnEncode",
                                 "bbnBrowseKeyFile", "bbnNewKey", "bbnCopy", "bbnSaveCode", "prbInitialCapacity",
                                 "spbExit", "spbC", "spbDecoder", "Bevel1", "edtKeyFile", "lblHyperLink"})
            QVERIFY2(h->find<QWidget>(name)->isHidden(), name);
        const std::pair<const char*, QRect> placed[] = {{"prbCoding", {8, 50, 449, 9}},
                                                        {"imgLogo", {419, 6, 41, 41}},
                                                        {"bbnCancelQuickEncoding", {381, 65, 75, 25}}};
        for (const auto& [name, geometry] : placed) {
            QVERIFY2(!h->find<QWidget>(name)->isHidden(), name);
            QCOMPARE(h->find<QWidget>(name)->geometry(), geometry);
        }
        QLabel* label1 = h->find<QLabel>("Label1");
        QCOMPARE(label1->text(), QStringLiteral("Source file: letter.txt"));
        QCOMPARE(h->find<QLabel>("Label2")->text(), QStringLiteral("Key file: "));
        QCOMPARE(label1->pos(), QPoint(8, 8));
        QCOMPARE(h->find<QLabel>("Label2")->pos(), QPoint(8, 24));
        QVERIFY(label1->width() >= label1->sizeHint().width());
        QCOMPARE(h->button("bbnCancelQuickEncoding")->text(), QStringLiteral("Cancel"));
        // Outer height 123 with the real frame once on show; a fixed-size
        // dialog frame without minimise or maximise box.
        app::TfrmCoder& w = h->coder();
        QCOMPARE(w.width(), 465);
        QVERIFY(w.frameGeometry().height() > w.height());
        QCOMPARE(w.frameGeometry().height(), 123);
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY(!(w.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

        // The window was on show for the key dialog, which was the only one.
        QCOMPARE(dialogs.calls.size(), std::size_t(1));
        QCOMPARE(dialogs.calls[0].options.title, QStringLiteral("Choose key file"));
        QVERIFY(dialogs.calls[0].ownerOnScreen);
        QVERIFY(h->ErrorShown().isEmpty());
        QVERIFY(h->fake.failureBox.calls.empty());
        QVERIFY(!QFile::exists(Letters("letter.etx")));
        QVERIFY(h->fake.settings->written.empty()); // the position is not saved
        QVERIFY(Ended(*h));

        // Arranged before the window is ever shown: a typical dialog frame
        // of 25 pixels is assumed.
        Harness normal;
        normal.coder().ArrangeQuickLayout();
        QCOMPARE(normal.coder().size(), QSize(465, 98));
    }

    void encodesBesideTheFile_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::newRow("letter") << QByteArray("Dear Ann,\r\n\tthe key is under the mat.\n");
        QTest::newRow("long") << QByteArray(300, 'x');
        QTest::newRow("no encodable character") << QByteArray("\n\n\x01");
        QTest::newRow("empty") << QByteArray();
    }
    // Started from another folder with a relative name.
    void encodesBesideTheFile()
    {
        QFETCH(QByteArray, source);
        WriteBytes(Letters("letter.txt"), source.toStdString());
        QDir::setCurrent(Path(QStringLiteral("elsewhere")));
        auto h = Quick(QStringLiteral("../letters/letter.txt"), {Key()});
        QCOMPARE(h->state().SourceFileName, Letters("letter.txt"));
        const std::string code = ReadBytes(Letters("letter.etx"));
        if (source.isEmpty())
            QCOMPARE(code, std::string()); // an empty file
        else
            QVERIFY(IsCodeOf(code, source.toStdString(), table));
        QCOMPARE(h->find<QLabel>("Label2")->text(), QStringLiteral("Key file: key.key"));
        QCOMPARE(dialogs.calls.size(), std::size_t(1)); // no save dialog
        QVERIFY(h->ErrorShown().isEmpty());
        QVERIFY(Ended(*h));
    }

    // A file of the target's name is there: the save dialog asks, opening in
    // the start folder with no name; cancelling it writes nothing.
    void targetExists()
    {
        WriteBytes(Letters("letter.etx"), "old");
        QDir::setCurrent(Path(QStringLiteral("elsewhere")));
        for (const bool cancelled : {false, true}) {
            const std::optional<QString> chosen = cancelled ? std::nullopt : std::optional(Letters("chosen.etx"));
            auto h = Quick(Letters("letter.txt"), {Key(), chosen});
            QCOMPARE(dialogs.calls.size(), std::size_t(2));
            const platform::FileDialogOptions& save = dialogs.calls[1].options;
            QVERIFY(dialogs.calls[1].save && save.overwritePrompt);
            QCOMPARE(save.title, QStringLiteral("Save code"));
            QCOMPARE(save.defaultExt, QStringLiteral("etx"));
            QCOMPARE(save.initialDir, Path(QStringLiteral("elsewhere")));
            QVERIFY(save.fileName.isEmpty());
            QCOMPARE(QFile::exists(Letters("chosen.etx")), !cancelled);
            if (!cancelled)
                QVERIFY(IsCodeOf(ReadBytes(Letters("chosen.etx")), ReadBytes(Letters("letter.txt")), table));
            QCOMPARE(ReadBytes(Letters("letter.etx")), std::string("old"));
            QVERIFY(h->ErrorShown().isEmpty());
            QVERIFY(Ended(*h));
            QFile::remove(Letters("chosen.etx"));
        }
    }

    // A failure whose message stays on show: nothing is written, and
    // dismissing the message (or pressing Cancel) ends the program.
    void failureWaitsForItsMessage_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("breakage");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("byCancel");
        QTest::newRow("key missing") << "none.key" << "" << "The key file could not be found." << false;
        QTest::newRow("key damaged") << "bad.key" << "" << "The key file could not be read correctly." << true;
        // The source went away while the key dialog was open.
        QTest::newRow("source unreadable") << "key.key" << "source gone" << "Unable to open the file." << false;
        QTest::newRow("code unwritable") << "key.key" << "target folder" << "Unable to save the file." << false;
    }
    void failureWaitsForItsMessage()
    {
        QFETCH(QString, key);
        QFETCH(QString, breakage);
        QFETCH(QString, message);
        QFETCH(bool, byCancel);
        if (breakage == "target folder")
            QVERIFY(QDir(Path(QStringLiteral("letters"))).mkdir(QStringLiteral("letter.etx")));
        if (breakage == "source gone")
            dialogs.onKeyDialog = [this] { QFile::remove(Letters("letter.txt")); };
        auto h = Quick(QStringLiteral("letters/letter.txt"), {Path("keys/" + key)});
        QCOMPARE(h->ErrorShown(), message);
        QVERIFY(h->state().CloseOnErrorDismiss);
        QVERIFY(h->coder().isVisible() && !h->program->Ended());
        QVERIFY(!QFileInfo(Letters("letter.etx")).isFile());
        if (byCancel)
            h->button("bbnCancelQuickEncoding")->click();
        else
            h->error().close();
        QVERIFY(Ended(*h));
    }

    // A key whose width character is no digit: the top-level failure handler.
    void keyWidthNoDigit()
    {
        auto h = Quick(QStringLiteral("letters/letter.txt"), {Path(QStringLiteral("keys/width.key"))});
        QCOMPARE(h->fake.failureBox.calls.size(), std::size_t(1));
        QCOMPARE(h->fake.failureBox.calls[0].text, QStringLiteral("'x' is not a valid integer value."));
        QVERIFY(h->ErrorShown().isEmpty());
        QVERIFY(!QFile::exists(Letters("letter.etx")));
    }

    // Cancel during a run of more than 50 characters: nothing written, and
    // a target that was there stays as it was.
    void cancelDuringTheRun()
    {
        WriteBytes(Letters("letter.txt"), std::string(500, 'a'));
        for (const bool targetThere : {false, true}) {
            if (targetThere)
                WriteBytes(Letters("letter.etx"), "old");
            int yields = 0;
            auto h = Quick(QStringLiteral("letters/letter.txt"), {Key()}, [&](Harness& harness) {
                AtNextYield([&] {
                    ++yields;
                    harness.button("bbnCancelQuickEncoding")->click();
                });
            });
            QCOMPARE(yields, 1);
            QVERIFY(h->state().EncodingCancelled && !h->state().Encoding);
            QCOMPARE(dialogs.calls.size(), std::size_t(1));
            QCOMPARE(QFile::exists(Letters("letter.etx")), targetThere);
            if (targetThere)
                QCOMPARE(ReadBytes(Letters("letter.etx")), std::string("old"));
            QVERIFY(Ended(*h));
        }
    }

    // The settings check failed at start: the flow runs to the focus step,
    // whose failure the top-level handler shows; nothing is encoded, and the
    // program ends when the settings message is dismissed.
    void settingsCheckFailed()
    {
        auto h = Quick(QStringLiteral("letters/letter.txt"), {Key()},
                       [](Harness& harness) { harness.fake.settings->keyExists = false; });
        QCOMPARE(h->fake.failureBox.calls.size(), std::size_t(1));
        QCOMPARE(h->fake.failureBox.calls[0].text, QStringLiteral("Cannot focus a disabled or invisible window."));
        QCOMPARE(h->fake.failureBox.calls[0].caption, QStringLiteral("Morvane  |  Encoder"));
        QCOMPARE(h->ErrorShown(), QStringLiteral("The application has not been installed properly."));
        QVERIFY(h->state().CodeText.empty());
        QVERIFY(!QFile::exists(Letters("letter.etx")));
        QVERIFY(!h->coder().isEnabled());
        QTimer::singleShot(0, [&] { h->error().close(); });
        QCOMPARE(h->program->Run(), 0);
        QVERIFY(h->program->Ended());
    }

    // Only a regular file starts quick encoding: never an endless read.
    void specialFilesStartNormally()
    {
#ifndef _WIN32
        QCOMPARE(::mkfifo(QFile::encodeName(Path(QStringLiteral("fifo"))).constData(), 0600), 0);
        for (const QString& special : {QStringLiteral("/dev/zero"), Path(QStringLiteral("fifo"))}) {
            auto h = Quick(special, {});
            QVERIFY(!h->state().QuickMode && !h->state().OpenFileMode);
            QVERIFY(dialogs.calls.empty());
            QVERIFY(h->state().SourceText.empty());
            QVERIFY(!h->program->Ended());
        }
#endif
    }
};

MORVANE_APP_TEST_MAIN(TestQuickEncode)

#include "test_quick_encode.moc"
