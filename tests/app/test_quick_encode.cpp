// Quick encoding ("morvane ENCODE file"): the compact window, the whole flow
// with scripted dialogs, every way it can fail, and the target names.
#include "harness.h"

#include "quick_encode.h"

#include <QTemporaryDir>

#include <sys/stat.h>

using namespace morvane;
using namespace morvane::testing;

namespace {

// The dialogs of the fake platform, recording whether their owner was on
// show and running a script step when the key dialog opens.
class ScriptedDialogs : public FakeDialogs {
public:
    std::optional<QString> GetOpenFileName(QWidget* owner, const platform::FileDialogOptions& options) override
    {
        ownerVisible.push_back(owner && owner->isVisible());
        if (onKeyDialog)
            onKeyDialog();
        return FakeDialogs::GetOpenFileName(owner, options);
    }
    std::function<void()> onKeyDialog;
    std::vector<bool> ownerVisible;
};

// True when code is the code of source under table: the header, then one
// number of the right row for every character that has one.
bool IsCodeOf(const std::string& code, const std::string& source, const KeyTable& table)
{
    std::string rows;
    std::size_t at = 4;
    if (code.compare(0, 4, "0114") != 0)
        return false;
    for (unsigned char c : source) {
        const int row = RowOf(c);
        if (row == 0)
            continue;
        if (at + 4 > code.size())
            return false;
        const int number = std::stoi(code.substr(at, 4));
        const KeyRow& cells = table.rows[static_cast<std::size_t>(row - 1)];
        if (std::find(cells.begin(), cells.end(), number) == cells.end())
            return false;
        at += 4;
    }
    return at == code.size();
}

} // namespace

class TestQuickEncode : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString startDir;
    KeyTable table;
    ScriptedDialogs* dialogs = nullptr;

    QString Path(const QString& name) const { return dir.filePath(name); }
    QString Letters(const char* name) const { return Path(QStringLiteral("letters/") + QLatin1String(name)); }
    QString Key() const { return Path(QStringLiteral("keys/key.key")); }

    // Starts "morvane ENCODE file" with the dialogs answering from answers;
    // the whole flow runs during the windows' creation.
    std::unique_ptr<Harness> Quick(const QString& file, std::deque<std::optional<QString>> answers,
                                   const std::function<void(Harness&)>& before = {})
    {
        auto h = std::make_unique<Harness>(QStringList{"morvane", "ENCODE", file}, false);
        auto scripted = std::make_unique<ScriptedDialogs>();
        scripted->answers = std::move(answers);
        dialogs = scripted.get();
        h->fake.platform.dialogs = dialogs;
        keep.push_back(std::move(scripted));
        if (before)
            before(*h);
        h->Create();
        return h;
    }
    std::vector<std::unique_ptr<ScriptedDialogs>> keep;

    // The program ended (or ends as soon as its loop starts).
    static bool Ended(Harness& h) { return h.program->mainWindowClosed && h.program->Run() == 0; }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        startDir = QDir::currentPath();
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("letters/my.dir")));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("keys")));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("elsewhere")));
        WriteKey(Key(), &table);
        QDir::setCurrent(dir.path());
    }
    void cleanupTestCase() { QDir::setCurrent(startDir); }
    void init()
    {
        QDir letters(Path(QStringLiteral("letters")));
        for (const QString& name : letters.entryList(QDir::Files))
            letters.remove(name);
        WriteBytes(Letters("letter.txt"), "Dear Ann,\r\n\tthe key is under the mat.\n");
        QDir::setCurrent(dir.path());
    }

    void targetNames_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("target");
        QTest::newRow("extension") << "/home/ann/letter.txt" << "/home/ann/letter.etx";
        QTest::newRow("none") << "/home/ann/notes" << "/home/ann/notes.etx";
        QTest::newRow("last only") << "/home/ann/archive.tar.gz" << "/home/ann/archive.tar.etx";
        QTest::newRow("dotted folder") << "/home/ann/my.dir/notes" << "/home/ann/my.dir/notes.etx";
        QTest::newRow("final dot") << "/home/ann/report." << "/home/ann/report.etx";
#ifdef _WIN32
        QTest::newRow("backslash") << "C:\\my.dir\\notes" << "C:\\my.dir\\notes.etx";
        QTest::newRow("drive") << "C:notes" << "C:notes.etx";
#else
        // A backslash is part of a name here, not a folder separator.
        QTest::newRow("backslash in a name") << "/home/ann/my.dir\\notes" << "/home/ann/my.etx";
