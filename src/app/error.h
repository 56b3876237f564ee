// The error window: shows the one message of a failure the program has
// detected, without waiting for the user.
#pragma once

#include <QString>
#include <QWidget>
#include <memory>

namespace Ui {
class TfrmError;
}

namespace morvane::app {

class Program;

class TfrmError : public QWidget {
    Q_OBJECT

public:
    explicit TfrmError(Program& program, QWidget* parent = nullptr);
    ~TfrmError() override;

    // Shows the window (or brings it to the front) with the message, which
    // replaces the one shown before; returns at once.
    void ShowError(const QString& message);
    QString Message() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormClose();
    void BitBtn1Click();

    Program& program;
    std::unique_ptr<Ui::TfrmError> ui;
    bool placed = false;
};

} // namespace morvane::app
