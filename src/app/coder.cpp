#include "coder.h"
#include "ui_coder.h"

#include "copyright.h"
#include "error.h"
#include "newkey.h"
#include "program.h"
#include "platform/window_font.h"
#include "platform/window_place.h"

#include "core/encoder.h"
#include "core/failure.h"
#include "core/key_table.h"
#include "core/random.h"
#include "io/key_file.h"
#include "io/text_file.h"
#include "platform/clipboard.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/memory.h"
#include "platform/shell.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QIcon>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QProgressBar>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <new>

namespace morvane::app {

namespace {

// The window caption, stored scrambled: character i is stored as (c + i) mod 256.
constexpr std::string_view kStoredCaption{
    "\x4e\x71\x75\x7a\x66\x74\x6c\x28\x4e\x78\x6e\x7b\x71\x73\x81\x30"
    "\x31\x8e\x33\x34\x6b\x7b\x89\x46\x39\x4b\x49\x4d",
    28};

using platform::FromNativeName;
using platform::NativeName;

QString CurrentDirectoryName()
{
    return FromNativeName(platform::CurrentDirectory());
}

} // namespace

// Hands control to the window system during a run: at the run's 50th
// character, then whenever about 10 ms have passed (checked at multiples of
// 50 characters), so that a person sees STOP and the progress bar answer as
// promptly as at every 50th character, while a fast run is not held up by
// hundreds of thousands of empty passes through the event loop. At a yield
// the progress bar gets the run's position, pending input runs (STOP among
// it), and the run goes on while Encoding is set.
class TfrmCoder::RunHook : public EncodeHook {
public:
    RunHook(TfrmCoder& window, std::size_t length) : window_(window)
    {
        while (length / divisor_ > static_cast<std::size_t>(INT_MAX))
            divisor_ *= 2;
        // A range of 0 would show the busy indicator: an empty run keeps 1.
        window_.ui->prbCoding->setMaximum(std::max(1, static_cast<int>(length / divisor_)));
    }

    bool YieldDue(std::size_t) override { return !sinceYield_.isValid() || sinceYield_.hasExpired(kYieldMs); }

    void CodeReserved(std::string& code) override { platform::AdviseHugePages(code.data(), code.capacity()); }

    bool Yield(std::size_t walked) override
    {
        sinceYield_.start();
        ShowProgress(walked);
        QCoreApplication::processEvents();
        return window_.program.state.Encoding;
    }

    // The bar gets the run's position when that moves its fill by a pixel,
    // at most once per screen refresh: the user sees the same, and a long run
    // repaints the bar a few dozen times instead of once per yield.
    void ShowProgress(std::size_t walked)
    {
        QProgressBar* bar = window_.ui->prbCoding;
        const int value = static_cast<int>(walked / divisor_);
        const long long pixel = static_cast<long long>(value) * bar->width() / std::max(1, bar->maximum());
        if (pixel == shownPixel_ || (sinceShown_.isValid() && sinceShown_.elapsed() < kRefreshMs))
            return;
        shownPixel_ = pixel;
        sinceShown_.start();
        bar->setValue(value);
    }

private:
    static constexpr qint64 kRefreshMs = 16;
    static constexpr qint64 kYieldMs = 10;

    TfrmCoder& window_;
    std::size_t divisor_ = 1;
    long long shownPixel_ = 0;
    QElapsedTimer sinceShown_;
    QElapsedTimer sinceYield_;
};

TfrmCoder::TfrmCoder(Program& program, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      program(program), ui(std::make_unique<Ui::TfrmCoder>())
{
    ui->setupUi(this);
    setFixedSize(465, 419);
    setWindowIcon(QIcon(QStringLiteral(":/icons/morvane-32.png")));
    ui->imgLogo->setPixmap(QPixmap(QStringLiteral(":/icons/morvane-32.png")));
    ui->mmoInitial->setMaxLength(kFieldLimit);
    ui->mmoCode->setMaxLength(kFieldLimit + 1);
    ui->prbCoding->setMinimum(0);

    QFont link = ui->lblHyperLink->font();
    link.setUnderline(true);
    ui->lblHyperLink->setFont(link);
    // Blue while it can be clicked; grey, like every locked control, while not.
    QPalette linkColours = ui->lblHyperLink->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive})
        linkColours.setColor(group, QPalette::WindowText, QColor(0, 0, 255));
    ui->lblHyperLink->setPalette(linkColours);
    ui->lblHyperLink->installEventFilter(this);
    ui->lblHyperLink->setContextMenuPolicy(Qt::CustomContextMenu);
    ppmHyperlink = new QMenu(this);
    ppmHyperlink->setObjectName(QStringLiteral("ppmHyperlink"));
    copy1 = ppmHyperlink->addAction(QStringLiteral("copy"));
    copy1->setObjectName(QStringLiteral("copy1"));
    platform::ApplyWindowFont(this);

