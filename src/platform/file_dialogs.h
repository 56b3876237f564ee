// The common open and save dialogs.
#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace morvane::platform {

struct FileDialogOptions {
    QString title;
    // "Text files (*.txt)|*.txt|All files (*.*)|*.*": description and pattern pairs.
    QString filter;
    int filterIndex = 1; // 1 = the first filter
    QString defaultExt;  // added to a typed name without extension
    QString initialDir;
    QString fileName;
    bool fileMustExist = false;   // open dialogs
    bool overwritePrompt = false; // save dialogs: confirm replacing a file
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Run modally. The chosen file's full path, or nothing when cancelled.
    // Choosing a file makes its folder the process's current directory.
    virtual std::optional<QString> GetOpenFileName(QWidget* owner, const FileDialogOptions& options) = 0;
    virtual std::optional<QString> GetSaveFileName(QWidget* owner, const FileDialogOptions& options) = 0;
};

} // namespace morvane::platform
