// The top-level failure handler's message box through QMessageBox.
#pragma once

#include "platform/failure.h"

namespace morvane::platform {

class QtFailureBox : public FailureBox {
public:
    void Show(QWidget* owner, const QString& caption, const QString& text) override;
};

} // namespace morvane::platform
