// The new-key window: the user picks a file name and creates a new key file.
#pragma once

#include <QString>
#include <QWidget>
#include <memory>

namespace Ui {
class TfrmNewKey;
}

namespace morvane::app {

class Program;

class TfrmNewKey : public QWidget {
    Q_OBJECT

public:
    explicit TfrmNewKey(Program& program, QWidget* parent = nullptr);
    ~TfrmNewKey() override;

    // What the encoder window's "Create new key..." does: shows the window
    // (FormShow runs; the first time it is centred on the screen) or, when it
    // is already shown, only brings it to the front.
    void ShowOrRaise();

    // Generates a key, writes it under the name in edtFileName and reports
    // the outcome. The name must not be empty.
    void CreateKeyFile();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void ChooseNewKeyFileName();
    void bbnBrowseClick();
    void edtFileNameChange();
    void bbnCreateClick();
    void bbnCancelClick();

    Program& program_;
    std::unique_ptr<Ui::TfrmNewKey> ui_;
    bool placed_ = false;
};

} // namespace morvane::app
