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
struct FailingObject : QObject {
    std::string message;
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User && message.empty())
            throw std::bad_alloc();
        if (event->type() == QEvent::User)
            throw Failure(message);
        return QObject::event(event);
    }
};

// Every button caption and label text of the window shows whole.
bool CaptionsFit(const QWidget& window)
{
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        const QFontMetrics metrics(button->font());
        if (metrics.horizontalAdvance(button->text()) + 2 > button->width() || metrics.height() > button->height())
            return false;
    }
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        const QRect needed = QFontMetrics(label->font()).boundingRect(label->text());
        if (!label->wordWrap() && (needed.width() > label->width() || needed.height() > label->height() + 2))
            return false;
    }
    return true;
}

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
        // StartUp ran once, after the fourth window: one settings check, and
        // the named file already in the source field.
        QCOMPARE(h.fake.settings->opened.size(), std::size_t(1));
        QCOMPARE(h.fake.settingsCreated, 1);
        QCOMPARE(h.source()->Text(), std::string("Once upon a time\r\n"));
        QCOMPARE(h.state().SourceText, std::string("Once upon a time\r\n"));
        QCOMPARE(h.state().Random.RandomState, 12345u); // milliseconds since midnight UTC
        QCOMPARE(h.coder().windowTitle(), QStringLiteral("Morvane Encoder  |  Ver. 1.1"));
        QCOMPARE(h.state().StartDir, QDir::currentPath());
        QVERIFY(h.fake.dialogs.calls.empty());
        QVERIFY(!h.error().isVisible() && !h.program->frmNewKey->isVisible() && !h.program->frmC->isVisible());
        QVERIFY(CaptionsFit(h.coder()) && CaptionsFit(h.error()));
        QCOMPARE(h.coder().size(), QSize(465, 419));
        QStringList order;
        for (QWidget* w = h.source(); order.size() < 20; w = w->nextInFocusChain()) {
            if (w->focusPolicy() & Qt::TabFocus)
                order << w->objectName();
            if (w->nextInFocusChain() == h.source())
                break;
        }
        QCOMPARE(order, (QStringList{"mmoInitial", "bbnLoad", "bbnPaste", "bbnEncode", "edtKeyFile",
                                     "bbnBrowseKeyFile", "bbnNewKey", "mmoCode", "bbnCopy", "bbnSaveCode",
                                     "bbnClear", "bbnCancelQuickEncoding"}));
    }

    void commandLine()
    {
        struct Case {
            QStringList parameters;
            bool quick, openFile;
            QString sourceFileName;
        };
        const QString story = Path("story.txt");
        const Case cases[] = {
            {{}, false, false, ""},
            {{"ENCODE", "story.txt"}, true, false, story},
            {{"encode", "story.txt"}, true, false, story},
            {{"Encode", "st*.t?t"}, true, false, story},
            {{"ENCODE", "story.txt", "more"}, true, false, story},
            {{"ENCODE"}, false, false, ""},
            {{"ENCODE", "missing.txt"}, false, false, ""},
            {{"ENCODE", "folder"}, false, false, Path("folder")},
            {{"story.txt", "ignored"}, false, true, "story.txt"},
            {{"missing.txt"}, false, false, "missing.txt"},
            {{"folder"}, false, false, "folder"},
        };
        for (const Case& c : cases) {
            Harness h(QStringList{QStringLiteral("morvane")} + c.parameters);
            const QString line = c.parameters.join(' ');
            QVERIFY2(h.state().QuickMode == c.quick, qPrintable(line));
            QVERIFY2(h.state().OpenFileMode == c.openFile, qPrintable(line));
            QCOMPARE(h.state().SourceFileName, c.sourceFileName);
            QVERIFY2(c.quick || h.state().SourceText.empty() != c.openFile, qPrintable(line));
            QVERIFY2(!h.error().isVisible(), qPrintable(line)); // the command line never reports
        }
    }

    void programEndsWhenTheEncoderWindowCloses()
    {
        // (Closed before the loop starts, as quick encoding does: see
        // test_quick_encode.) Closed while the loop runs, after another
        // window only hid:
        Harness h;
        QTimer::singleShot(0, [&] {
            h.program->ShowError(QStringLiteral("first"));
            h.error().close();
            QVERIFY(!h.error().isVisible() && !h.program->Ended());
            h.button("spbExit")->click();
        });
        QCOMPARE(h.program->Run(), 0);
        QVERIFY(h.program->Ended() && !h.coder().isVisible());
    }

    void errorWindowShowsOneMessageAndClosesByEveryPath()
    {
        const std::function<void(app::TfrmError&)> ways[] = {
            [](app::TfrmError& e) { e.findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click(); },
            [](app::TfrmError& e) { QTest::keyClick(&e, Qt::Key_Return); },
            [](app::TfrmError& e) { e.windowHandle()->close(); }, // the title-bar control
        };
        // Every way hides the error window; with CloseOnErrorDismiss it also
        // closes the encoder window.
        for (const bool closeOnDismiss : {false, true}) {
            for (const auto& close : ways) {
                Harness h;
                h.coder().ShowMainWindow();
                h.state().CloseOnErrorDismiss = closeOnDismiss;
                h.program->ShowError(QStringLiteral("first"));
                h.program->ShowError(QStringLiteral("second"));
                QCOMPARE(h.ErrorShown(), QStringLiteral("second"));
                QVERIFY(h.error().windowFlags() & Qt::WindowStaysOnTopHint);
                QCOMPARE(h.error().size(), QSize(489, 65));
                close(h.error());
                QVERIFY(!h.error().isVisible());
                QCOMPARE(h.error().Message(), QStringLiteral("second")); // kept until replaced
                QCOMPARE(h.coder().isVisible(), !closeOnDismiss);
                QCOMPARE(h.program->Ended(), closeOnDismiss);
            }
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
            {"", "Out of memory."},
        };
        for (const auto& [message, shown] : cases) {
            FailingObject failing;
            failing.message = message;
            QEvent event(QEvent::User);
            QCoreApplication::sendEvent(&failing, &event); // the program carries on
            QCOMPARE(h.fake.failureBox.calls.back().text, shown);
            QCOMPARE(h.fake.failureBox.calls.back().caption, QStringLiteral("Morvane  |  Encoder"));
        }
        QCOMPARE(h.fake.failureBox.calls.size(), std::size(cases));

        // A key whose width digit is no digit fails in the conversion: the
        // handler shows it, not the error window, and the run never starts.
        WriteBytes(Path("bad.key"), "011x" + std::string(7910 * 4, '5'));
        h.keyField()->setText(Path("bad.key"));
        h.source()->SetText("abc");
        h.coder().ShowMainWindow();
        QTest::mouseClick(h.button("bbnEncode"), Qt::LeftButton);
        QCOMPARE(h.fake.failureBox.calls.size(), std::size(cases) + 1);
        QCOMPARE(h.fake.failureBox.calls.back().text, QStringLiteral("'x' is not a valid integer value."));
        QVERIFY(!h.error().isVisible());
        QCOMPARE(h.button("bbnEncode")->text(), QStringLiteral("Encode"));
        QVERIFY(h.state().CodeText.empty() && !h.state().Encoding);
    }

    void outOfMemoryInTheStartUp()
    {
        Harness h([](FakePlatform& f) { f.settings->outOfMemory = true; });
        QCOMPARE(h.fake.failureBox.calls.back().text, QStringLiteral("Out of memory."));
    }
};

MORVANE_APP_TEST_MAIN(TestStartUp)
#include "test_startup.moc"
