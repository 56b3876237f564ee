// The program's failure type and the text its top-level failure handler shows.
#pragma once

#include <stdexcept>
#include <string>

namespace morvane {

// A failure that the program reaches without a test of its own (a key file
// whose width character is not a digit, a refused settings write, a focus
// request on a disabled window). It abandons the operation in hand and is
// shown by the top-level failure handler.
class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the windows say when memory runs out, wherever it does.
inline constexpr const char* kOutOfMemory = "Out of memory.";

// What a failure says: "Out of memory" when memory ran out, else its message.
std::string FailureText(const std::exception& failure);

// The failure handler's text: the message with a full stop appended when its
// last character comes after the full stop in the 8-bit character order
// (a letter or a digit does; a closing quote mark does not).
std::string WithFullStop(std::string message);

} // namespace morvane
