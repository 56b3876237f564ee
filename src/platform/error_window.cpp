#include "platform/error_window.h"
#include "ui_error_window.h"

#include "platform/window_font.h"
#include "platform/window_place.h"

#include <QCloseEvent>
#include <QIcon>

namespace morvane::platform {

ErrorWindow::ErrorWindow(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      ui(std::make_unique<Ui::TfrmError>())
{
    ui->setupUi(this);
    setFixedSize(489, 65);
    setWindowIcon(QIcon(QStringLiteral(":/icons/morvane-32.png")));
    // A maroon frame around the lowered message panel.
    QPalette maroon = ui->pnlBevel->palette();
    maroon.setColor(QPalette::Window, QColor(128, 0, 0));
    ui->pnlBevel->setPalette(maroon);
    QPalette face = ui->pnlErrorText->palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    ui->pnlErrorText->setPalette(face);
    ui->pnlErrorText->raise();
    ApplyWindowFont(this);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &QWidget::close);
    SetDefaultButton(*this, *ui->BitBtn1);
}

ErrorWindow::~ErrorWindow() = default;

void ErrorWindow::ShowError(const QString& message)
{
    ShowOrRaise(*this, placed);
    ui->pnlErrorText->setText(message);
}

QString ErrorWindow::Message() const
{
    return ui->pnlErrorText->text();
}

void ErrorWindow::closeEvent(QCloseEvent* event)
{
    Dismissed();
    event->accept();
}

} // namespace morvane::platform
