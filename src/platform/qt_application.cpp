#include "platform/qt_application.h"

#include "core/failure.h"

#include <cstdio>

namespace morvane::platform {

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    // A program ends when its main window closes, not when the last window does.
    setQuitOnLastWindowClosed(false);
}

void Application::SetFailureHandler(std::function<void(const std::exception&)> handler)
{
    failureHandler_ = std::move(handler);
}

Application* Application::instance()
{
    return dynamic_cast<Application*>(QCoreApplication::instance());
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& failure) {
        if (failureHandler_)
            failureHandler_(failure);
        else
            std::fprintf(stderr, "%s\n", FailureText(failure).c_str());
    }
    return false;
}

} // namespace morvane::platform
