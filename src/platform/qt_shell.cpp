#include "platform/shell.h"

#include "platform/codepage.h"
#include "platform/shell_action.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace morvane::platform {

namespace {

// The desktop's shell: a program is started directly with its arguments,
// never through a command interpreter; documents, folders and addresses go
// to the desktop's handler. The show command has no meaning here.
class DesktopShell : public Shell {
public:
    void ShellOpen(void* /*owner*/, const std::string& file, const std::string& parameters,
                   const std::string& directory, int /*showCommand*/) override
    {
        const ShellTarget target = ChooseShellAction(file, directory);
        switch (target.action) {
        case ShellAction::StartProgram:
            QProcess::startDetached(FromNativeName(target.path),
                                    QProcess::splitCommand(QString::fromLocal8Bit(parameters)),
                                    FromNativeName(directory));
            break;
        case ShellAction::OpenDocument:
            QDesktopServices::openUrl(QUrl::fromLocalFile(FromNativeName(target.path)));
            break;
        case ShellAction::OpenAddress:
            QDesktopServices::openUrl(QUrl(QString::fromUtf8(target.path)));
            break;
        case ShellAction::Nothing:
            break;
        }
    }
};

} // namespace

std::unique_ptr<Shell> CreateSystemShell() { return std::make_unique<DesktopShell>(); }

} // namespace morvane::platform
