// The Qt part of the platform layer, run headless (offscreen).
#include "platform/codepage.h"
#include "platform/cp1252.h"
#include "platform/platform.h"
#include "platform/qt_clipboard.h"
#include "platform/qt_failure_box.h"
#include "platform/qt_file_dialogs.h"

#include "support/all.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QtWidgets>

using namespace morvane::platform;
using namespace morvane::testing;

// Failed checks show texts as texts.
void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

// Runs check on the modal window that the next call opens, once it is up.
static void WhenModalOpens(std::function<void(QWidget*)> check)
{
    QTimer::singleShot(0, [check] {
        QWidget* modal = QApplication::activeModalWidget();
        modal ? check(modal) : WhenModalOpens(check);
    });
}

TEST(CodePage, AllBytesSurviveARoundTripAndOtherCharactersBecomeQuestionMarks)
{
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes += static_cast<char>(b);
    const QString text = ToUnicode(bytes);
    ASSERT_EQ((All{text.size(), FromUnicode(text)}), (All{256, bytes}));
    // The plain C++ conversions of the settings file agree with these.
    EXPECT_EQ((All{QString::fromStdString(Cp1252ToUtf8(bytes)), Utf8ToCp1252(text.toStdString())}), (All{text, bytes}));
    // The assigned bytes agree with Qt's own Windows-1252 decoder where it has one; the others are C1 controls.
    QStringDecoder system("windows-1252");
    const QString decoded = system.isValid() ? system.decode(QByteArray::fromStdString(bytes)) : text;
    for (int b = 0x80; b < 0xA0; ++b)
        EXPECT_EQ(text[b], b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D ? QChar(b) : decoded[b]) << b;
    EXPECT_EQ((All{text[0x80], text[0x9F], text[0xE9]}), (All{QChar(u'\u20AC'), QChar(u'\u0178'), QChar(u'\u00E9')}));
    // One mark for a character outside the plane, and for an unpaired surrogate.
    EXPECT_EQ((All{FromUnicode(QStringLiteral("a\u0100b\u0416c")), FromUnicode(QString::fromUtf8("\xF0\x9F\x98\x80")),
                   FromUnicode(QString(QChar(0xD800)))}), (All{"a?b?c", "?", "?"}));
    EXPECT_EQ(Utf8ToCp1252("a\xFF" "b\xC3" "\xC1\x81"), "a?b???") << "malformed and overlong UTF-8";

    // The clipboard carries the same 8-bit text; plain text ends at a NUL.
    QtClipboard clipboard;
    ASSERT_TRUE(clipboard.SetText(bytes.substr(1)));
    EXPECT_EQ((All{QGuiApplication::clipboard()->text(), clipboard.GetText()}), (All{text.mid(1), bytes.substr(1)}));
    ASSERT_TRUE(clipboard.SetText("0114123")); // a code: ASCII digits
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "0114123");
    QGuiApplication::clipboard()->setText(QStringLiteral("before\u0000after \u0416"));
    const std::optional<std::string> beforeNul = clipboard.GetText();
    QGuiApplication::clipboard()->clear(); // no text reads as empty
    EXPECT_EQ((All{beforeNul, clipboard.GetText()}), (All{"before", ""}));
}

TEST(Dialogs, FileDialogOptionsFiltersCurrentDirectoryAndTheFailureBox)
{
    EXPECT_EQ(ToNameFilters("Text files (*.txt)|*.txt|All files (*.*)|*.*"),
              QStringList({"Text files (*.txt)", "All files (*)"}));
    EXPECT_EQ(ToNameFilters("Pictures|*.png;*.jpg|Odd (old)|*.k|dangling"),
              QStringList({"Pictures (*.png *.jpg)", "Odd (*.k)"}));
    TempDir dir;
    // Names as the dialogs give them: with the system's own folder separators.
    QDir().mkpath(QString::fromStdString(dir / "keys"));
    const QString keys = QDir::toNativeSeparators(QFileInfo(QString::fromStdString(dir / "keys")).canonicalFilePath());
    const QString key = keys + QDir::separator() + "my.key";
    WriteBytes(key.toStdString(), "0114");
    const QString oldCurrent = QDir::currentPath();

    const FileDialogOptions options{.title = "Choose key file", .filter = "Key files (*.key)|*.key|All files (*.*)|*.*",
                                    .filterIndex = 2, .defaultExt = "key", .initialDir = keys, .fileName = {},
                                    .fileMustExist = true, .overwritePrompt = false};
    QStringList seen;
    WhenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        seen = {dialog->windowTitle(), dialog->selectedNameFilter(), dialog->defaultSuffix(),
                QDir::toNativeSeparators(dialog->directory().absolutePath()),
                dialog->fileMode() == QFileDialog::ExistingFile ? "existing" : ""};
        dialog->selectFile(key);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog's own accept checks the name
    });
    QtFileDialogs dialogs;
    EXPECT_EQ(dialogs.GetOpenFileName(nullptr, options), key);
    EXPECT_EQ(seen, QStringList({"Choose key file", "All files (*)", "key", keys, "existing"}));
    EXPECT_EQ(QDir::toNativeSeparators(QDir::currentPath()), keys) << "the chosen file's folder becomes current";

    // Cancelled: nothing, and the current directory stays.
    QDir::setCurrent(oldCurrent);
    WhenModalOpens([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ((All{dialogs.GetSaveFileName(nullptr, options).has_value(), QDir::currentPath()}),
              (All{false, oldCurrent}));

    // The system platform's failure box: critical, with OK alone.
    WhenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        const bool okOnly = box->standardButtons() == QMessageBox::StandardButtons(QMessageBox::Ok);
        seen = {box->windowTitle(), box->text(), box->icon() == QMessageBox::Critical && okOnly ? "critical, Ok" : ""};
        box->button(QMessageBox::Ok)->click();
    });
    SystemPlatform system;
    const Platform& p = system.get();
    ASSERT_TRUE(p.dialogs && p.clipboard && p.shell && p.clock && p.failureBox && p.createSettings);
    p.failureBox->Show(nullptr, "Morvane  |  Encoder", "Failed to set data for 'LastLeftPos'.");
    EXPECT_EQ(seen, QStringList({"Morvane  |  Encoder", "Failed to set data for 'LastLeftPos'.", "critical, Ok"}));
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
