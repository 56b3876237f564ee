// The encoder program's body.
#include "program.h"

#include "platform/platform.h"
#include "platform/qt_application.h"

#include <QIcon>
#include <QStringList>

int main(int argc, char** argv)
{
    morvane::platform::Application application(argc, argv);
    QGuiApplication::setApplicationDisplayName(QString::fromLatin1(morvane::app::kApplicationTitle));
    QGuiApplication::setDesktopFileName("morvane");
    QApplication::setWindowIcon(QIcon(":/icons/morvane-256.png"));
    morvane::platform::SystemPlatform system;
    morvane::app::Program program(system.get(), QCoreApplication::arguments());
    program.CreateWindows();
    return program.Run();
}
