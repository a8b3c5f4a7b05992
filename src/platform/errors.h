// The platform's runtime error: raised by any step the game does not guard. The dispatcher that
// delivers events catches it and ends the program with one clear report.
#pragma once

#include "platform/text.h"

#include <stdexcept>

namespace platform {

class RuntimeError : public std::runtime_error
{
public:
    explicit RuntimeError(Text message)
        : std::runtime_error(toUtf8(message))
        , message_(std::move(message))
    { }
    const Text& message() const { return message_; }

private:
    Text message_;
};

// Arithmetic on the game's 16-bit integers: a result outside -32768..32767 is an overflow error,
// not a silent wrap.
short checked16(long long value, TextView what);

} // namespace platform
