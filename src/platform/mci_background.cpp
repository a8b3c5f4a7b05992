#include "platform/mci_background.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWindow>

namespace platform {

// Sees the first window of the program exposed, and starts the commands once that event has
// been handled: the window is then painted and on the screen.
class BackgroundMci::FirstFrame : public QObject
{
public:
    explicit FirstFrame(BackgroundMci* owner)
        : owner_(owner)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Expose && watched->isWindowType()
            && static_cast<QWindow*>(watched)->isExposed()) {
            QCoreApplication::instance()->removeEventFilter(this);
            QMetaObject::invokeMethod(
                this, [this] { owner_->start(); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    BackgroundMci* owner_;
};

BackgroundMci::BackgroundMci(std::unique_ptr<Mci> device, Start start)
    : device_(std::move(device))
{
    if (start == Start::AfterFirstFrame && QCoreApplication::instance())
        firstFrame_ = std::make_unique<FirstFrame>(this);
    else
        started_ = true;
}

BackgroundMci::~BackgroundMci()
{
    firstFrame_.reset();
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
        if (!started_)
            queue_.clear();
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

int BackgroundMci::mciSendString(TextView command, Text* reply, int replyLength)
{
    std::unique_lock lock(mutex_);
    if (reply) {
        if (!started_ || busy_ || !queue_.empty()) {
            putReply(reply, replyLength, u"not ready");
            return 0;
        }
        // The thread is idle and cannot start anything while the lock is held.
        return device_->mciSendString(command, reply, replyLength);
    }
    queue_.emplace_back(command);
    if (started_ && !thread_.joinable())
        thread_ = std::thread([this] { run(); });
    lock.unlock();
    changed_.notify_all();
    return 0;
}

void BackgroundMci::start()
{
    std::lock_guard lock(mutex_);
    started_ = true;
    if (!queue_.empty() && !thread_.joinable())
        thread_ = std::thread([this] { run(); });
}

void BackgroundMci::waitUntilIdle()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !started_ || (!busy_ && queue_.empty()); });
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
