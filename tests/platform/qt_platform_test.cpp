// The Qt part of the platform layer, run headless (offscreen).
#include "platform/codepage.h"
#include "platform/cp1252.h"
#include "platform/platform.h"
#include "platform/qt_clipboard.h"
#include "platform/qt_failure_box.h"
#include "platform/qt_file_dialogs.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringDecoder>
#include <QTimer>

#include <filesystem>
#include <functional>

using namespace morvane::platform;
using namespace morvane::testing;

namespace {

std::string AllBytes()
{
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes += static_cast<char>(b);
    return bytes;
}

// Runs check on the modal window that the next call opens, once it is up.
void WhenModalOpens(std::function<void(QWidget*)> check)
{
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [check, poll] {
        if (QWidget* modal = QApplication::activeModalWidget())
            check(modal);
        else
            QTimer::singleShot(10, *poll);
    };
    QTimer::singleShot(0, *poll);
}

TEST(CodePage, AllBytesSurviveARoundTrip)
{
    const std::string bytes = AllBytes();
    const QString text = ToUnicode(bytes);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(FromUnicode(text), bytes);

    EXPECT_EQ(text[0x41], QChar(u'A'));
    EXPECT_EQ(text[0x80], QChar(u'\u20AC'));
    EXPECT_EQ(text[0x9F], QChar(u'\u0178'));
    EXPECT_EQ(text[0xE9], QChar(u'\u00E9'));
    for (int unassigned : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(text[unassigned].unicode(), unassigned);
    }

    // The plain C++ conversions of the settings file agree with these.
    EXPECT_EQ(QString::fromStdString(Cp1252ToUtf8(bytes)), text);
    EXPECT_EQ(Utf8ToCp1252(text.toStdString()), bytes);

    // Where Qt has its own Windows-1252 decoder, the assigned bytes agree with it.
    QStringDecoder system("windows-1252");
    if (system.isValid()) {
        const QString decoded = system.decode(QByteArray::fromStdString(bytes));
        ASSERT_EQ(decoded.size(), 256);
        for (int b = 0; b < 256; ++b) {
            if (b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D) {
                EXPECT_EQ(decoded[b], text[b]) << "byte " << b;
            }
        }
    }
}

TEST(CodePage, CharactersOutsideBecomeQuestionMarks)
{
    EXPECT_EQ(FromUnicode(QStringLiteral("a\u0100b\u0416c")), "a?b?c");
    EXPECT_EQ(FromUnicode(QString::fromUtf8("\xF0\x9F\x98\x80")), "?") << "one mark for a character outside the plane";
    EXPECT_EQ(FromUnicode(QString(QChar(0xD800))), "?") << "an unpaired surrogate";
    EXPECT_EQ(FromUnicode(QStringLiteral("\u20AC\u2122")), "\x80\x99");
    EXPECT_EQ(Utf8ToCp1252("a\xFF" "b\xC3"), "a?b?") << "malformed UTF-8";
}

TEST(Clipboard, CarriesEightBitText)
{
    QtClipboard clipboard;
    const std::string bytes = AllBytes().substr(1); // plain text ends at a NUL
    ASSERT_TRUE(clipboard.SetText(bytes));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), ToUnicode(bytes));
    EXPECT_EQ(clipboard.GetText(), bytes);

    QGuiApplication::clipboard()->setText(QStringLiteral("before\u0000after \u0416"));
    EXPECT_EQ(clipboard.GetText(), "before");
    QGuiApplication::clipboard()->setText(QStringLiteral("\u0416 \u00E9"));
    EXPECT_EQ(clipboard.GetText(), "? \xE9");

    QGuiApplication::clipboard()->clear();
    EXPECT_EQ(clipboard.GetText(), std::string()) << "no text reads as empty";
}

TEST(FileDialogs, FilterListBecomesNameFilters)
{
    EXPECT_EQ(ToNameFilters("Text files (*.txt)|*.txt|All files (*.*)|*.*"),
              QStringList({"Text files (*.txt)", "All files (*)"}));
    EXPECT_EQ(ToNameFilters("Pictures|*.png;*.jpg|Odd (old)|*.k"), QStringList({"Pictures (*.png *.jpg)", "Odd (*.k)"}));
    EXPECT_EQ(ToNameFilters(""), QStringList());
    EXPECT_EQ(ToNameFilters("Keys|*.key|dangling"), QStringList({"Keys (*.key)"}));
}

TEST(FileDialogs, OpenDialogTakesItsOptionsAndChangesTheCurrentDirectory)
{
    TempDir dir;
    const std::string folder = std::filesystem::canonical(dir.path()).string();
    std::filesystem::create_directory(folder + "/keys");
    WriteBytes(folder + "/keys/my.key", "0114");
    const QString oldCurrent = QDir::currentPath();

    FileDialogOptions options;
    options.title = "Choose key file";
    options.filter = "Key files (*.key)|*.key|All files (*.*)|*.*";
    options.filterIndex = 2;
    options.defaultExt = "key";
    options.initialDir = QString::fromStdString(folder + "/keys");
    options.fileMustExist = true;

    QString seenTitle, seenFilter, seenSuffix, seenDir;
    bool seenExisting = false;
    WhenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        seenTitle = dialog->windowTitle();
        seenFilter = dialog->selectedNameFilter();
        seenSuffix = dialog->defaultSuffix();
        seenDir = dialog->directory().absolutePath();
        seenExisting = dialog->fileMode() == QFileDialog::ExistingFile;
        dialog->selectFile(QString::fromStdString(folder + "/keys/my.key"));
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog's own accept checks the name
    });
    QtFileDialogs dialogs;
    const auto chosen = dialogs.GetOpenFileName(nullptr, options);

    EXPECT_EQ(seenTitle, "Choose key file");
    EXPECT_EQ(seenFilter, "All files (*)");
    EXPECT_EQ(seenSuffix, "key");
    EXPECT_EQ(seenDir, QString::fromStdString(folder + "/keys"));
    EXPECT_TRUE(seenExisting);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, QString::fromStdString(folder + "/keys/my.key"));
    EXPECT_EQ(QDir::currentPath(), QString::fromStdString(folder + "/keys"));

    // Cancelled: nothing, and the current directory stays.
    WhenModalOpens([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    FileDialogOptions save;
    save.title = "Save code";
    save.overwritePrompt = true;
    EXPECT_FALSE(dialogs.GetSaveFileName(nullptr, save));
    EXPECT_EQ(QDir::currentPath(), QString::fromStdString(folder + "/keys"));
    QDir::setCurrent(oldCurrent);
}

TEST(FailureBox, ShowsACriticalBoxWithOk)
{
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    WhenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        box->button(QMessageBox::Ok)->click();
    });
    QtFailureBox failureBox;
    failureBox.Show(nullptr, "Morvane  |  Encoder", "Failed to set data for 'LastLeftPos'.");
    EXPECT_EQ(title, "Morvane  |  Encoder");
    EXPECT_EQ(text, "Failed to set data for 'LastLeftPos'.");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

TEST(SystemPlatform, BundlesEveryPart)
{
    SystemPlatform system;
    Platform& platform = system.get();
    EXPECT_NE(platform.dialogs, nullptr);
    EXPECT_NE(platform.clipboard, nullptr);
    EXPECT_NE(platform.shell, nullptr);
    EXPECT_NE(platform.clock, nullptr);
    EXPECT_NE(platform.failureBox, nullptr);
    ASSERT_TRUE(platform.createSettings);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
