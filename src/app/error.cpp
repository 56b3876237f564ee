#include "error.h"

#include "coder.h"
#include "program.h"

namespace morvane::app {

TfrmError::TfrmError(Program& program, QWidget* parent) : platform::ErrorWindow(parent), program(program)
{
    FormCreate();
}

void TfrmError::FormCreate()
{
    program.FormReady();
}

void TfrmError::Dismissed()
{
    if (program.state.CloseOnErrorDismiss && program.frmCoder)
        program.frmCoder->ForceClose();
}

} // namespace morvane::app