    connect(ui->mmoInitial, &MemoField::changed, this, &TfrmCoder::mmoInitialChange);
    connect(ui->edtKeyFile, &QLineEdit::textChanged, this, &TfrmCoder::edtKeyFileChange);
    connect(ui->bbnEncode, &QPushButton::clicked, this, &TfrmCoder::bbnEncodeClick);
    connect(ui->bbnLoad, &QPushButton::clicked, this, &TfrmCoder::bbnLoadClick);
    connect(ui->bbnPaste, &QPushButton::clicked, this, &TfrmCoder::bbnPasteClick);
    connect(ui->bbnClear, &QPushButton::clicked, this, &TfrmCoder::bbnClearClick);
    connect(ui->bbnCopy, &QPushButton::clicked, this, &TfrmCoder::bbnCopyClick);
    connect(ui->bbnSaveCode, &QPushButton::clicked, this, &TfrmCoder::bbnSaveCodeClick);
    connect(ui->bbnBrowseKeyFile, &QPushButton::clicked, this, &TfrmCoder::bbnBrowseKeyFileClick);
    connect(ui->bbnNewKey, &QPushButton::clicked, this, &TfrmCoder::bbnNewKeyClick);
    connect(ui->bbnCancelQuickEncoding, &QPushButton::clicked, this, &TfrmCoder::bbnCancelQuickEncodingClick);
    connect(ui->spbC, &QPushButton::clicked, this, &TfrmCoder::spbCClick);
    connect(ui->spbDecoder, &QPushButton::clicked, this, &TfrmCoder::spbDecoderClick);
    connect(ui->spbExit, &QPushButton::clicked, this, &TfrmCoder::spbExitClick);
    connect(copy1, &QAction::triggered, this, &TfrmCoder::copy1Click);
    connect(ui->lblHyperLink, &QLabel::customContextMenuRequested, this, [this](const QPoint& at) {
        ppmHyperlink->exec(ui->lblHyperLink->mapToGlobal(at));
        lblHyperLinkMouseUp(); // the release went to the menu
    });

    dlgLoadInitial.title = QStringLiteral("Load initial text");
    dlgLoadInitial.filter = QStringLiteral("Text files (*.txt)|*.txt|All files (*.*)|*.*");
    dlgLoadInitial.defaultExt = QStringLiteral("txt");
    dlgLoadInitial.fileMustExist = true;
    dlgOpenKey.title = QStringLiteral("Choose key file");
    dlgOpenKey.filter = QStringLiteral("Key files (*.key)|*.key|All files (*.*)|*.*");
    dlgOpenKey.defaultExt = QStringLiteral("key");
    dlgOpenKey.fileMustExist = true;
    dlgSaveCode.title = QStringLiteral("Save code");
    dlgSaveCode.filter = QStringLiteral("Encoded text files (*.etx)|*.etx|All files (*.*)|*.*");
    dlgSaveCode.defaultExt = QStringLiteral("etx");
    dlgSaveCode.overwritePrompt = true;

    try {
        FormCreate();
    } catch (const std::exception& failure) {
        program.ShowFailure(failure);
    }
}

TfrmCoder::~TfrmCoder() = default;

void TfrmCoder::FormCreate()
{
    ProgramState& s = program.state;
    s.EncodingCancelled = false;
    s.FormsCreated = 0;
    s.SourceTooLong = false;
    s.CloseOnErrorDismiss = false;
    s.OpenFileMode = false;
    s.QuickMode = false;
    s.Encoding = false;

    ui->lblHyperLink->setCursor(Qt::PointingHandCursor);
    if (!s.Settings && program.platform.createSettings)
        s.Settings = program.platform.createSettings();
    SeedRandom(s.Random, program.platform.clock->Now());
    AnalyseCommandLine();

    s.StartDir = CurrentDirectoryName();
    dlgLoadInitial.initialDir = s.StartDir;
    dlgOpenKey.initialDir = s.StartDir;
    dlgSaveCode.initialDir = s.StartDir;

    // Centred on the screen, unless the start-up restores a saved position.
    platform::CentreOnScreen(*this);
    program.FormReady();
    setWindowTitle(Program::DescrambleText(kStoredCaption));
}

