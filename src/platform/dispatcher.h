// Delivers every window event, click and timer tick to the game, one at a time.
//
// A handler that raises a RuntimeError (or any other exception) does not take the program down
// with a bare crash: the dispatcher hands the error to the failure handler, which reports it and
// ends the program. Once the program has ended, nothing more is delivered.
#pragma once

#include "platform/errors.h"

#include <functional>

namespace platform {

class Dispatcher
{
public:
    using FailureHandler = std::function<void(const RuntimeError&)>;

    void setFailureHandler(FailureHandler handler) { onFailure_ = std::move(handler); }
    // Runs after every handler that ran to its end, once no other handler is running (the form
    // places the keyboard focus there).
    void setAfterEach(std::function<void()> after) { after_ = std::move(after); }

    // Runs `handler` now. Returns false when it was not run: the program has ended, or another
    // handler is still running (an event that arrives from a nested event loop is dropped).
    bool deliver(const std::function<void()>& handler);
    // Runs `handler` now even while another handler runs: the toolkit is ending the program
    // under the game, and nothing runs after this (the close step must still save).
    bool deliverLast(const std::function<void()>& handler);

    bool busy() const { return depth_ > 0; }
    bool ended() const { return ended_; }
    void markEnded() { ended_ = true; }

private:
    void failed(const RuntimeError& error);

    FailureHandler onFailure_;
    std::function<void()> after_;
    int depth_ = 0;
    bool ended_ = false;
};

} // namespace platform
