// morvanedecoder: the companion decoder. Started with a file name, it loads
// that code into its code field.
#include "decoder_window.h"

#include "core/failure.h"
#include "platform/codepage.h"
#include "platform/platform.h"

#include "platform/qt_application.h"

#include <QIcon>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    // Answered before any window system is needed, so that it works without a display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("morvanedecoder %s\n", MORVANE_VERSION);
        return 0;
    }
    morvane::platform::Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("morvanedecoder"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/morvane-32.png")));

    morvane::platform::SystemPlatform system;
    // Failures that no handler tests for end the event being handled and are
    // shown in a message box captioned with the program's title.
    app.SetFailureHandler([failureBox = system.get().failureBox](const std::exception& failure) {
        failureBox->Show(QApplication::activeWindow(), QString::fromLatin1(morvane::decoder::kDecoderTitle),
                         morvane::platform::ToUnicode(morvane::WithFullStop(morvane::FailureText(failure))));
    });
    morvane::decoder::TfrmDecoder window(system.get());
    QObject::connect(&window, &morvane::decoder::TfrmDecoder::closed, &app, &QApplication::quit);
    window.show();
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        window.LoadCodeFile(arguments.at(1));
    return app.exec();
}