void TfrmCoder::AnalyseCommandLine()
{
    ProgramState& s = program.state;
    const QString p1 = program.arguments.value(1);
    if (p1.toUpper() == QLatin1String("ENCODE")) {
        const QString p2 = program.arguments.value(2);
        if (!p2.isEmpty()) {
            const std::string full = platform::FullPath(NativeName(p2));
            if (const std::optional<std::string> entry = platform::FindEntryName(full)) {
                // The entry is placed in the folder that parameter 2 names.
                const std::filesystem::path folder = std::filesystem::path(full).parent_path();
                s.SourceFileName = FromNativeName((folder / *entry).string());
            }
        }
        if (!s.SourceFileName.isEmpty() && platform::FileExists(NativeName(s.SourceFileName))) {
            s.QuickMode = true;
            ArrangeQuickLayout();
        }
    } else if (!p1.isEmpty()) {
        s.SourceFileName = p1;
        if (platform::FileExists(NativeName(p1)))
            s.OpenFileMode = true;
    }
}

void TfrmCoder::ShowMainWindow()
{
    show();
}

void TfrmCoder::ForceClose()
{
    closing = Closing::Forced;
    close();
    if (closing == Closing::Forced)
        closing = Closing::Open;
}

void TfrmCoder::SetKeyFileName(const QString& name)
{
    ui->edtKeyFile->setText(name);
}

// The source field's change rule.
void TfrmCoder::mmoInitialChange()
{
    ProgramState& s = program.state;
    ui->bbnEncode->setEnabled(true);
    ui->prbInitialCapacity->setValue(std::max(0, kFieldLimit - ui->mmoInitial->Length()));
    if (!s.SourceTooLong)
        s.SourceText = ui->mmoInitial->Text();
    ui->bbnClear->setEnabled(!s.SourceText.empty());
}

void TfrmCoder::edtKeyFileChange()
{
    ui->bbnEncode->setEnabled(true);
}

void TfrmCoder::ShowSource()
{
    ProgramState& s = program.state;
    if (s.SourceText.size() > static_cast<std::size_t>(kFieldLimit)) {
        s.SourceTooLong = true;
        ui->mmoInitial->setReadOnly(true);
        ui->mmoInitial->SetCentred(true);
        ui->mmoInitial->SetText(kSourceTooLongNotice);
    } else {
        s.SourceTooLong = false;
        ui->mmoInitial->setReadOnly(false);
        ui->mmoInitial->SetCentred(false);
        // The field's change rule may replace SourceText: put in a copy.
        const std::string text = s.SourceText;
        ui->mmoInitial->SetText(text);
    }
}

bool TfrmCoder::LoadSourceFile(const QString& name)
{
    ProgramState& s = program.state;
    s.SourceText.clear();
    const io::ReadStatus status = program.platform.readTextFile(NativeName(name), s.SourceText);
    if (status != io::ReadStatus::Ok) {
        s.SourceText = std::string();
        program.ShowError(QString::fromLatin1(status == io::ReadStatus::OutOfMemory ? kOutOfMemory : io::kOpenFailed));
    }
    return status == io::ReadStatus::Ok;
}

void TfrmCoder::ResetDialog(platform::FileDialogOptions& dialog)
{
    dialog.initialDir = CurrentDirectoryName();
    dialog.fileName.clear();
    dialog.filterIndex = 1;
}

QString TfrmCoder::ChooseKeyFile(const QString& defaultName)
{
    const std::optional<QString> chosen = program.platform.dialogs->GetOpenFileName(this, dlgOpenKey);
    ResetDialog(dlgOpenKey);
    if (!chosen || chosen->isEmpty())
        return defaultName;
    return *chosen;
}

void TfrmCoder::bbnLoadClick()
{
    ProgramState& s = program.state;
    const std::optional<QString> chosen = program.platform.dialogs->GetOpenFileName(this, dlgLoadInitial);
    if (chosen) {
        ui->bbnLoad->setEnabled(false);
        LoadSourceFile(*chosen);
        ShowSource();
        s.CodeText.clear();
        ui->mmoCode->SetCentred(false);
        ui->mmoCode->SetText("");
        ui->bbnCopy->setEnabled(false);
        ui->bbnSaveCode->setEnabled(false);
        ui->bbnLoad->setEnabled(true);
        ui->bbnEncode->setEnabled(true);
    }
    ResetDialog(dlgLoadInitial);
}

