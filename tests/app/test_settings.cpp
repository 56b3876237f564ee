// The settings check at start and at close, and the window position.
#include "harness.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>

using namespace morvane;
using namespace morvane::testing;

namespace {

platform::ValueData Dword(std::uint32_t value)
{
    return {platform::kRegDword, std::string(reinterpret_cast<const char*>(&value), 4)};
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void failedChecks_data()
    {
        QTest::addColumn<bool>("keyExists");
        QTest::addColumn<QString>("message");
        // Values to set (data) or remove (type kRegNone and no data).
        QTest::addColumn<int>("change");
        const QString properly = app::kNotInstalledProperly;
        const QString correctly = app::kNotInstalledCorrectly;
        QTest::newRow("key missing") << false << properly << 0;
        QTest::newRow("left missing, install path damaged") << true << properly << 1;
        QTest::newRow("top missing") << true << properly << 2;
        QTest::newRow("number value") << true << correctly << 3;
        QTest::newRow("zero-size number value") << true << correctly << 4;
        QTest::newRow("zero-size string") << true << correctly << 5;
        QTest::newRow("left not an integer") << true << correctly << 6;
        QTest::newRow("top with a blank inside") << true << correctly << 7;
        QTest::newRow("unreadable") << true << correctly << 8;
    }

    void failedChecks()
    {
        QFETCH(bool, keyExists);
        QFETCH(QString, message);
        QFETCH(int, change);
        Harness h({QStringLiteral("morvane")}, false);
        auto& values = h.fake.settings->values;
        h.fake.settings->keyExists = keyExists;
        switch (change) {
        case 1:
            values.erase("LastLeftPos");
            values["InstallPath"] = Dword(7);
            break;
        case 2: values.erase("LastTopPos"); break;
        case 3: values["LastTopPos"] = Dword(100); break;
        case 4: values["LastLeftPos"] = {platform::kRegDword, ""}; break;
        case 5: values["LastLeftPos"] = {platform::kRegSz, ""}; break;
        case 6: values["LastLeftPos"] = FakeSettingsStore::String("12a"); break;
        case 7: values["LastTopPos"] = FakeSettingsStore::String("1 2"); break;
        case 8: h.fake.settings->failReads = true; break;
        }
        h.Create();
        QCOMPARE(h.ErrorShown(), message);
        QVERIFY(h.state().CloseOnErrorDismiss);
        QVERIFY(!h.coder().isEnabled());
    }

    void disabledWindowEndsWithTheError()
    {
        Harness h({QStringLiteral("morvane")}, false);
        h.fake.settings->values.erase("InstallPath");
        h.Create();
        h.coder().ShowMainWindow();
        QVERIFY(!h.coder().isEnabled());
        h.coder().windowHandle()->close(); // the title-bar control
        QVERIFY(h.coder().isVisible());
        h.coder().close();
        QVERIFY(h.coder().isVisible());
        QVERIFY(!h.program->mainWindowClosed);
        h.error().findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
        QVERIFY(h.program->mainWindowClosed);
        QVERIFY(!h.coder().isVisible());
        QVERIFY(h.fake.settings->written.empty());
        QVERIFY(h.fake.failureBox.calls.empty());
    }

    void acceptedValues_data()
    {
        QTest::addColumn<QString>("installPath");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("top");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::newRow("plain") << "/opt/m" << "100" << "200" << 100 << 200;
        QTest::newRow("hexadecimal") << "/opt/m" << "$7B" << "  -5" << 123 << -5;
        QTest::newRow("first five characters") << "" << "123456" << "300" << 12345 << 300;
    }

    void acceptedValues()
    {
        QFETCH(QString, installPath);
        QFETCH(QString, left);
        QFETCH(QString, top);
        QFETCH(int, x);
        QFETCH(int, y);
        Harness h({QStringLiteral("morvane")}, false);
        h.fake.settings->values["InstallPath"] = {platform::kRegExpandSz, installPath.toStdString() + '\0'};
        h.fake.settings->values["LastLeftPos"] = FakeSettingsStore::String(left.toStdString());
        h.fake.settings->values["LastTopPos"] = FakeSettingsStore::String(top.toStdString());
        h.Create();
        QVERIFY(!h.error().isVisible());
        QVERIFY(h.coder().isEnabled());
        QCOMPARE(h.state().InstallDir, installPath);
        QCOMPARE(h.coder().pos(), QPoint(x, y)); // placed, not clamped
        h.coder().ShowMainWindow();
        QCOMPARE(h.coder().pos(), QPoint(x, y));
    }

    void positionCentredThenSavedAndRestored()
    {
        QPoint closedAt;
        std::shared_ptr<FakeSettingsStore::Data> store;
        {
            Harness h; // both positions "-1"
            h.coder().ShowMainWindow();
            const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
            const QPoint offset = h.coder().geometry().center() - screen.center();
            QVERIFY(offset.manhattanLength() <= 8); // centred, give or take the frame
            h.coder().move(40, 60);
            h.button("spbExit")->click();
            QVERIFY(h.program->mainWindowClosed);
            // Written left then top, and the key opened only once.
            QCOMPARE(h.fake.settings->written, (std::vector<std::string>{"LastLeftPos", "LastTopPos"}));
            QCOMPARE(h.fake.settings->opened, (std::vector<std::string>{"software\\morvane"}));
            QCOMPARE(h.fake.settings->values["LastLeftPos"].data, std::string("40\0", 3));
            QCOMPARE(h.fake.settings->values["LastTopPos"].data, std::string("60\0", 3));
            store = h.fake.settings;
        }
        Harness next({QStringLiteral("morvane")}, false);
        next.fake.settings = store;
        next.Create();
        QCOMPARE(next.coder().pos(), QPoint(40, 60));

        // A window closed at left edge -1 saves "-1": the next start centres.
        next.coder().move(-1, 60);
        next.coder().close();
        QCOMPARE(store->values["LastLeftPos"].data, std::string("-1\0", 3));
    }

    void quickModeWritesNothing()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        WriteBytes(dir.filePath(QStringLiteral("a.txt")), "text");
        Harness h({QStringLiteral("morvane"), QStringLiteral("ENCODE"), dir.filePath(QStringLiteral("a.txt"))}, false);
        h.fake.settings->values["LastLeftPos"] = FakeSettingsStore::String("10");
        h.fake.settings->values["LastTopPos"] = FakeSettingsStore::String("20");
        h.Create();
        QVERIFY(h.state().QuickMode);
        QCOMPARE(h.coder().pos(), QPoint(10, 20)); // restored all the same
        h.coder().close();
        QVERIFY(h.program->mainWindowClosed);
        QVERIFY(h.fake.settings->written.empty());
        QCOMPARE(h.fake.settings->opened.size(), std::size_t(1));
    }

