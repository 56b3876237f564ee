#include "platform/qt_failure_box.h"

#include <QMessageBox>

namespace morvane::platform {

void QtFailureBox::Show(QWidget* owner, const QString& caption, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace morvane::platform
