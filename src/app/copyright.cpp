#include "copyright.h"
#include "ui_copyright.h"

#include "program.h"
#include "platform/window_font.h"
#include "platform/window_place.h"

#include "platform/clipboard.h"
#include "platform/shell.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QMouseEvent>
#include <QPalette>
#include <QPixmap>

#include <string_view>

static void InitAboutResources()
{
    Q_INIT_RESOURCE(morvane);
}

namespace morvane::app {

namespace {

using namespace std::string_view_literals;

// The label texts, stored scrambled (see Descramble).
constexpr std::string_view kStoredTitle = "\x4e\x71\x75\x7a\x66\x74\x6c\x34\x29\x80\x70\x7e\x2d\x3f\x3d\x41"sv;
constexpr std::string_view kStoredCredit =
    "\x44\x71\x73\x7d\x77\x6f\x6e\x70\x7d\x2a\x33\x6f\x36\x2e\x41\x40\x43\x48\x33\x88\x7d\x7b\x37\x65"
    "\x88\x8c\x91\x7d\x8b\x83\x3f\x84\x86\x98\x88\x90\x94\x96\x8c\x9a\x9c"sv;
constexpr std::string_view kStoredEmail =
    "\x46\x2f\x70\x65\x6e\x72\x41\x28\x6a\x7f\x7f\x74\x7c\x80\x4f\x7d\x80\x84\x89\x75\x83\x7b\x45\x7d"
    "\x91\x7b\x88\x8c\x89\x83"sv;

const QColor kNavy(0x00, 0x00, 0x80);
const QColor kBlue(0x00, 0x00, 0xff);

} // namespace

TfrmC::TfrmC(Program& program, QWidget* parent)
    : QWidget(parent), program_(program), ui_(std::make_unique<Ui::TfrmC>())
{
    InitAboutResources();
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFixedSize(476, 107);
    setWindowIcon(QIcon(QStringLiteral(":/icons/morvane-32.png")));
    platform::ApplyWindowFont(this);

    QPalette navy = palette();
    navy.setColor(QPalette::Window, kNavy);
    setPalette(navy);
    QPalette blue = ui_->Panel1->palette();
    blue.setColor(QPalette::Window, kBlue);
    ui_->Panel1->setPalette(blue);
    ui_->Image1->setPixmap(QPixmap(QStringLiteral(":/icons/morvane-32.png")));

    // Close is the only control that takes the keyboard focus.
    ui_->bbnClose->setFocusPolicy(Qt::StrongFocus);
    ui_->bbnClose->setFocus();

    pmnEmail = new QMenu(this);
    pmnEmail->setObjectName(QStringLiteral("pmnEmail"));
    copy1 = pmnEmail->addAction(QStringLiteral("copy"));
    copy1->setObjectName(QStringLiteral("copy1"));

    connect(copy1, &QAction::triggered, this, &TfrmC::copy1Click);
    connect(ui_->bbnClose, &QPushButton::clicked, this, &TfrmC::bbnCloseClick);
    platform::SetDefaultButton(*this, *ui_->bbnClose);
    connect(ui_->e, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pmnEmail->popup(ui_->e->mapToGlobal(pos)); });
    ui_->e->installEventFilter(this);

    FormCreate();
}

TfrmC::~TfrmC() = default;

void TfrmC::FormCreate()
{
    ui_->e->setCursor(Qt::PointingHandCursor);
    ui_->l->setText(Program::DescrambleText(kStoredTitle));
    ui_->l->adjustSize();
    ui_->c->setText(Program::DescrambleText(kStoredCredit));
    ui_->c->adjustSize();
    ui_->e->setText(Program::DescrambleText(kStoredEmail));
    ui_->e->adjustSize();
    program_.FormReady();
}

void TfrmC::ShowOrRaise()
{
    platform::ShowOrRaise(*this, placed_);
}

bool TfrmC::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui_->e && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && ui_->e->rect().contains(mouse->position().toPoint())) {
            eClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmC::eClick()
{
    program_.ShellOpen(QStringLiteral("mailto:") + QLatin1String(kMakerAddress), QString(), QString(),
                       platform::kSwHide);
}

void TfrmC::copy1Click()
{
    program_.platform.clipboard->SetText(kMakerAddress);
}

void TfrmC::bbnCloseClick()
{
    close();
}

} // namespace morvane::app
