// A music device driven from a thread of its own.
#pragma once

#include "platform/mci.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {

// Carries out the commands for `device` on the music's own thread, in the order they were sent,
// so that nothing the device does on a command (loading its library, opening the sound output)
// holds up the caller. A command is accepted at once (0); its own result is not reported, and
// the caller never waits for it. A query (a command with a reply buffer: "status MIDI mode") is
// answered at once too: by the device when it has carried out every command sent before, and
// "not ready" while it is still at work on them or has not started.
//
// With Start::AfterFirstFrame the thread starts once a window of the program has appeared (been
// exposed and painted): loading a library then would take the processor and the dynamic loader,
// which the window's first appearance needs. Ending carries out the commands still waiting (a
// "stop" and a "close" sent last are) when the thread had started, and drops them when nothing
// had been carried out yet; then the device is destroyed.
class BackgroundMci : public Mci
{
public:
    enum class Start { AtOnce, AfterFirstFrame };

    explicit BackgroundMci(std::unique_ptr<Mci> device, Start start = Start::AtOnce);
    ~BackgroundMci() override;
    BackgroundMci(const BackgroundMci&) = delete;
    BackgroundMci& operator=(const BackgroundMci&) = delete;

    int mciSendString(TextView command, Text* reply, int replyLength) override;

    // Waits until every command sent so far has been carried out (once the thread has started).
    void waitUntilIdle();

private:
    class FirstFrame;
    void start();
    void run();

    std::unique_ptr<Mci> device_;
    std::unique_ptr<FirstFrame> firstFrame_; // until the first frame
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Text> queue_;
    bool started_ = false; // commands are carried out (the thread runs when there were any)
    bool busy_ = false; // the thread is carrying out a command
    bool ending_ = false;
    std::thread thread_;
};

} // namespace platform
