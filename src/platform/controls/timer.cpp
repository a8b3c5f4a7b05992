#include "platform/controls/timer.h"

#include "platform/errors.h"

#include <QTimer>

namespace platform {

Timer::Timer(Dispatcher& dispatcher, int interval, bool enabled)
    : dispatcher_(dispatcher)
    , timer_(new QTimer)
    , interval_(interval)
    , enabled_(enabled)
{
    QObject::connect(timer_, &QTimer::timeout, [this] { fire(); });
    restart();
}

Timer::~Timer()
{
    delete timer_;
}

void Timer::setInterval(int ms)
{
    if (ms < 0 || ms > 65535)
        throw RuntimeError(u"timer interval " + Str(ms) + u" is not allowed");
    interval_ = ms;
    restart();
}

void Timer::setEnabled(bool e)
{
    if (e == enabled_)
        return;
    enabled_ = e;
    restart();
}

void Timer::restart()
{
    if (!ticking() || dispatcher_.ended()) {
        timer_->stop();
        return;
    }
    timer_->setTimerType(interval_ < 20 ? Qt::PreciseTimer : Qt::CoarseTimer);
    timer_->start(interval_);
}

void Timer::fire()
{
    if (dispatcher_.ended()) {
        timer_->stop();
        return;
    }
    if (tick_)
        dispatcher_.deliver(tick_);
}

} // namespace platform
