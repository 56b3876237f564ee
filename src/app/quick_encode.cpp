// Quick encoding: started as "ENCODE file", the window shows its compact
// layout, asks for the key, encodes the file beside it and closes.
#include "quick_encode.h"

#include "coder.h"
#include "ui_coder.h"

#include "error.h"
#include "program.h"

#include "core/encoder.h"
#include "core/failure.h"
#include "core/key_table.h"
#include "io/key_file.h"
#include "io/text_file.h"
#include "platform/codepage.h"
#include "platform/file_system.h"

#include <algorithm>
#include <initializer_list>

namespace morvane::app {

namespace {

// The compact window: client width as in the normal layout, outer height 123.
constexpr int kQuickClientWidth = 465;
constexpr int kQuickOuterHeight = 123;
// The height that a dialog frame adds where the window system has not told
// its own yet (before the window is first on show, or with no frame at all):
// a 19-pixel caption and a 3-pixel border above and below.
constexpr int kTypicalDialogFrame = 25;
// The client area never cuts the Cancel button: its bottom edge (90) and the
// layout's margin of 8 pixels.
constexpr int kQuickMinClientHeight = 98;

constexpr const char* kSourceCaption = "Source file: ";
constexpr const char* kKeyCaption = "Key file: ";
constexpr const char* kFocusRefused = "Cannot focus a disabled or invisible window";

bool IsSeparator(QChar c)
{
#ifdef _WIN32
    return c == QLatin1Char('\\') || c == QLatin1Char('/') || c == QLatin1Char(':');
#else
    return c == QLatin1Char('/');
#endif
}

qsizetype NameStart(const QString& path)
{
    qsizetype i = path.size();
    while (i > 0 && !IsSeparator(path[i - 1]))
        --i;
    return i;
}

// The outer height of 123 pixels: the client area is what remains of it
// inside the frame, with the frame the window system reports once the
// window is on show, or a typical dialog frame before.
void FitQuickHeight(QWidget& window)
{
    int frame = window.isVisible() ? window.frameGeometry().height() - window.height() : 0;
    if (frame <= 0)
        frame = kTypicalDialogFrame;
    window.setFixedSize(kQuickClientWidth, std::max(kQuickOuterHeight - frame, kQuickMinClientHeight));
}

} // namespace

QString NamePart(const QString& path)
{
    return path.mid(NameStart(path));
}

QString QuickTargetName(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot >= NameStart(fileName) ? fileName.left(dot) : fileName;
    return stem + QStringLiteral(".etx");
}

void TfrmCoder::ArrangeQuickLayout()
{
    for (QWidget* control : std::initializer_list<QWidget*>{
             ui->mmoInitial, ui->mmoCode, ui->Label3, ui->bbnLoad, ui->bbnPaste, ui->bbnClear, ui->bbnEncode,
             ui->bbnBrowseKeyFile, ui->bbnNewKey, ui->bbnCopy, ui->bbnSaveCode, ui->prbInitialCapacity, ui->spbExit,
             ui->spbC, ui->spbDecoder, ui->Bevel1, ui->edtKeyFile, ui->lblHyperLink})
        control->hide();

    ui->Label1->move(ui->Label1->x(), 8);
    ui->Label1->setText(QLatin1String(kSourceCaption) + NamePart(program.state.SourceFileName));
    ui->Label1->adjustSize();
    ui->Label2->move(ui->Label2->x(), 24);
    ui->Label2->setText(QLatin1String(kKeyCaption));
    ui->Label2->adjustSize();
    ui->prbCoding->move(ui->prbCoding->x(), 50);
    ui->imgLogo->show();
    ui->imgLogo->move(419, 6);

    // A dialog frame: no resizing, and only the close control in the title bar.
    setWindowFlags(windowFlags() & ~Qt::WindowMinimizeButtonHint & ~Qt::WindowMaximizeButtonHint);
    FitQuickHeight(*this);

    ui->bbnCancelQuickEncoding->show();
    ui->bbnCancelQuickEncoding->move(381, 65);
}

void TfrmCoder::QuickEncode(const QString& fileName)
{
    ProgramState& s = program.state;
    const auto errorOnShow = [this] { return program.frmError && program.frmError->isVisible(); };

    // The compact window goes on show, although the message loop has not started.
    ShowMainWindow();
    FitQuickHeight(*this);

    // The key file; a cancelled dialog gives the empty name.
    const QString keyFile = ChooseKeyFile(QString());

    // The source. A file that cannot be read gives no code at all: its
    // message stays on show, and dismissing it ends the program.
    if (!LoadSourceFile(fileName)) {
        s.CloseOnErrorDismiss = true;
        return;
    }

    // The key. No name (the dialog was cancelled) is no failure to report.
    // A width character that is no digit throws: the top-level handler shows it.
    bool keyLoaded = false;
    if (!keyFile.isEmpty()) {
        const KeyLoadResult loaded = io::LoadKeyFile(platform::NativeName(keyFile), s.KeyTable, s.CodeWidth);
        keyLoaded = loaded.ok;
        if (!loaded.ok && !loaded.message.empty())
            program.ShowError(QString::fromStdString(loaded.message));
    }

    // Without a key nothing is written; a message on show is waited for.
    if (!keyLoaded) {
        if (errorOnShow())
            s.CloseOnErrorDismiss = true;
        else
            close();
        return;
    }

    // The focus: refused when the settings check at start disabled the window.
    if (!isEnabled() || !isVisible())
        throw Failure(kFocusRefused);
    activateWindow();
    setFocus();

    // The key's name goes into the window, then the run; Cancel ends the run
    // without anything written.
    ui->Label2->setText(QLatin1String(kKeyCaption) + NamePart(keyFile));
    ui->Label2->adjustSize();

    EncodeSource();
    // A run that ran out of memory: its message stays on show until it is dismissed.
    if (errorOnShow()) {
        s.CloseOnErrorDismiss = true;
        return;
    }
    if (s.EncodingCancelled) {
        close();
        return;
    }

    // The code goes beside the file, unless a file of that name is there
    // already: then the save dialog asks where.
    const QString target = QuickTargetName(fileName);
    bool saved = false;
    const auto save = [&](const QString& name) {
        std::string message;
        saved = io::SaveCode(platform::NativeName(name), s.CodeText, message);
        if (!saved)
            program.ShowError(QString::fromStdString(message));
    };
    if (platform::FileExists(platform::NativeName(target))) {
        const std::optional<QString> chosen = program.platform.dialogs->GetSaveFileName(this, dlgSaveCode);
        ResetDialog(dlgSaveCode);
        if (chosen)
            save(*chosen);
    } else {
        save(target);
    }

    // A failed save keeps its message on show until it is dismissed.
    if (saved || !errorOnShow())
        close();
    else
        s.CloseOnErrorDismiss = true;
}

void TfrmCoder::bbnCancelQuickEncodingClick()
{
    program.state.Encoding = false;
    close();
}

} // namespace morvane::app
