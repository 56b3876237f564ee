// The settings check at start and at close, and the window position.
#include "harness.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

using namespace morvane;
using namespace morvane::testing;

namespace {

const QString kProperly = QStringLiteral("The application has not been installed properly.");
const QString kCorrectly = QStringLiteral("The application has not been installed correctly.");

platform::ValueData Dword(std::uint32_t value)
{
    return {platform::kRegDword, std::string(reinterpret_cast<const char*>(&value), 4)};
}

platform::ValueData String(const char* text) { return FakeSettingsStore::String(text); }

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void failedChecksDisableTheWindow()
    {
        using Data = FakeSettingsStore::Data;
        const std::tuple<const char*, QString, std::function<void(Data&)>> cases[] = {
            {"key missing", kProperly, [](Data& d) { d.keyExists = false; }},
            {"install path missing", kProperly, [](Data& d) { d.values.erase("InstallPath"); }},
            {"left missing, install path damaged", kProperly,
             [](Data& d) { d.values.erase("LastLeftPos"); d.values["InstallPath"] = Dword(7); }},
            {"top missing", kProperly, [](Data& d) { d.values.erase("LastTopPos"); }},
            {"number value", kCorrectly, [](Data& d) { d.values["LastTopPos"] = Dword(100); }},
            {"zero-size number", kCorrectly, [](Data& d) { d.values["LastLeftPos"] = {platform::kRegDword, ""}; }},
            {"zero-size string", kCorrectly, [](Data& d) { d.values["LastLeftPos"] = {platform::kRegSz, ""}; }},
            {"left not an integer", kCorrectly, [](Data& d) { d.values["LastLeftPos"] = String("12a"); }},
            {"top with a blank inside", kCorrectly, [](Data& d) { d.values["LastTopPos"] = String("1 2"); }},
            {"unreadable", kCorrectly, [](Data& d) { d.failReads = true; }},
        };
        // Each leaves a disabled window that cannot be closed; dismissing the
        // error ends it, and nothing is written.
        for (const auto& [name, message, change] : cases) {
            Harness h([&](FakePlatform& f) { change(*f.settings); });
            QVERIFY2(h.ErrorShown() == message, name);
            h.coder().ShowMainWindow();
            QVERIFY2(h.state().CloseOnErrorDismiss && !h.coder().isEnabled(), name);
            h.coder().windowHandle()->close(); // the title-bar control
            h.coder().close();
            QVERIFY2(h.coder().isVisible() && !h.program->Ended(), name);
            h.error().findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
            QVERIFY2(h.program->Ended() && !h.coder().isVisible(), name);
            QVERIFY2(h.fake.settings->written.empty() && h.fake.failureBox.calls.empty(), name);
        }
    }

    void acceptedValuesPlaceTheWindowUnclamped()
    {
        const std::tuple<const char*, const char*, const char*, QPoint> cases[] = {
            {"/opt/m", "100", "200", {100, 200}},
            {"/opt/m", "$7B", "  -5", {123, -5}},
            {"", "123456", "300", {12345, 300}}, // the first five characters
        };
        for (const auto& [installPath, left, top, at] : cases) {
            Harness h([&](FakePlatform& f) {
                f.settings->values["InstallPath"] = {platform::kRegExpandSz, std::string(installPath) + '\0'};
                f.settings->values["LastLeftPos"] = String(left);
                f.settings->values["LastTopPos"] = String(top);
            });
            QVERIFY2(!h.error().isVisible() && h.coder().isEnabled(), left);
            QCOMPARE(h.state().InstallDir, QString::fromLatin1(installPath));
            QCOMPARE(h.coder().pos(), at);
            h.coder().ShowMainWindow();
            QCOMPARE(h.coder().pos(), at);
        }
    }

    void positionCentredThenSavedAndRestored()
    {
        std::shared_ptr<FakeSettingsStore::Data> store;
        {
            Harness h; // both positions "-1"
            h.coder().ShowMainWindow();
            const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
            QVERIFY((h.coder().geometry().center() - screen.center()).manhattanLength() <= 8);
            h.coder().move(40, 60);
            h.button("spbExit")->click();
            QVERIFY(h.program->Ended());
            // Written left then top, and the key opened only once.
            QCOMPARE(h.fake.settings->written, (std::vector<std::string>{"LastLeftPos", "LastTopPos"}));
            QCOMPARE(h.fake.settings->opened, (std::vector<std::string>{"software\\morvane"}));
            QCOMPARE(h.fake.settings->values["LastLeftPos"].data, std::string("40\0", 3));
            QCOMPARE(h.fake.settings->values["LastTopPos"].data, std::string("60\0", 3));
            store = h.fake.settings;
        }
        Harness next([&](FakePlatform& f) { f.settings = store; });
        QCOMPARE(next.coder().pos(), QPoint(40, 60));
        // Quick mode (any regular file starts it) restores the position too,
        // and writes nothing.
        store->written.clear();
        Harness quick([&](FakePlatform& f) { f.settings = store; },
                      {QStringLiteral("morvane"), QStringLiteral("ENCODE"), QCoreApplication::applicationFilePath()});
        QVERIFY(quick.state().QuickMode && quick.program->Ended());
        QCOMPARE(quick.coder().pos(), QPoint(40, 60));
        QVERIFY(store->written.empty());
        // A window closed at left edge -1 saves "-1": the next start centres.
        next.coder().move(-1, 60);
        next.coder().close();
        QCOMPARE(store->values["LastLeftPos"].data, std::string("-1\0", 3));
    }

    void checkAtCloseRereadsTheValues()
    {
        Harness h;
        QCOMPARE(h.state().InstallDir, QStringLiteral("/opt/morvane"));
        h.fake.settings->values["InstallPath"] = String("/usr/local/bin");
        h.fake.settings->values["LastTopPos"] = Dword(1); // damaged meanwhile
        h.coder().close();
        QCOMPARE(h.state().InstallDir, QStringLiteral("/usr/local/bin"));
        QCOMPARE(h.ErrorShown(), kCorrectly);
        QVERIFY(h.fake.settings->written.empty());
        QVERIFY(h.program->Ended()); // the closing goes on
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
        QVERIFY(h.program->Ended() && !h.coder().isVisible());
    }
};

MORVANE_APP_TEST_MAIN(TestSettings)
#include "test_settings.moc"