void TfrmCoder::bbnPasteClick()
{
    ProgramState& s = program.state;
    ui->bbnPaste->setEnabled(false);
    std::optional<std::string> text;
    const char* failure = kPasteFailed;
    try {
        text = program.platform.clipboard->GetText();
    } catch (const std::bad_alloc&) {
        failure = kOutOfMemory;
    }
    if (!text) {
        program.ShowError(QString::fromLatin1(failure));
        ui->bbnPaste->setEnabled(true);
        return;
    }
    s.SourceText = std::move(*text);
    ShowSource();
    ui->bbnPaste->setEnabled(true);
    ui->bbnEncode->setEnabled(true);
}

void TfrmCoder::bbnClearClick()
{
    program.state.SourceTooLong = false;
    ui->mmoInitial->SetText("");
    ui->mmoInitial->SetCentred(false);
    ui->mmoInitial->setReadOnly(false);
    ui->mmoInitial->setFocus();
}

void TfrmCoder::bbnEncodeClick()
{
    ProgramState& s = program.state;
    if (s.Encoding) {
        s.Encoding = false; // STOP: the run ends at its next yield
        return;
    }
    // A width character that is no digit throws: the top-level handler shows it.
    const KeyLoadResult loaded = io::LoadKeyFile(NativeName(ui->edtKeyFile->text()), s.KeyTable, s.CodeWidth);
    if (!loaded.ok) {
        if (!loaded.message.empty())
            program.ShowError(QString::fromStdString(loaded.message));
        return;
    }
    ui->bbnEncode->setText(QStringLiteral("STOP"));
    EncodeSource();
}

bool TfrmCoder::EncodeSource()
{
    ProgramState& s = program.state;
    s.Encoding = true;
    CopyWasEnabled = false;
    SaveWasEnabled = false;
    if (!s.QuickMode)
        LockControls();
    // The window shows the run (STOP, its controls locked) before the run's
    // first heavy step, the copy of a text that may be large.
    repaint();

    // The run walks the text as it stood at its start; the code is built
    // apart and replaces CodeText only when the whole text was walked.
    bool complete = false;
    std::string code;
    try {
        const std::string text = s.SourceText;
        RunHook hook(*this, text.size());
        complete = morvane::EncodeText(text, s.KeyTable, s.CodeWidth, s.Random, hook, code);
        if (complete)
            ui->prbCoding->setValue(ui->prbCoding->maximum());
    } catch (const std::bad_alloc&) {
        // Out of memory for the code: the run ends as a stopped one would, and says so.
        code = std::string();
        EndRun(false, code);
        program.ShowError(QString::fromLatin1(kOutOfMemory));
        return false;
    } catch (...) {
        EndRun(false, code);
        throw;
    }
    return EndRun(complete, code);
}

bool TfrmCoder::EndRun(bool complete, std::string& code)
{
    ProgramState& s = program.state;
    if (complete) {
        s.CodeText = std::move(code);
        ShowCode();
        const bool haveCode = !s.CodeText.empty();
        ui->bbnCopy->setEnabled(haveCode);
        ui->bbnSaveCode->setEnabled(haveCode);
        CopyWasEnabled = haveCode;
        SaveWasEnabled = haveCode;
    } else {
        s.EncodingCancelled = true;
    }
    if (!s.QuickMode)
        UnlockControls();
    ui->bbnEncode->setText(QStringLiteral("Encode"));
    ui->prbCoding->setValue(0);
    s.Encoding = false;

    if (closing == Closing::AfterRun) {
        closing = Closing::Open;
        close();
    }
    return complete;
}

void TfrmCoder::ShowCode()
{
    const std::string& code = program.state.CodeText;
    if (code.size() <= static_cast<std::size_t>(kFieldLimit)) {
        ui->mmoCode->SetCentred(false);
        ui->mmoCode->SetText(code);
    } else {
        ui->mmoCode->SetCentred(true);
        ui->mmoCode->SetText(kCodeTooLongNotice);
    }
}

// The controls a run locks: the same table locks and unlocks them.
std::array<QWidget*, 11> TfrmCoder::RunLockedControls() const
{
    return {ui->bbnBrowseKeyFile, ui->bbnClear, ui->bbnCopy,   ui->bbnLoad,    ui->bbnNewKey,    ui->bbnPaste,
            ui->bbnSaveCode,      ui->spbC,     ui->spbDecoder, ui->spbExit, ui->lblHyperLink};
}

void TfrmCoder::LockControls()
{
    CopyWasEnabled = ui->bbnCopy->isEnabled();
    SaveWasEnabled = ui->bbnSaveCode->isEnabled();
    for (QWidget* control : RunLockedControls())
        control->setEnabled(false);
}

