#include "platform/mci_background.h"

namespace platform {

BackgroundMci::BackgroundMci(std::unique_ptr<Mci> device)
    : device_(std::move(device))
{ }

BackgroundMci::~BackgroundMci()
{
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

int BackgroundMci::mciSendString(TextView command, Text* reply, int replyLength)
{
    std::unique_lock lock(mutex_);
    if (reply) {
        if (busy_ || !queue_.empty()) {
            putReply(reply, replyLength, u"not ready");
            return 0;
        }
        // The thread is idle and cannot start anything while the lock is held.
        return device_->mciSendString(command, reply, replyLength);
    }
    queue_.emplace_back(command);
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
    lock.unlock();
    changed_.notify_all();
    return 0;
}

void BackgroundMci::waitUntilIdle()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_ && queue_.empty(); });
}

void BackgroundMci::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return ending_ || !queue_.empty(); });
        if (queue_.empty())
            return; // ending, and nothing left to do
        const Text command = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        device_->mciSendString(command, nullptr, 0);
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

} // namespace platform
