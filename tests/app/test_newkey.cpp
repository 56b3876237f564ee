// The new-key window: its states, key creation and its failures.
#include "harness.h"
#include "support/file_size_limit.h"

#include "app/coder.h"
#include "app/error.h"
#include "app/newkey.h"
#include "app/program.h"
#include "core/key_generator.h"
#include "core/key_table.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <set>

using namespace morvane;
using namespace morvane::app;

namespace {

class NewKeyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        program.CreateWindows();
        window = program.frmNewKey;
        ASSERT_NE(window, nullptr);
        name = window->findChild<QLineEdit*>("edtFileName");
        create = window->findChild<QPushButton*>("bbnCreate");
        browse = window->findChild<QPushButton*>("bbnBrowse");
        cancel = window->findChild<QPushButton*>("bbnCancel");
        bar = window->findChild<QProgressBar*>("prbCreation");
        keyField = static_cast<QWidget*>(program.frmCoder)->findChild<QLineEdit*>("edtKeyFile");
        ASSERT_TRUE(name && create && browse && cancel && bar && keyField);
        QObject::connect(bar, &QProgressBar::valueChanged, [this](int value) { barValues.push_back(value); });
    }
    void TearDown() override { QDir::setCurrent(previousDir); }

    QString ErrorShown() const
    {
        auto* errorWindow = static_cast<QWidget*>(program.frmError);
        if (!errorWindow->isVisible())
            return {};
        QWidget* text = errorWindow->findChild<QWidget*>("pnlErrorText");
        return text ? text->property("text").toString() : QStringLiteral("?");
    }
    void HideError() { static_cast<QWidget*>(program.frmError)->hide(); }

    QString Path(const QString& file) const { return dir.filePath(file); }

    QTemporaryDir dir;
    QString previousDir;
    morvane::testing::FakePlatform fake;
    Program program{fake.platform, QStringList{"morvane"}};
    TfrmNewKey* window = nullptr;
    QLineEdit* name = nullptr;
    QPushButton* create = nullptr;
    QPushButton* browse = nullptr;
    QPushButton* cancel = nullptr;
    QProgressBar* bar = nullptr;
    QLineEdit* keyField = nullptr;
    std::vector<int> barValues;
};

// The window's states: the dialog on showing, cancelled and confirmed;
// Browse; Enter and Escape; showing while shown; Cancel.
TEST_F(NewKeyTest, WalksThroughItsStates)
{
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Create a new key");
    EXPECT_FALSE(create->isEnabled());
    EXPECT_EQ(bar->maximum(), 225);

    // Shown, the dialog cancelled: no name, Create disabled.
    fake.dialogs.answers = {std::nullopt};
    window->ShowOrRaise();
    ASSERT_EQ(fake.dialogs.calls.size(), 1u);
    const auto& dialog = fake.dialogs.calls[0];
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

    // Enter does nothing without a name; Escape does not close the window.
    QTest::keyClick(window, Qt::Key_Return);
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(fake.dialogs.calls.size(), 1u);
    EXPECT_TRUE(barValues.empty());

    // Browse with a name: the name is taken, Create enabled; focus stays.
    browse->setFocus();
    fake.dialogs.answers = {Path("first.key")};
    QTest::mouseClick(browse, Qt::LeftButton);
    EXPECT_EQ(name->text(), Path("first.key"));
    EXPECT_TRUE(create->isEnabled());
    EXPECT_EQ(window->focusWidget(), browse);

    // Browse, then cancel: the name is kept. The dialog opens in the current
    // directory of that moment.
    QDir::setCurrent(QDir::tempPath());
    fake.dialogs.answers = {std::nullopt};
    QTest::mouseClick(browse, Qt::LeftButton);
    EXPECT_EQ(QDir(fake.dialogs.calls.back().options.initialDir).canonicalPath(),
              QDir(QDir::tempPath()).canonicalPath());
    EXPECT_EQ(name->text(), Path("first.key"));
    EXPECT_TRUE(create->isEnabled());
    QDir::setCurrent(dir.path());

    // Showing it again while shown only brings it to the front.
    const QPoint where = window->pos();
    window->ShowOrRaise();
    EXPECT_EQ(fake.dialogs.calls.size(), 3u);
    EXPECT_EQ(name->text(), Path("first.key"));

    // Cancel hides it and creates nothing.
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(QFile::exists(Path("first.key")));

    // The next showing starts with an empty name and the dialog; a confirmed
    // name focuses Create. The window comes back where it was.
    fake.dialogs.answers = {Path("second.key")};
    window->ShowOrRaise();
    EXPECT_EQ(fake.dialogs.calls.size(), 4u);
    EXPECT_EQ(name->text(), Path("second.key"));
    EXPECT_TRUE(create->isEnabled());
    EXPECT_EQ(window->focusWidget(), create);
    EXPECT_EQ(window->pos(), where);
}

