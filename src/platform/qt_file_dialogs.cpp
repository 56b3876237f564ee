#include "platform/qt_file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace morvane::platform {

namespace {

std::optional<QString> RunDialog(QWidget* owner, const FileDialogOptions& options, bool save)
{
    QFileDialog dialog(owner, options.title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(!save && options.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (save && !options.overwritePrompt)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);

    const QStringList filters = ToNameFilters(options.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = options.filterIndex >= 1 && options.filterIndex <= filters.size() ? options.filterIndex : 1;
        dialog.selectNameFilter(filters[index - 1]);
    }
    if (!options.defaultExt.isEmpty())
        dialog.setDefaultSuffix(options.defaultExt);
    if (!options.initialDir.isEmpty())
        dialog.setDirectory(options.initialDir);
    if (!options.fileName.isEmpty())
        dialog.selectFile(options.fileName);

    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return std::nullopt;
    const QFileInfo file(chosen.first());
    // As the system's dialogs do: the chosen file's folder becomes current.
    QDir::setCurrent(file.absolutePath());
    return QDir::toNativeSeparators(file.absoluteFilePath());
}

} // namespace

QStringList ToNameFilters(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString p = pattern.trimmed();
            if (!p.isEmpty())
                patterns << (p == QLatin1String("*.*") ? QStringLiteral("*") : p);
        }
        if (patterns.isEmpty())
            patterns << QStringLiteral("*");
        // QFileDialog takes the patterns from the last bracket of the text:
        // replace a bracket that the description ends with by the real ones.
        if (description.endsWith(QLatin1Char(')'))) {
            const qsizetype open = description.lastIndexOf(QLatin1Char('('));
            if (open >= 0)
                description = description.left(open).trimmed();
        }
        const QString bracket = QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
        result << (description.isEmpty() ? bracket : description + QLatin1Char(' ') + bracket);
    }
    return result;
}

std::optional<QString> QtFileDialogs::GetOpenFileName(QWidget* owner, const FileDialogOptions& options)
{
    return RunDialog(owner, options, false);
}

std::optional<QString> QtFileDialogs::GetSaveFileName(QWidget* owner, const FileDialogOptions& options)
{
    return RunDialog(owner, options, true);
}

} // namespace morvane::platform
