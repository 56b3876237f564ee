// The decoder's error window: one message at a time, shown without waiting.
#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class TfrmError;
}

namespace morvane::decoder {

class TfrmError : public QWidget {
    Q_OBJECT

public:
    explicit TfrmError(QWidget* parent = nullptr);
    ~TfrmError() override;

    // Shows the window with the message, replacing any earlier one, and
    // brings it to the front; returns at once.
    void ShowError(const QString& message);
    QString message() const;

public slots:
    void BitBtn1Click();

private:
    std::unique_ptr<Ui::TfrmError> ui;
};

} // namespace morvane::decoder
