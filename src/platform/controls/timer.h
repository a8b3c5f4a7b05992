// A timer: an interval in milliseconds and an enabled flag; each tick reaches the game through
// the Dispatcher.
#pragma once

#include "platform/dispatcher.h"

#include <functional>

class QTimer;

namespace platform {

class Timer
{
public:
    Timer(Dispatcher& dispatcher, int interval, bool enabled);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // An enabled timer with interval 0 delivers no ticks. Setting the interval starts a new period.
    int Interval() const { return interval_; }
    void setInterval(int ms);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool e);
    bool ticking() const { return enabled_ && interval_ > 0; }

    void onTick(std::function<void()> handler) { tick_ = std::move(handler); }
    // Delivers one tick now, as the clock would (tests drive the game this way).
    void fire();

private:
    void restart();
    Dispatcher& dispatcher_;
    QTimer* timer_;
    int interval_;
    bool enabled_;
    std::function<void()> tick_;
};

} // namespace platform
