// The top-level failure handler's message box.
#pragma once

#include <QString>

class QWidget;

namespace morvane::platform {

class FailureBox {
public:
    virtual ~FailureBox() = default;
    // A modal message box with the error icon and an OK button.
    virtual void Show(QWidget* owner, const QString& caption, const QString& text) = 0;
};

} // namespace morvane::platform
