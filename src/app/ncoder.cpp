// The encoder program's body.
#include "application.h"
#include "program.h"

#include "platform/platform.h"

#include <QIcon>
#include <QStringList>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    // Answered before any window system is needed, so that it works without a display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("morvane %s\n", MORVANE_VERSION);
        return 0;
    }
    morvane::app::Application application(argc, argv);
    QGuiApplication::setApplicationDisplayName(QString::fromLatin1(morvane::app::kApplicationTitle));
    QGuiApplication::setDesktopFileName("morvane");
    QApplication::setWindowIcon(QIcon(":/icons/morvane-256.png"));
    morvane::platform::SystemPlatform system;
    morvane::app::Program program(system.get(), QCoreApplication::arguments());
    program.CreateWindows();
    return program.Run();
}
