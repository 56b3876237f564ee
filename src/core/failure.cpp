#include "failure.h"

#include <new>

namespace morvane {

std::string FailureText(const std::exception& failure)
{
    if (dynamic_cast<const std::bad_alloc*>(&failure))
        return "Out of memory";
    return failure.what();
}

std::string WithFullStop(std::string message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
        message += '.';
    return message;
}

} // namespace morvane
