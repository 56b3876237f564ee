// morvanedecoder: the companion decoder. Started with a file name, it loads
// that code into its code field.
#include "decoder_window.h"

#include "core/failure.h"
#include "platform/codepage.h"
#include "platform/platform.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstring>
#include <exception>

namespace {

// Failures that no handler tests for end the event being handled and are
// shown in a message box captioned with the program's title.
class DecoderApplication : public QApplication {
public:
    using QApplication::QApplication;
    morvane::platform::FailureBox* failureBox = nullptr;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& failure) {
            if (failureBox)
                failureBox->Show(activeWindow(), QString::fromLatin1(morvane::decoder::kDecoderTitle),
                                 morvane::platform::ToUnicode(morvane::WithFullStop(morvane::FailureText(failure))));
            return false;
        }
    }
};

} // namespace

int main(int argc, char** argv)
{
    // Answered before any window system is needed, so that it works without a display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("morvanedecoder %s\n", MORVANE_VERSION);
        return 0;
    }
    DecoderApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("morvanedecoder"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/morvane-32.png")));

    morvane::platform::SystemPlatform system;
    app.failureBox = system.get().failureBox;
    morvane::decoder::TfrmDecoder window(system.get());
    QObject::connect(&window, &morvane::decoder::TfrmDecoder::closed, &app, &QApplication::quit);
    app.setQuitOnLastWindowClosed(false);
    window.show();
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        window.LoadCodeFile(arguments.at(1));
    return app.exec();
}
