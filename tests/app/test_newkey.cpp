// The new-key window: its states, key creation and its failures.
#include "harness.h"
#include "support/file_size_limit.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>

using namespace morvane;
using namespace morvane::testing;

namespace {

class NewKeyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QDir::setCurrent(dir.path());
        ASSERT_TRUE(name && create && browse && cancel && bar);
        QObject::connect(bar, &QProgressBar::valueChanged, [this](int value) { barValues.push_back(value); });
    }
    void TearDown() override { QDir::setCurrent(previousDir); }

    template <class T>
    T* Get(const char* control) const { return window->findChild<T*>(QLatin1String(control)); }
    QString Path(const QString& file) const { return dir.filePath(file); }

    QTemporaryDir dir;
    QString previousDir = QDir::currentPath();
    Harness h;
    app::TfrmNewKey* window = h.program->frmNewKey;
    QLineEdit* name = Get<QLineEdit>("edtFileName");
    QPushButton* create = Get<QPushButton>("bbnCreate");
    QPushButton* browse = Get<QPushButton>("bbnBrowse");
    QPushButton* cancel = Get<QPushButton>("bbnCancel");
    QProgressBar* bar = Get<QProgressBar>("prbCreation");
    std::vector<int> barValues;
};

// The window's states: the dialog on showing, cancelled and confirmed;
// Browse; Enter and Escape; showing while shown; Cancel.
TEST_F(NewKeyTest, WalksThroughItsStates)
{
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Create a new key");

    // Shown, the dialog cancelled: no name, Create disabled.
    h.fake.dialogs.answers = {std::nullopt};
    window->ShowOrRaise();
    ASSERT_EQ(h.fake.dialogs.calls.size(), 1u);
    const auto& dialog = h.fake.dialogs.calls[0];
    EXPECT_FALSE(dialog.ownerOnScreen) << "the dialog comes before the window is seen";
    EXPECT_EQ(dialog.options.title, "Set file name for a new key");
    EXPECT_EQ(dialog.options.filter, "Key file (*.key)|*.key|All files (*.*)|*.*");
    EXPECT_EQ(dialog.options.filterIndex, 1);
    EXPECT_EQ(dialog.options.defaultExt, "key");
    EXPECT_EQ(QDir(dialog.options.initialDir).canonicalPath(), QDir(dir.path()).canonicalPath());
    EXPECT_TRUE(dialog.options.fileName.isEmpty());
    EXPECT_TRUE(dialog.options.overwritePrompt);
    ASSERT_TRUE(window->windowHandle() && window->windowHandle()->isVisible());
    EXPECT_EQ(name->text(), "");
    EXPECT_FALSE(create->isEnabled());

    // In the active window Enter presses nothing while Create is disabled,
    // whatever button has the focus; Escape does not close the window.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    for (QPushButton* focused : {browse, cancel, create}) {
        focused->setFocus();
        QTest::keyClick(window->focusWidget(), Qt::Key_Return);
    }
    QTest::keyClick(window->focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(h.fake.dialogs.calls.size(), 1u) << "Browse was not pressed";
    EXPECT_TRUE(barValues.empty());

    // Browse with a name: the name is taken, Create enabled; focus stays.
    browse->setFocus();
    h.fake.dialogs.answers = {Path("first.key")};
    QTest::mouseClick(browse, Qt::LeftButton);
    EXPECT_EQ(name->text(), Path("first.key"));
    EXPECT_TRUE(create->isEnabled());
    EXPECT_EQ(window->focusWidget(), browse);

    // Browse, then cancel: the name is kept. The dialog opens in the current
    // directory of that moment.
    QDir::setCurrent(QDir::tempPath());
    h.fake.dialogs.answers = {std::nullopt};
    QTest::mouseClick(browse, Qt::LeftButton);
    EXPECT_EQ(QDir(h.fake.dialogs.calls.back().options.initialDir).canonicalPath(),
              QDir(QDir::tempPath()).canonicalPath());
    EXPECT_EQ(name->text(), Path("first.key"));
    EXPECT_TRUE(create->isEnabled());

    // Showing it again while shown only brings it to the front; Cancel hides
    // it and creates nothing.
    const QPoint where = window->pos();
    window->ShowOrRaise();
    EXPECT_EQ(h.fake.dialogs.calls.size(), 3u);
    EXPECT_EQ(name->text(), Path("first.key"));
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(QFile::exists(Path("first.key")));

    // The next showing starts with an empty name and the dialog; a confirmed
    // name focuses Create. The window comes back where it was.
    h.fake.dialogs.answers = {Path("second.key")};
    window->ShowOrRaise();
    EXPECT_EQ(h.fake.dialogs.calls.size(), 4u);
    EXPECT_EQ(name->text(), Path("second.key"));
    EXPECT_TRUE(create->isEnabled());
    EXPECT_EQ(window->focusWidget(), create);
    EXPECT_EQ(window->pos(), where);
}

