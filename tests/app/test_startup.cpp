// Start-up, the command line, the end of the program, the error window and
// the top-level failure handler.
#include "harness.h"

#include "core/failure.h"

#include <QTemporaryDir>
#include <QWindow>

using namespace morvane;
using namespace morvane::testing;

namespace {

// An object whose event handler fails as the program's handlers can.
class FailingObject : public QObject {
public:
    explicit FailingObject(std::string message) : message_(std::move(message)) {}
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw Failure(message_);
        return QObject::event(event);
    }

private:
    std::string message_;
};

} // namespace

class TestStartUp : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString startDir;

    QString Path(const char* name) { return dir.filePath(QString::fromLatin1(name)); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        startDir = QDir::currentPath();
        WriteBytes(Path("story.txt"), "Once upon a time\r\n");
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        QDir::setCurrent(dir.path());
    }
    void cleanupTestCase() { QDir::setCurrent(startDir); }

    void startsInOrderAndRunsStartUpOnce()
    {
        Harness h({QStringLiteral("morvane"), Path("story.txt")});
        QCOMPARE(h.state().FormsCreated, std::uint8_t(4));
        QVERIFY(h.program->frmCoder && h.program->frmNewKey && h.program->frmError && h.program->frmC);
        // StartUp ran once, after the fourth window: one settings check and
        // the named file already in the source field.
        QCOMPARE(h.fake.settings->opened.size(), std::size_t(1));
        QCOMPARE(h.fake.settingsCreated, 1);
        QCOMPARE(h.source()->Text(), std::string("Once upon a time\r\n"));
        QCOMPARE(h.state().SourceText, std::string("Once upon a time\r\n"));
        // Seeded once from the clock: milliseconds since midnight UTC.
        QCOMPARE(h.state().Random.RandomState, 12345u);
        QCOMPARE(h.coder().windowTitle(), QStringLiteral("Morvane Encoder  |  Ver. 1.1"));
        QCOMPARE(h.state().StartDir, QDir::currentPath());
        QVERIFY(h.fake.dialogs.calls.empty());
        QVERIFY(!h.error().isVisible());
        QVERIFY(!h.program->frmNewKey->isVisible() && !h.program->frmC->isVisible());
        QVERIFY(platform::CaptionsFit(&h.coder()));
        QCOMPARE(h.coder().size(), QSize(465, 419));
        // The tab order of the layout.
        QStringList order;
        QWidget* first = h.source();
        for (QWidget* w = first; order.size() < 20; w = w->nextInFocusChain()) {
            if (w->focusPolicy() & Qt::TabFocus)
                order << w->objectName();
            if (w->nextInFocusChain() == first)
                break;
        }
        QCOMPARE(order, (QStringList{"mmoInitial", "bbnLoad", "bbnPaste", "bbnEncode", "edtKeyFile",
                                     "bbnBrowseKeyFile", "bbnNewKey", "mmoCode", "bbnCopy", "bbnSaveCode",
                                     "bbnClear", "bbnCancelQuickEncoding"}));
        QVERIFY(platform::CaptionsFit(&h.error()));
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("parameters");
        QTest::addColumn<bool>("quick");
        QTest::addColumn<bool>("openFile");
        QTest::addColumn<QString>("sourceFileName");
        const QString story = dir.filePath(QStringLiteral("story.txt"));
        QTest::newRow("none") << QStringList{} << false << false << QString();
        QTest::newRow("ENCODE file") << QStringList{"ENCODE", "story.txt"} << true << false << story;
        QTest::newRow("encode file") << QStringList{"encode", "story.txt"} << true << false << story;
        QTest::newRow("Encode, wildcard") << QStringList{"Encode", "st*.t?t"} << true << false << story;
        QTest::newRow("ENCODE alone") << QStringList{"ENCODE"} << false << false << QString();
        QTest::newRow("ENCODE missing") << QStringList{"ENCODE", "missing.txt"} << false << false << QString();
        QTest::newRow("ENCODE folder") << QStringList{"ENCODE", "folder"} << false << false
                                       << dir.filePath(QStringLiteral("folder"));
        QTest::newRow("file") << QStringList{"story.txt", "ignored"} << false << true << QStringLiteral("story.txt");
        QTest::newRow("missing file") << QStringList{"missing.txt"} << false << false << QStringLiteral("missing.txt");
        QTest::newRow("folder") << QStringList{"folder"} << false << false << QStringLiteral("folder");
        QTest::newRow("third ignored") << QStringList{"ENCODE", "story.txt", "more"} << true << false << story;
    }

    void commandLine()
    {
        QFETCH(QStringList, parameters);
        QFETCH(bool, quick);
        QFETCH(bool, openFile);
        QFETCH(QString, sourceFileName);
        Harness h(QStringList{QStringLiteral("morvane")} + parameters);
        QCOMPARE(h.state().QuickMode, quick);
        QCOMPARE(h.state().OpenFileMode, openFile);
        QCOMPARE(h.state().SourceFileName, sourceFileName);
        if (!quick)
            QCOMPARE(h.state().SourceText.empty(), !openFile);
        QVERIFY(!h.error().isVisible()); // the command line never reports
    }

    void programEndsWhenTheEncoderWindowCloses()
    {
        {
            // Closed before the loop starts: Run returns at once.
            Harness h;
            h.coder().close();
            QVERIFY(h.program->mainWindowClosed);
            QCOMPARE(h.program->Run(), 0);
        }
        {
            // Closed while the loop runs, after another window was closed
            // (which only hides it).
            Harness h;
            QTimer::singleShot(0, [&] {
                h.program->ShowError(QStringLiteral("first"));
                h.error().close();
                QVERIFY(!h.error().isVisible());
                QVERIFY(!h.program->mainWindowClosed);
                h.button("spbExit")->click();
            });
            QCOMPARE(h.program->Run(), 0);
            QVERIFY(h.program->mainWindowClosed);
            QVERIFY(!h.coder().isVisible());
        }
    }

    void errorWindowShowsOneMessageAndClosesByEveryPath()
    {
        Harness h;
        h.coder().ShowMainWindow();
        h.program->ShowError(QStringLiteral("first"));
        h.program->ShowError(QStringLiteral("second"));
        QCOMPARE(h.ErrorShown(), QStringLiteral("second"));
        QVERIFY(h.error().windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(h.error().size(), QSize(489, 65));

        // Without CloseOnErrorDismiss: the error window hides, the encoder
        // window stays.
        h.error().findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
        QVERIFY(!h.error().isVisible());
        QVERIFY(h.coder().isVisible());
        QCOMPARE(h.error().Message(), QStringLiteral("second")); // kept until replaced

        // With it: every way of closing closes the encoder window.
        const std::function<void(app::TfrmError&)> ways[] = {
            [](app::TfrmError& e) { e.findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click(); },
            [](app::TfrmError& e) { QTest::keyClick(&e, Qt::Key_Return); },
            [](app::TfrmError& e) { e.windowHandle()->close(); }, // the title-bar control
        };
        for (const auto& close : ways) {
            Harness fatal;
            fatal.coder().ShowMainWindow();
            fatal.state().CloseOnErrorDismiss = true;
            fatal.program->ShowError(QStringLiteral("fatal"));
            close(fatal.error());
            QVERIFY(!fatal.error().isVisible());
            QVERIFY(fatal.program->mainWindowClosed);
            QVERIFY(!fatal.coder().isVisible());
        }
    }

    void failureHandlerShowsTheMessageWithTheFullStopRule()
    {
        Harness h;
        const std::pair<std::string, QString> cases[] = {
            {"Cannot focus a disabled or invisible window", "Cannot focus a disabled or invisible window."},
            {"'x' is not a valid integer value", "'x' is not a valid integer value."},
            {"Failed to set data for 'LastLeftPos'", "Failed to set data for 'LastLeftPos'"},
            {"Version 2", "Version 2."},
            {"Done.", "Done."},
        };
        for (const auto& [message, shown] : cases) {
            FailingObject failing(message);
            QEvent event(QEvent::User);
            QCoreApplication::sendEvent(&failing, &event); // the program carries on
            QCOMPARE(h.fake.failureBox.calls.back().text, shown);
            QCOMPARE(h.fake.failureBox.calls.back().caption, QStringLiteral("Morvane  |  Encoder"));
        }
        QCOMPARE(h.fake.failureBox.calls.size(), std::size(cases));
        QVERIFY(!h.error().isVisible());
    }

    void keyWidthFailureGoesToTheFailureHandler()
    {
        Harness h;
        std::string key = "011x";
        key.append(7910 * 4, '5');
        WriteBytes(Path("bad.key"), key);
        h.keyField()->setText(Path("bad.key"));
        h.source()->SetText("abc");
        h.coder().ShowMainWindow();
        QTest::mouseClick(h.button("bbnEncode"), Qt::LeftButton);
        QCOMPARE(h.fake.failureBox.calls.size(), std::size_t(1));
        QCOMPARE(h.fake.failureBox.calls[0].text, QStringLiteral("'x' is not a valid integer value."));
        QVERIFY(!h.error().isVisible());
        QCOMPARE(h.button("bbnEncode")->text(), QStringLiteral("Encode"));
        QVERIFY(h.state().CodeText.empty());
        QVERIFY(!h.state().Encoding);
    }
};

MORVANE_APP_TEST_MAIN(TestStartUp)
#include "test_startup.moc"