    void checkAtCloseRereadsValues()
    {
        Harness h;
        QVERIFY(h.state().InstallDir == "/opt/morvane");
        h.fake.settings->values["InstallPath"] = FakeSettingsStore::String("/usr/local/bin");
        h.fake.settings->values["LastTopPos"] = Dword(1); // damaged meanwhile
        h.coder().close();
        QCOMPARE(h.state().InstallDir, QStringLiteral("/usr/local/bin"));
        QCOMPARE(h.ErrorShown(), QString::fromLatin1(app::kNotInstalledCorrectly));
        QVERIFY(h.fake.settings->written.empty());
        QVERIFY(h.program->mainWindowClosed); // the closing goes on
    }

    void refusedWriteIsShownAndTheWindowClosesAllTheSame()
    {
        Harness h;
        h.coder().ShowMainWindow();
        h.fake.settings->refuseWrites = true;
        h.coder().windowHandle()->close();
        QCOMPARE(h.fake.failureBox.calls.size(), std::size_t(1));
        QCOMPARE(h.fake.failureBox.calls[0].text, QStringLiteral("Failed to set data for 'LastLeftPos'"));
        QCOMPARE(h.fake.failureBox.calls[0].caption, QStringLiteral("Morvane  |  Encoder"));
        QVERIFY(h.program->mainWindowClosed);
        QVERIFY(!h.coder().isVisible());
    }
};

MORVANE_APP_TEST_MAIN(TestSettings)
#include "test_settings.moc"
