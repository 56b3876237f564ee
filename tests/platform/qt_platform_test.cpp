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

bool Unassigned(int byte) { return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D; }

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

TEST(CodePage, AllBytesSurviveARoundTripAndOtherCharactersBecomeQuestionMarks)
{
    const std::string bytes = AllBytes();
    const QString text = ToUnicode(bytes);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(FromUnicode(text), bytes);
    EXPECT_EQ(text[0x80], QChar(u'\u20AC'));
    EXPECT_EQ(text[0x9F], QChar(u'\u0178'));
    EXPECT_EQ(text[0xE9], QChar(u'\u00E9'));
    // The plain C++ conversions of the settings file agree with these.
    EXPECT_EQ(QString::fromStdString(Cp1252ToUtf8(bytes)), text);
    EXPECT_EQ(Utf8ToCp1252(text.toStdString()), bytes);

    // Where Qt has its own Windows-1252 decoder, the assigned bytes agree with
    // it; the unassigned ones stand for the C1 controls of their value.
    QStringDecoder system("windows-1252");
    const QString decoded = system.isValid() ? system.decode(QByteArray::fromStdString(bytes)) : QString();
    for (int b = 0; b < 256; ++b) {
        if (Unassigned(b)) {
            EXPECT_EQ(text[b].unicode(), b);
        } else if (decoded.size() == 256) {
            EXPECT_EQ(decoded[b], text[b]) << "byte " << b;
        }
    }

    EXPECT_EQ(FromUnicode(QStringLiteral("a\u0100b\u0416c")), "a?b?c");
    EXPECT_EQ(FromUnicode(QString::fromUtf8("\xF0\x9F\x98\x80")), "?") << "one mark for a character outside the plane";
    EXPECT_EQ(FromUnicode(QString(QChar(0xD800))), "?") << "an unpaired surrogate";
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

TEST(FileDialogs, OptionsFiltersAndTheCurrentDirectory)
{
    EXPECT_EQ(ToNameFilters("Text files (*.txt)|*.txt|All files (*.*)|*.*"),
              QStringList({"Text files (*.txt)", "All files (*)"}));
    EXPECT_EQ(ToNameFilters("Pictures|*.png;*.jpg|Odd (old)|*.k"), QStringList({"Pictures (*.png *.jpg)", "Odd (*.k)"}));
    EXPECT_EQ(ToNameFilters(""), QStringList());
    EXPECT_EQ(ToNameFilters("Keys|*.key|dangling"), QStringList({"Keys (*.key)"}));

    TempDir dir;
    const QString keys = QString::fromStdString(std::filesystem::canonical(dir.path()).string() + "/keys");
    std::filesystem::create_directory(keys.toStdString());
    WriteBytes((keys + "/my.key").toStdString(), "0114");
    const QString oldCurrent = QDir::currentPath();

    FileDialogOptions options;
    options.title = "Choose key file";
    options.filter = "Key files (*.key)|*.key|All files (*.*)|*.*";
    options.filterIndex = 2;
    options.defaultExt = "key";
    options.initialDir = keys;
    options.fileMustExist = true;
    QStringList seen;
    WhenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        seen = {dialog->windowTitle(), dialog->selectedNameFilter(), dialog->defaultSuffix(),
                dialog->directory().absolutePath(), dialog->fileMode() == QFileDialog::ExistingFile ? "existing" : ""};
        dialog->selectFile(keys + "/my.key");
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog's own accept checks the name
    });
    QtFileDialogs dialogs;
    EXPECT_EQ(dialogs.GetOpenFileName(nullptr, options), keys + "/my.key");
    EXPECT_EQ(seen, QStringList({"Choose key file", "All files (*)", "key", keys, "existing"}));
    EXPECT_EQ(QDir::currentPath(), keys);

    // Cancelled: nothing, and the current directory stays.
    QDir::setCurrent(oldCurrent);
    WhenModalOpens([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    EXPECT_FALSE(dialogs.GetSaveFileName(nullptr, options));
    EXPECT_EQ(QDir::currentPath(), oldCurrent);
}

TEST(FailureBox, ShowsACriticalBoxWithOk)
{
    QStringList seen;
    WhenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        const bool critical = box->icon() == QMessageBox::Critical;
        const bool okOnly = box->standardButtons() == QMessageBox::StandardButtons(QMessageBox::Ok);
        seen = {box->windowTitle(), box->text(), critical && okOnly ? "critical, Ok" : ""};
        box->button(QMessageBox::Ok)->click();
    });
    QtFailureBox().Show(nullptr, "Morvane  |  Encoder", "Failed to set data for 'LastLeftPos'.");
    EXPECT_EQ(seen, QStringList({"Morvane  |  Encoder", "Failed to set data for 'LastLeftPos'.", "critical, Ok"}));
}

TEST(SystemPlatform, BundlesEveryPart)
{
    SystemPlatform system;
    const Platform& p = system.get();
    EXPECT_TRUE(p.dialogs && p.clipboard && p.shell && p.clock && p.failureBox && p.createSettings);
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
