#include "decoder_window.h"

#include "ui_decoder_window.h"

#include "core/decoder.h"
#include "core/encoder.h"
#include "core/failure.h"
#include "core/key_table.h"
#include "io/key_file.h"
#include "io/text_file.h"
#include "platform/codepage.h"
#include "platform/error_window.h"
#include "platform/window_font.h"
#include "platform/window_place.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QIcon>
#include <QTextOption>

#include <new>

namespace morvane::decoder {

namespace {

// The notices that stand in the fields for a code or text too long to show.
const char* const kCodeNotice = "The code is too long for displaying\n(You still can decode it)";
const char* const kTextNotice = "The decoded text is too long for displaying\n(You still can copy or save the text)";

// A text for a multi-line field: every line break (CR LF, CR or LF) one break.
QString FieldText(const std::string& bytes)
{
    QString text = platform::ToUnicode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

void SetAlignment(QPlainTextEdit* field, Qt::Alignment alignment, QTextOption::WrapMode wrap)
{
    QTextOption option = field->document()->defaultTextOption();
    option.setAlignment(alignment);
    option.setWrapMode(wrap);
    field->document()->setDefaultTextOption(option);
}

} // namespace

TfrmDecoder::TfrmDecoder(platform::Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TfrmDecoder>()), platform_(platform), frmError_(std::make_unique<platform::ErrorWindow>())
{
    ui->setupUi(this);
    setFixedSize(size());
    setWindowTitle(QString::fromLatin1(kDecoderTitle));
    setWindowIcon(QIcon(QStringLiteral(":/icons/morvane-32.png")));
    platform::ApplyWindowFont(this);
    SetAlignment(ui->mmoCode, Qt::AlignLeft, QTextOption::WrapAtWordBoundaryOrAnywhere);
    SetAlignment(ui->mmoText, Qt::AlignLeft, QTextOption::WrapAtWordBoundaryOrAnywhere);
    platform::CentreOnScreen(*this);

    connect(ui->bbnLoad, &QPushButton::clicked, this, &TfrmDecoder::bbnLoadClick);
    connect(ui->bbnPaste, &QPushButton::clicked, this, &TfrmDecoder::bbnPasteClick);
    connect(ui->bbnClear, &QPushButton::clicked, this, &TfrmDecoder::bbnClearClick);
    connect(ui->bbnDecode, &QPushButton::clicked, this, &TfrmDecoder::bbnDecodeClick);
    connect(ui->bbnBrowseKeyFile, &QPushButton::clicked, this, &TfrmDecoder::bbnBrowseKeyFileClick);
    connect(ui->bbnCopy, &QPushButton::clicked, this, &TfrmDecoder::bbnCopyClick);
    connect(ui->bbnSaveText, &QPushButton::clicked, this, &TfrmDecoder::bbnSaveTextClick);
    connect(ui->spbExit, &QPushButton::clicked, this, &TfrmDecoder::spbExitClick);
    connect(ui->mmoCode, &QPlainTextEdit::textChanged, this, &TfrmDecoder::mmoCodeChange);
    connect(ui->edtKeyFile, &QLineEdit::textChanged, this, &TfrmDecoder::edtKeyFileChange);
}

TfrmDecoder::~TfrmDecoder() = default;

void TfrmDecoder::ShowError(const QString& message)
{
    frmError_->ShowError(message);
}

platform::FileDialogOptions TfrmDecoder::DialogOptions(const QString& title, const QString& filter,
                                                       const QString& defaultExt) const
{
    // Every dialog opens in the current directory (where the last one chose
    // its file), with the first filter and no preset name.
    platform::FileDialogOptions options;
    options.title = title;
    options.filter = filter;
    options.filterIndex = 1;
    options.defaultExt = defaultExt;
    options.initialDir = QDir::currentPath();
    return options;
}

// The code field shows CodeText, or a notice when it is too long.
void TfrmDecoder::ShowCode()
{
    if (CodeText_.size() > kLongestShown) {
        CodeTooLong_ = true;
        ui->mmoCode->setReadOnly(true);
        SetAlignment(ui->mmoCode, Qt::AlignHCenter, QTextOption::WrapAtWordBoundaryOrAnywhere);
        ui->mmoCode->setPlainText(QString::fromLatin1(kCodeNotice));
    } else {
        CodeTooLong_ = false;
        ui->mmoCode->setReadOnly(false);
        SetAlignment(ui->mmoCode, Qt::AlignLeft, QTextOption::WrapAtWordBoundaryOrAnywhere);
        ui->mmoCode->setPlainText(FieldText(CodeText_));
    }
    UpdateDecodeButton();
}

// The text field shows DecodedText, or a notice when it is too long.
void TfrmDecoder::ShowText()
{
    if (DecodedText_.size() > kLongestShown) {
        SetAlignment(ui->mmoText, Qt::AlignHCenter, QTextOption::WrapAtWordBoundaryOrAnywhere);
        ui->mmoText->setPlainText(QString::fromLatin1(kTextNotice));
    } else {
        SetAlignment(ui->mmoText, Qt::AlignLeft, QTextOption::WrapAtWordBoundaryOrAnywhere);
        ui->mmoText->setPlainText(FieldText(DecodedText_));
    }
    ui->bbnCopy->setEnabled(!DecodedText_.empty());
    ui->bbnSaveText->setEnabled(!DecodedText_.empty());
}

void TfrmDecoder::UpdateDecodeButton()
{
    ui->bbnDecode->setEnabled(Decoding_ || (!CodeText_.empty() && !ui->edtKeyFile->text().isEmpty()));
    ui->bbnClear->setEnabled(!Decoding_ && !CodeText_.empty());
}

void TfrmDecoder::mmoCodeChange()
{
    // While the field shows the notice, CodeText keeps the long code.
    if (!CodeTooLong_)
        CodeText_ = platform::FromUnicode(ui->mmoCode->toPlainText());
    UpdateDecodeButton();
}

void TfrmDecoder::edtKeyFileChange()
{
    UpdateDecodeButton();
}

void TfrmDecoder::LoadCodeFile(const QString& name)
{
    std::string code;
    const io::ReadStatus status = platform_.readTextFile(platform::NativeName(name), code);
    if (status != io::ReadStatus::Ok) {
        code = std::string();
        ShowError(QString::fromLatin1(status == io::ReadStatus::OutOfMemory ? kOutOfMemory : io::kOpenFailed));
    }
    CodeText_ = std::move(code);
    ShowCode();
}

void TfrmDecoder::bbnLoadClick()
{
    const auto chosen = platform_.dialogs->GetOpenFileName(
        this, [&] {
            auto options = DialogOptions(QStringLiteral("Load code"),
                                         QStringLiteral("Encoded text files (*.etx)|*.etx|All files (*.*)|*.*"),
                                         QStringLiteral("etx"));
            options.fileMustExist = true;
            return options;
        }());
    if (!chosen || chosen->isEmpty())
        return;
    ui->bbnLoad->setEnabled(false);
    LoadCodeFile(*chosen);
    // A new code: the text of an earlier one is no longer on show.
    DecodedText_.clear();
    ShowText();
    ui->bbnLoad->setEnabled(true);
}

void TfrmDecoder::bbnPasteClick()
{
    ui->bbnPaste->setEnabled(false);
    std::optional<std::string> text;
    const char* failure = kPasteFailed;
    try {
        text = platform_.clipboard->GetText();
    } catch (const std::bad_alloc&) {
        failure = kOutOfMemory;
    }
    if (!text) {
        ShowError(QString::fromLatin1(failure));
    } else {
        CodeText_ = *text;
        ShowCode();
    }
    ui->bbnPaste->setEnabled(true);
}

void TfrmDecoder::bbnClearClick()
{
    CodeTooLong_ = false;
    ui->mmoCode->clear();
    ui->mmoCode->setReadOnly(false);
    SetAlignment(ui->mmoCode, Qt::AlignLeft, QTextOption::WrapAtWordBoundaryOrAnywhere);
    ui->mmoCode->setFocus();
}

void TfrmDecoder::bbnBrowseKeyFileClick()
{
    auto options = DialogOptions(QStringLiteral("Choose key file"),
                                 QStringLiteral("Key files (*.key)|*.key|All files (*.*)|*.*"), QStringLiteral("key"));
    options.fileMustExist = true;
    const auto chosen = platform_.dialogs->GetOpenFileName(this, options);
    if (chosen && !chosen->isEmpty())
        ui->edtKeyFile->setText(*chosen);
}

void TfrmDecoder::bbnCopyClick()
{
    try {
        if (!platform_.clipboard->SetText(DecodedText_))
            ShowError(QString::fromLatin1(kCopyFailed));
    } catch (const std::bad_alloc&) {
        ShowError(QString::fromLatin1(kOutOfMemory));
    }
}

void TfrmDecoder::bbnSaveTextClick()
{
    auto options = DialogOptions(QStringLiteral("Save text"),
                                 QStringLiteral("Text files (*.txt)|*.txt|All files (*.*)|*.*"), QStringLiteral("txt"));
    options.overwritePrompt = true;
    const auto chosen = platform_.dialogs->GetSaveFileName(this, options);
    if (!chosen || chosen->isEmpty())
        return;
    if (std::string message; !io::SaveCode(platform::NativeName(*chosen), DecodedText_, message))
        ShowError(QString::fromStdString(message));
}

void TfrmDecoder::spbExitClick()
{
    close();
}

void TfrmDecoder::LockControls()
{
    CopyWasEnabled_ = ui->bbnCopy->isEnabled();
    SaveWasEnabled_ = ui->bbnSaveText->isEnabled();
    for (QWidget* control : {static_cast<QWidget*>(ui->bbnBrowseKeyFile), static_cast<QWidget*>(ui->bbnClear),
                             static_cast<QWidget*>(ui->bbnCopy), static_cast<QWidget*>(ui->bbnLoad),
                             static_cast<QWidget*>(ui->bbnPaste), static_cast<QWidget*>(ui->bbnSaveText),
                             static_cast<QWidget*>(ui->mmoCode), static_cast<QWidget*>(ui->edtKeyFile)})
        control->setEnabled(false);
}

void TfrmDecoder::UnlockControls()
{
    for (QWidget* control : {static_cast<QWidget*>(ui->bbnBrowseKeyFile), static_cast<QWidget*>(ui->bbnLoad),
                             static_cast<QWidget*>(ui->bbnPaste), static_cast<QWidget*>(ui->mmoCode),
                             static_cast<QWidget*>(ui->edtKeyFile)})
        control->setEnabled(true);
    ui->bbnCopy->setEnabled(CopyWasEnabled_);
    ui->bbnSaveText->setEnabled(SaveWasEnabled_);
}

void TfrmDecoder::bbnDecodeClick()
{
    if (Decoding_) {
        // STOP: the run notices it after its next piece.
        Decoding_ = false;
        return;
    }
    DecodeRun(platform::NativeName(ui->edtKeyFile->text()));
}

// One decoding run over a copy of CodeText. Returns true when it decoded the
// whole code; the text then replaces DecodedText. A stopped or failed run
// leaves DecodedText and the text field as they were.
bool TfrmDecoder::DecodeRun(const std::string& keyName)
{
    auto table = std::make_unique<KeyTable>();
    std::uint8_t codeWidth = 0;
    try {
        const KeyLoadResult loaded = io::LoadKeyFile(keyName, *table, codeWidth);
        if (!loaded.ok) {
            ShowError(QString::fromStdString(loaded.message));
            return false;
        }
    } catch (const Failure& failure) {
        platform_.failureBox->Show(this, QString::fromLatin1(kDecoderTitle),
                                   platform::ToUnicode(WithFullStop(failure.what())));
        return false;
    }
    Decoder decoder(*table, codeWidth, LineBreaks::CrLf);
    if (!decoder.ok()) {
        ShowError(QString::fromStdString(decoder.message()));
        return false;
    }

    // The code is not copied: a large one would be held twice. Nothing can
    // change it during the run, which locks the code field, Load and Paste.
    const std::string_view code = CodeText_;
    const std::size_t pieces = (code.size() + kDecodePiece - 1) / kDecodePiece;
    std::string text;
    Decoding_ = true;
    ui->bbnDecode->setText(QStringLiteral("STOP"));
    LockControls();
    ui->prbDecoding->setMaximum(static_cast<int>(std::max<std::size_t>(pieces, 1)));
    ui->prbDecoding->setValue(0);

    bool good = true;
    bool stopped = false;
    for (std::size_t piece = 0; piece < pieces; ++piece) {
        const std::string_view part = code.substr(piece * kDecodePiece, kDecodePiece);
        if (!decoder.Feed(part, text)) {
            good = false;
            break;
        }
        ui->prbDecoding->setValue(static_cast<int>(piece + 1));
        QCoreApplication::processEvents();
        if (!Decoding_) {
            stopped = true;
            break;
        }
    }
    if (good && !stopped)
        good = decoder.Finish();

    UnlockControls();
    ui->bbnDecode->setText(QStringLiteral("Decode"));
    ui->prbDecoding->setValue(0);
    Decoding_ = false;
    UpdateDecodeButton();
    if (stopped)
        return false;
    if (!good) {
        ShowError(QString::fromStdString(decoder.message()));
        return false;
    }
    DecodedText_ = std::move(text);
    ShowText();
    return true;
}

void TfrmDecoder::closeEvent(QCloseEvent* event)
{
    // Closing during a run stops it; the run ends before the window goes.
    Decoding_ = false;
    frmError_->hide();
    event->accept();
    emit closed();
}

} // namespace morvane::decoder