// A file that cannot be created: the message, the window as it was, the bar
// at 0 after filling up, the key field unchanged. Once the folder exists,
// Enter presses Create, even with the focus on Cancel: the key is written and lands in the key field, the
// window hides, and the bar goes up to 226 one row at a time and back to 0.
TEST_F(NewKeyTest, ReportsAMissingFolderThenCreatesTheKey)
{
    h.program->SetKeyFileName(Path("old.key"));
    const QString target = Path("no such folder/new.key");
    h.fake.dialogs.answers = {target};
    window->ShowOrRaise();

    QTest::mouseClick(create, Qt::LeftButton);
    EXPECT_EQ(h.ErrorShown(), "Unable to create a key file.");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(name->text(), target);
    EXPECT_TRUE(create->isEnabled());
    EXPECT_EQ(h.keyField()->text(), Path("old.key"));
    ASSERT_EQ(barValues.size(), 227u);
    EXPECT_EQ(barValues[225], 226) << "the whole key is generated before the file is created";
    EXPECT_EQ(bar->value(), 0);

    h.error().hide();
    barValues.clear();
    ASSERT_TRUE(QDir(dir.path()).mkdir("no such folder"));
    const std::uint32_t stateBefore = h.state().Random.RandomState;
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    cancel->setFocus(); // Enter presses Create all the same
    QTest::keyClick(cancel, Qt::Key_Return);
    EXPECT_EQ(h.ErrorShown(), "");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(h.keyField()->text(), target);
    EXPECT_NE(h.state().Random.RandomState, stateBefore) << "drawn from the program's random source";
    EXPECT_EQ(bar->maximum(), 226);
    ASSERT_EQ(barValues.size(), 2u * 226);
    for (int i = 0; i < 226; ++i) {
        EXPECT_EQ(barValues[i], i + 1);
        EXPECT_EQ(barValues[226 + i], 225 - i);
    }
    EXPECT_EQ(QFile(target).size(), 31644);
    KeyTable table;
    std::uint8_t width = 0;
    const KeyLoadResult loaded = LoadKeyFile(QFile::encodeName(target).toStdString(), table, width);
    EXPECT_TRUE(loaded.ok) << loaded.message;
    EXPECT_EQ(width, 4);
}

// A write that fails (the file size limit stands in for a full disk): the
// message, the window as it was, and the existing file under the name whole.
TEST_F(NewKeyTest, ReportsAFailedWriteAndKeepsTheExistingFile)
{
    const QString target = Path("existing.key");
    WriteBytes(target, "the old key");
    h.fake.dialogs.answers = {target};
    window->ShowOrRaise();
    {
        FileSizeLimit limit(1000);
        QTest::mouseClick(create, Qt::LeftButton);
    }
    EXPECT_EQ(h.ErrorShown(), "Unable to write to the key file.");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(name->text(), target);
    EXPECT_TRUE(create->isEnabled());
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(ReadBytes(target), "the old key");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"existing.key"}) << "no temporary file left";
}

// A key created while an encoding run is under way, written over the very
// file the run loaded, does not change that run's code.
TEST_F(NewKeyTest, KeyCreatedDuringAnEncodingRunLeavesTheRunAlone)
{
    const QString keyName = Path("run.key");
    KeyTable oldKey;
    WriteKey(keyName, &oldKey);
    h.coder().show();
    h.program->SetKeyFileName(keyName);
    const std::string source(3000, 'a');
    h.source()->setPlainText(QString::fromStdString(source));

    h.fake.dialogs.answers = {keyName};
    window->ShowOrRaise();
    bool createdDuringRun = false;
    QTimer::singleShot(0, window, [&] {
        createdDuringRun = h.state().Encoding;
        create->click();
    });
    QTest::mouseClick(h.button("bbnEncode"), Qt::LeftButton);

    ASSERT_TRUE(createdDuringRun);
    EXPECT_FALSE(window->isVisible());
    KeyTable newKey;
    std::uint8_t width = 0;
    ASSERT_TRUE(LoadKeyFile(QFile::encodeName(keyName).toStdString(), newKey, width).ok);
    ASSERT_NE(newKey.rows, oldKey.rows);

    const std::string& code = h.state().CodeText;
    ASSERT_EQ(code.size(), 4 + 4 * source.size());
    EXPECT_EQ(code.substr(0, 4), "0114");
    const KeyRow& row = oldKey.rows[RowOf('a') - 1];
    for (std::size_t i = 4; i < code.size(); i += 4)
        ASSERT_EQ(std::count(row.begin(), row.end(), std::stoi(code.substr(i, 4))), 1) << "number " << (i - 4) / 4;
}

} // namespace

MORVANE_APP_GTEST_MAIN()
