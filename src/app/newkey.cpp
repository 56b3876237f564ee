#include "newkey.h"
#include "ui_newkey.h"

#include "program.h"
#include "platform/window_font.h"
#include "platform/window_place.h"

#include "core/key_generator.h"
#include "core/key_table.h"
#include "io/key_file.h"
#include "io/text_file.h"
#include "platform/codepage.h"
#include "platform/file_dialogs.h"
#include "platform/file_system.h"

#include <QIcon>
#include <QPushButton>
#include <QShowEvent>

static void InitNewKeyResources()
{
    Q_INIT_RESOURCE(morvane);
}

namespace morvane::app {

TfrmNewKey::TfrmNewKey(Program& program, QWidget* parent)
    : QWidget(parent), program_(program), ui_(std::make_unique<Ui::TfrmNewKey>())
{
    InitNewKeyResources();
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFixedSize(345, 155);
    setWindowIcon(QIcon(QStringLiteral(":/icons/morvane-32.png")));
    platform::ApplyWindowFont(this);

    connect(ui_->bbnBrowse, &QPushButton::clicked, this, &TfrmNewKey::bbnBrowseClick);
    connect(ui_->bbnCreate, &QPushButton::clicked, this, &TfrmNewKey::bbnCreateClick);
    connect(ui_->bbnCancel, &QPushButton::clicked, this, &TfrmNewKey::bbnCancelClick);
    connect(ui_->edtFileName, &QLineEdit::textChanged, this, &TfrmNewKey::edtFileNameChange);
    platform::SetDefaultButton(*this, *ui_->bbnCreate);

    FormCreate();
}

TfrmNewKey::~TfrmNewKey() = default;

void TfrmNewKey::FormCreate()
{
    program_.FormReady();
}

void TfrmNewKey::ShowOrRaise()
{
    platform::ShowOrRaise(*this, placed_);
}

void TfrmNewKey::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Runs while the window is being shown, before it appears on the screen,
    // so the save dialog comes first. Shows from the window system (a
    // restored window) are not a new showing.
    if (!event->spontaneous())
        FormShow();
}

void TfrmNewKey::FormShow()
{
    ui_->edtFileName->clear();
    ChooseNewKeyFileName();
    if (!ui_->edtFileName->text().isEmpty())
        ui_->bbnCreate->setFocus();
}

void TfrmNewKey::ChooseNewKeyFileName()
{
    platform::FileDialogOptions options;
    options.title = QStringLiteral("Set file name for a new key");
    options.filter = QStringLiteral("Key file (*.key)|*.key|All files (*.*)|*.*");
    options.filterIndex = 1;
    options.defaultExt = QStringLiteral("key");
    options.initialDir = platform::FromNativeName(platform::CurrentDirectory());
    options.overwritePrompt = true;

    std::optional<QString> chosen = program_.platform.dialogs->GetSaveFileName(this, options);
    if (chosen && !chosen->isEmpty())
        ui_->edtFileName->setText(*chosen);
}

void TfrmNewKey::bbnBrowseClick()
{
    ChooseNewKeyFileName();
}

void TfrmNewKey::edtFileNameChange()
{
    ui_->bbnCreate->setEnabled(!ui_->edtFileName->text().isEmpty());
}

void TfrmNewKey::bbnCreateClick()
{
    if (!ui_->edtFileName->text().isEmpty())
        CreateKeyFile();
}

void TfrmNewKey::bbnCancelClick()
{
    close();
}

void TfrmNewKey::CreateKeyFile()
{
    QProgressBar* bar = ui_->prbCreation;
    bar->setMaximum(kKeyRows);

    // No input is handled during the run: the window is only repainted after
    // each generated row.
    KeyTable table;
    GenerateKey(program_.state.Random, table, [&](int) {
        bar->setValue(bar->value() + 1);
        repaint();
    });

    const QString name = ui_->edtFileName->text();
    io::KeyWriteResult written = io::WriteKeyFile(platform::NativeName(name), table,
                                                  [&](int) { bar->setValue(bar->value() - 1); },
                                                  io::WindowSaveOptions());
    if (!written.ok) {
        program_.ShowError(QString::fromStdString(written.message));
        bar->setValue(0);
        return;
    }
    program_.SetKeyFileName(name);
    close();
}

} // namespace morvane::app
