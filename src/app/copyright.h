// The about box: the program's title and version, a credit line and the
// maker's e-mail address, with a mail link and a copy menu.
#pragma once

#include <QWidget>
#include <memory>

class QMenu;
class QAction;

namespace Ui {
class TfrmC;
}

namespace morvane::app {

class Program;

// The maker's e-mail address, as the mail link and the copy menu use it.
inline constexpr const char* kMakerAddress = "author@morvane.example";

class TfrmC : public QWidget {
    Q_OBJECT

public:
    explicit TfrmC(Program& program, QWidget* parent = nullptr);
    ~TfrmC() override;

    // What the encoder window's "Copyrights" does: shows the box, or brings
    // it to the front when it is already shown.
    void ShowOrRaise();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void eClick();
    void copy1Click();
    void bbnCloseClick();

    Program& program_;
    std::unique_ptr<Ui::TfrmC> ui_;
    QMenu* pmnEmail = nullptr;
    QAction* copy1 = nullptr;
    bool placed_ = false;
};

} // namespace morvane::app