// Create: the key is generated and written, lands in the key field, and the
// window hides; the bar goes up to 226 one row at a time and back to 0.
TEST_F(NewKeyTest, CreatesAKeyAndPutsItIntoTheKeyField)
{
    fake.dialogs.answers = {Path("new.key")};
    window->ShowOrRaise();
    const std::uint32_t stateBefore = program.state.Random.RandomState;

    QTest::keyClick(window, Qt::Key_Return); // Enter presses Create

    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(keyField->text(), Path("new.key"));
    EXPECT_EQ(ErrorShown(), "");
    EXPECT_NE(program.state.Random.RandomState, stateBefore) << "drawn from the program's random source";
    EXPECT_EQ(bar->maximum(), 226);
    EXPECT_EQ(bar->value(), 0);
    ASSERT_EQ(barValues.size(), 2u * 226);
    for (int i = 0; i < 226; ++i) {
        EXPECT_EQ(barValues[i], i + 1);
        EXPECT_EQ(barValues[226 + i], 225 - i);
    }

    QFile file(Path("new.key"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.size(), 31644);
    KeyTable table;
    std::uint8_t width = 0;
    KeyLoadResult loaded = LoadKeyFile(Path("new.key").toStdString(), table, width);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    EXPECT_EQ(width, 4);
    std::set<int> codes;
    for (const KeyRow& row : table.rows)
        codes.insert(row.begin(), row.end());
    EXPECT_EQ(codes.size(), 7910u);
    EXPECT_GE(*codes.begin(), 1000);
    EXPECT_LE(*codes.rbegin(), 9998);

    // The next showing starts again with an empty name and the dialog.
    fake.dialogs.answers = {std::nullopt};
    window->ShowOrRaise();
    EXPECT_EQ(name->text(), "");
    EXPECT_FALSE(create->isEnabled());
}

// A file that cannot be created: the message, the window as it was, the bar
// at 0 after filling up, the key field unchanged; Create may be pressed again.
TEST_F(NewKeyTest, ReportsAKeyFileThatCannotBeCreated)
{
    program.SetKeyFileName(Path("old.key"));
    const QString missing = Path("no such folder/new.key");
    fake.dialogs.answers = {missing};
    window->ShowOrRaise();

    QTest::mouseClick(create, Qt::LeftButton);

    EXPECT_EQ(ErrorShown(), "Unable to create a key file.");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(name->text(), missing);
    EXPECT_TRUE(create->isEnabled());
    EXPECT_EQ(keyField->text(), Path("old.key"));
    ASSERT_EQ(barValues.size(), 227u);
    EXPECT_EQ(barValues[225], 226) << "the whole key is generated before the file is created";
    EXPECT_EQ(bar->value(), 0);

    // Once the folder exists, Create succeeds with a fresh key.
    HideError();
    ASSERT_TRUE(QDir(dir.path()).mkdir("no such folder"));
    QTest::mouseClick(create, Qt::LeftButton);
    EXPECT_EQ(ErrorShown(), "");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(keyField->text(), missing);
    EXPECT_EQ(QFile(missing).size(), 31644);
}

// A write that fails (the file size limit stands in for a full disk): the
// message, the window as it was, and the existing file under the name whole.
TEST_F(NewKeyTest, ReportsAFailedWriteAndKeepsTheExistingFile)
{
    const QString target = Path("existing.key");
    {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("the old key");
    }
    fake.dialogs.answers = {target};
    window->ShowOrRaise();

    {
        morvane::testing::FileSizeLimit limit(1000);
        QTest::mouseClick(create, Qt::LeftButton);
    }

    EXPECT_EQ(ErrorShown(), "Unable to write to the key file.");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(name->text(), target);
    EXPECT_TRUE(create->isEnabled());
    EXPECT_EQ(bar->value(), 0);
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "the old key");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"existing.key"}) << "no temporary file left";
}

// A key created while an encoding run is under way, written over the very
// file the run loaded, does not change that run's code.
TEST_F(NewKeyTest, KeyCreatedDuringAnEncodingRunLeavesTheRunAlone)
{
    const QString keyName = Path("run.key");
    KeyTable oldKey;
    RandomSource random(12345);
    GenerateKey(random, oldKey);
    ASSERT_TRUE(WriteKeyFile(keyName.toStdString(), oldKey).ok);

    auto* coder = static_cast<QWidget*>(program.frmCoder);
    coder->show();
    program.SetKeyFileName(keyName);
    const std::string source(3000, 'a');
    coder->findChild<QPlainTextEdit*>("mmoInitial")->setPlainText(QString::fromStdString(source));

    fake.dialogs.answers = {keyName};
    window->ShowOrRaise();
    bool createdDuringRun = false;
    QTimer::singleShot(0, window, [&] {
        createdDuringRun = program.state.Encoding;
        create->click();
    });
    QTest::mouseClick(coder->findChild<QPushButton*>("bbnEncode"), Qt::LeftButton);

    ASSERT_TRUE(createdDuringRun);
    EXPECT_FALSE(window->isVisible());
    KeyTable newKey;
    std::uint8_t width = 0;
    ASSERT_TRUE(LoadKeyFile(keyName.toStdString(), newKey, width).ok);
    ASSERT_NE(newKey.rows, oldKey.rows);

    const std::string& code = program.state.CodeText;
    ASSERT_EQ(code.size(), 4 + 4 * source.size());
    EXPECT_EQ(code.substr(0, 4), "0114");
    const KeyRow& row = oldKey.rows[RowOf('a') - 1];
    for (std::size_t i = 4; i < code.size(); i += 4) {
        const int number = std::stoi(code.substr(i, 4));
        ASSERT_NE(std::find(row.begin(), row.end(), number), row.end()) << "number " << (i - 4) / 4;
    }
}

} // namespace

MORVANE_APP_GTEST_MAIN()