#endif
    }
    void targetNames()
    {
        QFETCH(QString, file);
        QFETCH(QString, target);
        QCOMPARE(app::QuickTargetName(file), target);
    }

    // The layout, and the key dialog cancelled: the program ends without a
    // message and nothing is written.
    void compactWindowAndKeyDialogCancelled()
    {
        auto h = Quick(QStringLiteral("letters/letter.txt"), {std::nullopt});
        app::TfrmCoder& w = h->coder();
        for (const char* name : {"mmoInitial", "mmoCode", "Label3", "bbnLoad", "bbnPaste", "bbnClear", "bbnEncode",
                                 "bbnBrowseKeyFile", "bbnNewKey", "bbnCopy", "bbnSaveCode", "prbInitialCapacity",
                                 "spbExit", "spbC", "spbDecoder", "Bevel1", "edtKeyFile", "lblHyperLink"})
            QVERIFY2(h->find<QWidget>(name)->isHidden(), name);
        QLabel* label1 = h->find<QLabel>("Label1");
        QLabel* label2 = h->find<QLabel>("Label2");
        QCOMPARE(label1->text(), QStringLiteral("Source file: letter.txt"));
        QCOMPARE(label2->text(), QStringLiteral("Key file: "));
        QCOMPARE(label1->pos(), QPoint(8, 8));
        QCOMPARE(label2->pos(), QPoint(8, 24));
        QVERIFY(label1->width() >= label1->sizeHint().width());
        QCOMPARE(h->find<QWidget>("prbCoding")->geometry(), QRect(8, 50, 449, 9));
        QWidget* logo = h->find<QWidget>("imgLogo");
        QVERIFY(!logo->isHidden());
        QCOMPARE(logo->geometry(), QRect(419, 6, 41, 41));
        QPushButton* cancel = h->button("bbnCancelQuickEncoding");
        QVERIFY(!cancel->isHidden());
        QCOMPARE(cancel->geometry(), QRect(381, 65, 75, 25));
        QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
        // Outer height 123 with the frame known once the window was on show;
        // fixed size, no minimise or maximise box.
        QCOMPARE(w.width(), 465);
        QVERIFY(w.frameGeometry().height() > w.height());
        QCOMPARE(w.frameGeometry().height(), 123);
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY(!(w.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(cancel->geometry().bottom() < w.height());

        // The window was on show for the key dialog, which was the only one.
        QCOMPARE(dialogs->calls.size(), std::size_t(1));
        QCOMPARE(dialogs->calls[0].options.title, QStringLiteral("Choose key file"));
        QVERIFY(dialogs->ownerVisible[0]);
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
        QCOMPARE(dialogs->calls.size(), std::size_t(1)); // no save dialog
        QVERIFY(h->ErrorShown().isEmpty());
        QVERIFY(h->fake.settings->written.empty());
        QVERIFY(Ended(*h));
    }

    // A file of the target's name is there: the save dialog asks, opening in
    // the start folder with no name; cancelling it writes nothing.
    void targetExists()
    {
        WriteBytes(Letters("letter.etx"), "old");
        QDir::setCurrent(Path(QStringLiteral("elsewhere")));
        auto h = Quick(Letters("letter.txt"), {Key(), Letters("chosen.etx")});
        QCOMPARE(dialogs->calls.size(), std::size_t(2));
        const FakeDialogs::Call& save = dialogs->calls[1];
        QVERIFY(save.save);
        QCOMPARE(save.options.title, QStringLiteral("Save code"));
        QCOMPARE(save.options.defaultExt, QStringLiteral("etx"));
        QVERIFY(save.options.overwritePrompt);
        QCOMPARE(save.options.initialDir, Path(QStringLiteral("elsewhere")));
        QVERIFY(save.options.fileName.isEmpty());
        QVERIFY(IsCodeOf(ReadBytes(Letters("chosen.etx")), ReadBytes(Letters("letter.txt")), table));
        QCOMPARE(ReadBytes(Letters("letter.etx")), std::string("old"));
        QVERIFY(Ended(*h));

        QFile::remove(Letters("chosen.etx"));
        auto cancelled = Quick(Letters("letter.txt"), {Key(), std::nullopt});
        QCOMPARE(dialogs->calls.size(), std::size_t(2));
        QCOMPARE(ReadBytes(Letters("letter.etx")), std::string("old"));
        QVERIFY(!QFile::exists(Letters("chosen.etx")));
        QVERIFY(cancelled->ErrorShown().isEmpty());
        QVERIFY(Ended(*cancelled));
    }

    // A missing or damaged key: its message stays on show, nothing is
    // written, and dismissing it (or pressing Cancel) ends the program.
    void badKey()
    {
        WriteBytes(Path(QStringLiteral("keys/bad.key")), "01x4" + std::string(100, '7'));
        WriteBytes(Path(QStringLiteral("keys/width.key")), "011x" + std::string(100, '7'));
        auto missing = Quick(QStringLiteral("letters/letter.txt"), {Path(QStringLiteral("keys/none.key"))});
        QCOMPARE(missing->ErrorShown(), QStringLiteral("The key file could not be found."));
        QVERIFY(missing->state().CloseOnErrorDismiss);
        QVERIFY(missing->coder().isVisible() && !missing->program->mainWindowClosed);
        missing->error().close();
        QVERIFY(Ended(*missing));

        auto damaged = Quick(QStringLiteral("letters/letter.txt"), {Path(QStringLiteral("keys/bad.key"))});
        QCOMPARE(damaged->ErrorShown(), QStringLiteral("The key file could not be read correctly."));
        QVERIFY(!damaged->program->mainWindowClosed);
        damaged->button("bbnCancelQuickEncoding")->click();
        QVERIFY(Ended(*damaged));

        // A width character that is no digit: the top-level failure handler.
        auto width = Quick(QStringLiteral("letters/letter.txt"), {Path(QStringLiteral("keys/width.key"))});
        QCOMPARE(width->fake.failureBox.calls.size(), std::size_t(1));
        QCOMPARE(width->fake.failureBox.calls[0].text, QStringLiteral("'x' is not a valid integer value."));
        QVERIFY(width->ErrorShown().isEmpty());
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
            QVERIFY(h->state().EncodingCancelled);
            QVERIFY(!h->state().Encoding);
            QCOMPARE(dialogs->calls.size(), std::size_t(1));
            QCOMPARE(QFile::exists(Letters("letter.etx")), targetThere);
            if (targetThere)
                QCOMPARE(ReadBytes(Letters("letter.etx")), std::string("old"));
            QVERIFY(Ended(*h));
        }
    }

    // The source cannot be read (here: it went away while the key dialog was
    // open): nothing is written, and the program ends when the message is
    // dismissed.
    void unreadableSource()
    {
        auto h = Quick(QStringLiteral("letters/letter.txt"), {Key()}, [this](Harness&) {
            dialogs->onKeyDialog = [this] { QFile::remove(Letters("letter.txt")); };
        });
        QCOMPARE(h->ErrorShown(), QStringLiteral("Unable to open the file."));
        QVERIFY(h->state().CloseOnErrorDismiss);
        QVERIFY(!QFile::exists(Letters("letter.etx")));
        QVERIFY(h->coder().isVisible());
        QTimer::singleShot(0, [&] { h->error().close(); });
        QCOMPARE(h->program->Run(), 0); // the loop ends when the message goes
        QVERIFY(h->program->mainWindowClosed);
    }

    // The code cannot be written (a folder has the target's name).
    void writeFails()
    {
        QVERIFY(QDir(Path(QStringLiteral("letters"))).mkdir(QStringLiteral("letter.etx")));
        auto h = Quick(QStringLiteral("letters/letter.txt"), {Key()});
        QCOMPARE(h->ErrorShown(), QStringLiteral("Unable to save the file."));
        QVERIFY(h->state().CloseOnErrorDismiss);
        QVERIFY(!h->program->mainWindowClosed);
        h->error().close();
        QVERIFY(Ended(*h));
        QVERIFY(QDir(Path(QStringLiteral("letters"))).rmdir(QStringLiteral("letter.etx")));
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
        QVERIFY(h->program->mainWindowClosed);
        QVERIFY(h->fake.settings->written.empty());
    }

    // Only an existing regular file starts quick encoding; the name may be
    // relative to any folder.
    void commandLine()
    {
        QDir::setCurrent(Path(QStringLiteral("elsewhere")));
        auto relative = Quick(QStringLiteral("../letters/letter.txt"), {});
        QVERIFY(relative->state().QuickMode);
        QCOMPARE(relative->state().SourceFileName, Letters("letter.txt"));
#ifndef _WIN32
        const QByteArray fifo = QFile::encodeName(Path(QStringLiteral("fifo")));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        for (const QString& special : {QStringLiteral("/dev/zero"), Path(QStringLiteral("fifo"))}) {
            auto h = Quick(special, {});
            QVERIFY(!h->state().QuickMode && !h->state().OpenFileMode);
            QVERIFY(dialogs->calls.empty());
            QVERIFY(h->state().SourceText.empty());
            QVERIFY(!h->program->mainWindowClosed);
        }
#endif
    }
};

MORVANE_APP_TEST_MAIN(TestQuickEncode)

#include "test_quick_encode.moc"
