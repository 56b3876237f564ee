#include "decoder_error.h"

#include "ui_decoder_error.h"

#include "platform/window_font.h"
#include "platform/window_place.h"

#include <QIcon>

namespace morvane::decoder {

TfrmError::TfrmError(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TfrmError>())
{
    ui->setupUi(this);
    setFixedSize(size());
    ui->pnlErrorText->setTextFormat(Qt::PlainText);
    setWindowIcon(QIcon(QStringLiteral(":/icons/morvane-32.png")));
    platform::ApplyWindowFont(this);
    // A maroon frame around the lowered message panel.
    QPalette bevel = ui->pnlBevel->palette();
    bevel.setColor(QPalette::Window, QColor(128, 0, 0));
    ui->pnlBevel->setPalette(bevel);
    QPalette text = ui->pnlErrorText->palette();
    text.setColor(QPalette::Window, palette().color(QPalette::Button));
    ui->pnlErrorText->setPalette(text);
    platform::CentreOnScreen(*this);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &TfrmError::BitBtn1Click);
}

TfrmError::~TfrmError() = default;

void TfrmError::ShowError(const QString& message)
{
    ui->pnlErrorText->setText(message);
    show();
    raise();
    activateWindow();
}

QString TfrmError::message() const
{
    return ui->pnlErrorText->text();
}

void TfrmError::BitBtn1Click()
{
    close();
}

} // namespace morvane::decoder
