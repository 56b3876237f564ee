#include "application.h"

#include <cstdio>
#include <exception>
#include <new>

namespace morvane::app {

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    // The program ends when the encoder window closes, not when the last
    // window does.
    setQuitOnLastWindowClosed(false);
}

void Application::SetFailureHandler(std::function<void(const std::string&)> handler)
{
    failureHandler_ = std::move(handler);
}

Application* Application::instance()
{
    return dynamic_cast<Application*>(QCoreApplication::instance());
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    std::string message;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        message = "Out of memory";
    } catch (const std::exception& failure) {
        message = failure.what();
    }
    if (failureHandler_)
        failureHandler_(message);
    else
        std::fprintf(stderr, "%s\n", message.c_str());
    return false;
}

} // namespace morvane::app