// Copy and Save come back only when they were enabled before the run, or
// the run has made a code.
void TfrmCoder::UnlockControls()
{
    for (QWidget* control : RunLockedControls())
        control->setEnabled((control != ui->bbnCopy || CopyWasEnabled) &&
                            (control != ui->bbnSaveCode || SaveWasEnabled));
}

void TfrmCoder::bbnCopyClick()
{
    try {
        if (!program.platform.clipboard->SetText(program.state.CodeText))
            program.ShowError(QString::fromLatin1(kCopyFailed));
    } catch (const std::bad_alloc&) {
        program.ShowError(QString::fromLatin1(kOutOfMemory));
    }
}

void TfrmCoder::bbnSaveCodeClick()
{
    const std::optional<QString> chosen = program.platform.dialogs->GetSaveFileName(this, dlgSaveCode);
    if (chosen) {
        std::string message;
        if (!io::SaveCode(NativeName(*chosen), program.state.CodeText, message))
            program.ShowError(QString::fromStdString(message));
    }
    ResetDialog(dlgSaveCode);
}

void TfrmCoder::bbnBrowseKeyFileClick()
{
    ui->edtKeyFile->setText(ChooseKeyFile(ui->edtKeyFile->text()));
}

void TfrmCoder::bbnNewKeyClick()
{
    if (program.frmNewKey)
        program.frmNewKey->ShowOrRaise();
}

void TfrmCoder::spbCClick()
{
    if (program.frmC)
        program.frmC->ShowOrRaise();
}

void TfrmCoder::spbDecoderClick()
{
    QString folder = program.state.InstallDir;
    if (folder.isEmpty())
        folder = FromNativeName(platform::ProgramDirectory());
    QString path = folder;
    const bool endsInSeparator = path.endsWith(QLatin1Char('/'))
#ifdef _WIN32
                                 || path.endsWith(QLatin1Char('\\'))
#endif
        ;
    if (!endsInSeparator)
#ifdef _WIN32
        path += QLatin1Char('\\');
#else
        path += QLatin1Char('/');
#endif
    path += QLatin1String(kDecoderFileName);
    program.ShellOpen(path, QString(), QString(), platform::kSwHide);
    close();
}

void TfrmCoder::spbExitClick()
{
    close();
}

void TfrmCoder::lblHyperLinkClick()
{
    program.ShellOpen(QString::fromLatin1(kHomePage), QString(), QString(), platform::kSwHide);
}

void TfrmCoder::lblHyperLinkMouseDown()
{
    QFont font = ui->lblHyperLink->font();
    font.setUnderline(false);
    ui->lblHyperLink->setFont(font);
}

void TfrmCoder::lblHyperLinkMouseUp()
{
    QFont font = ui->lblHyperLink->font();
    font.setUnderline(true);
    ui->lblHyperLink->setFont(font);
}

void TfrmCoder::copy1Click()
{
    program.platform.clipboard->SetText(kHomePageCopied);
}

bool TfrmCoder::eventFilter(QObject* watched, QEvent* event)
{
    // The underline goes with the blue: only a label that can be clicked has it.
    if (watched == ui->lblHyperLink && event->type() == QEvent::EnabledChange) {
        QFont font = ui->lblHyperLink->font();
        font.setUnderline(ui->lblHyperLink->isEnabled());
        ui->lblHyperLink->setFont(font);
    }
    // A disabled label takes no mouse input (the filter would see it all the same).
    if (watched == ui->lblHyperLink && ui->lblHyperLink->isEnabled()) {
        // The second press of a double click is a press too.
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
            lblHyperLinkMouseDown();
        } else if (event->type() == QEvent::MouseButtonRelease) {
            lblHyperLinkMouseUp();
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && ui->lblHyperLink->rect().contains(mouse->position().toPoint()))
                lblHyperLinkClick();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmCoder::closeEvent(QCloseEvent* event)
{
    if (closing == Closing::Done) {
        event->accept();
        return;
    }
    // A disabled window takes no input, its close control included; only
    // the error window can still close it.
    if (!isEnabled() && closing != Closing::Forced) {
        event->ignore();
        return;
    }
    if (program.state.Encoding) {
        // The run ends first; the window closes when it has.
        closing = Closing::AfterRun;
        program.state.Encoding = false;
        event->ignore();
        return;
    }
    try {
        FormClose();
    } catch (const std::exception& failure) {
        // A refused write is shown, and the window closes all the same.
        program.ShowFailure(failure);
    }
    closing = Closing::Done;
    event->accept();
    // The message loop ends (or, before it has started, does not start).
    QCoreApplication::exit(0);
}

} // namespace morvane::app
