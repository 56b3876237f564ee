// The error window of both programs: shows the one message of a failure the
// program has detected, without waiting for the user.
#pragma once

#include <QString>
#include <QWidget>
#include <memory>

namespace Ui {
class TfrmError;
}

namespace morvane::platform {

class ErrorWindow : public QWidget {
public:
    explicit ErrorWindow(QWidget* parent = nullptr);
    ~ErrorWindow() override;

    // Shows the window (centred the first time, then where it was, and
    // brought to the front) with the message, which replaces the one shown
    // before; returns at once.
    void ShowError(const QString& message);
    QString Message() const;

protected:
    // Called when the window is closed (it is hidden, not destroyed).
    virtual void Dismissed() {}
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Ui::TfrmError> ui;
    bool placed = false;
};

} // namespace morvane::platform
