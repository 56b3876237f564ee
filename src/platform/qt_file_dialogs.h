// The common open and save dialogs through QFileDialog.
#pragma once

#include "platform/file_dialogs.h"

#include <QStringList>

namespace morvane::platform {

class QtFileDialogs : public FileDialogs {
public:
    std::optional<QString> GetOpenFileName(QWidget* owner, const FileDialogOptions& options) override;
    std::optional<QString> GetSaveFileName(QWidget* owner, const FileDialogOptions& options) override;
};

// "Text files (*.txt)|*.txt|All files (*.*)|*.*" as QFileDialog's name
// filters: "Text files (*.txt)", "All files (*)". The patterns after each bar
// are the ones that count (a ';' separates several); "*.*" means every file.
QStringList ToNameFilters(const QString& filter);

} // namespace morvane::platform
