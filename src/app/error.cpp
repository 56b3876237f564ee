#include "error.h"
#include "ui_error.h"

#include "coder.h"
#include "program.h"
#include "platform/window_font.h"
#include "platform/window_place.h"

#include <QCloseEvent>
#include <QIcon>

namespace morvane::app {

TfrmError::TfrmError(Program& program, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      program(program), ui(std::make_unique<Ui::TfrmError>())
{
    ui->setupUi(this);
    setFixedSize(489, 65);
    setWindowIcon(QIcon(QStringLiteral(":/icons/morvane-32.png")));
    QPalette maroon = ui->pnlBevel->palette();
    maroon.setColor(QPalette::Window, QColor(128, 0, 0));
    ui->pnlBevel->setPalette(maroon);
    QPalette face = ui->pnlErrorText->palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    ui->pnlErrorText->setPalette(face);
    ui->pnlErrorText->raise();
    platform::ApplyWindowFont(this);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &TfrmError::BitBtn1Click);
    platform::SetDefaultButton(*this, *ui->BitBtn1);
    FormCreate();
}

TfrmError::~TfrmError() = default;

void TfrmError::FormCreate()
{
    program.FormReady();
}

void TfrmError::ShowError(const QString& message)
{
    platform::ShowOrRaise(*this, placed);
    ui->pnlErrorText->setText(message);
}

QString TfrmError::Message() const
{
    return ui->pnlErrorText->text();
}

void TfrmError::BitBtn1Click()
{
    close();
}

void TfrmError::FormClose()
{
    if (program.state.CloseOnErrorDismiss && program.frmCoder)
        program.frmCoder->ForceClose();
}

void TfrmError::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept(); // the window is hidden, not destroyed
}

} // namespace morvane::app
