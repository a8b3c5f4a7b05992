#include "platform/dispatcher.h"

#include <new>

namespace platform {

bool Dispatcher::deliver(const std::function<void()>& handler)
{
    if (depth_ > 0)
        return false;
    return deliverLast(handler);
}

bool Dispatcher::deliverLast(const std::function<void()>& handler)
{
    if (ended_)
        return false;
    ++depth_;
    try {
        handler();
    } catch (const RuntimeError& e) {
        failed(e);
    } catch (const std::bad_alloc&) {
        failed(RuntimeError(u"out of memory"));
    } catch (const std::exception& e) {
        failed(RuntimeError(fromUtf8(e.what())));
    }
    --depth_;
    if (after_ && !ended_ && depth_ == 0)
        after_();
    return true;
}

void Dispatcher::failed(const RuntimeError& error)
{
    if (ended_)
        return;
    if (onFailure_) {
        try {
            onFailure_(error);
        } catch (...) {
            // The failure path itself must not throw into the toolkit.
        }
    }
    ended_ = true;
}

} // namespace platform
