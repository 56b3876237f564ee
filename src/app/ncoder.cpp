// The encoder program's body.
#include "program.h"

#include "platform/platform.h"
#include "platform/qt_application.h"

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
    morvane::platform::Application application(argc, argv);
    // The desktop knows the program by its name and desktop entry. No display
    // name: the desktop would append it to every window's caption.
    QGuiApplication::setApplicationName(QStringLiteral("morvane"));
    QGuiApplication::setDesktopFileName(QStringLiteral("morvane"));
    QApplication::setWindowIcon(QIcon(":/icons/morvane-256.png"));
    morvane::platform::SystemPlatform system;
    morvane::app::Program program(system.get(), QCoreApplication::arguments());
    program.CreateWindows();
    return program.Run();
}
