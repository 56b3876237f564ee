// The encoder's error window: the programs' error window, which ends the
// program when it is closed after a start-up failure.
#pragma once

#include "platform/error_window.h"

namespace morvane::app {

class Program;

class TfrmError : public platform::ErrorWindow {
public:
    explicit TfrmError(Program& program, QWidget* parent = nullptr);

private:
    void FormCreate();
    void Dismissed() override;

    Program& program;
};

} // namespace morvane::app
