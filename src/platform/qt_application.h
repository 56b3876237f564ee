// The programs' application object: the top-level failure handler lives in
// its notify(), where every event handler is entered.
#pragma once

#include <QApplication>
#include <exception>
#include <functional>

namespace morvane::platform {

class Application : public QApplication {
public:
    Application(int& argc, char** argv);

    // A failure that leaves an event handler abandons that event and is
    // handed to this handler; the program then carries on. Without a
    // handler the failure's text goes to standard error.
    void SetFailureHandler(std::function<void(const std::exception& failure)> handler);

    bool notify(QObject* receiver, QEvent* event) override;

    static Application* instance();

private:
    std::function<void(const std::exception&)> failureHandler_;
};

} // namespace morvane::platform
