#include "platform/process.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <limits.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace platform {

namespace {

// The state below lives as long as the process: messages and the toolkit's end may come while
// the program's static objects are being destroyed, so it is never destroyed itself.
struct Messages
{
    std::mutex mutex;
    std::unordered_map<std::string, int> shown; // times each kind of message was shown
    bool tooMany = false;
};

Messages& messages()
{
    static Messages* m = new Messages;
    return *m;
}

// What the game does when the toolkit ends the program under it. It runs once, on the main
// thread; another thread that is about to end the program waits until it has run.
struct ToolkitEnd
{
    enum class Stage { Waiting, Running, Done };
    std::mutex mutex;
    std::condition_variable changed;
    std::function<void()> handler;
    pthread_t mainThread {};
    bool atExitSet = false;
    Stage stage = Stage::Waiting;
};

ToolkitEnd& toolkitEnd()
{
    static ToolkitEnd* e = new ToolkitEnd;
    return *e;
}

bool onMainThread(ToolkitEnd& e)
{
    return pthread_equal(pthread_self(), e.mainThread);
}

void runToolkitEnd()
{
    ToolkitEnd& e = toolkitEnd();
    // Only the main thread may touch the game; another thread's exit() or fatal error ends the
    // program without it.
    std::function<void()> handler;
    {
        const std::lock_guard lock(e.mutex);
        if (!e.handler || e.stage != ToolkitEnd::Stage::Waiting || !onMainThread(e))
            return;
        handler = std::move(e.handler);
        e.handler = nullptr;
        e.stage = ToolkitEnd::Stage::Running;
    }
    try {
        handler();
    } catch (...) {
        // The program is ending: nothing may escape into exit() or the toolkit.
    }
    const std::lock_guard lock(e.mutex);
    e.stage = ToolkitEnd::Stage::Done;
    e.changed.notify_all();
}

// Qt's Wayland plug-in says this when the display's connection is gone, on whichever thread
// found it out, and ends the program with _exit() as soon as the message is out: the close step
// must have run on the main thread before this returns.
constexpr std::string_view WaylandBroke = "The Wayland connection broke";
constexpr auto MainThreadWait = std::chrono::seconds(15);

void displayLost()
{
    ToolkitEnd& e = toolkitEnd();
    if (onMainThread(e)) {
        runToolkitEnd();
        return;
    }
    std::unique_lock lock(e.mutex);
    if (e.stage == ToolkitEnd::Stage::Waiting) {
        if (!e.handler)
            return;
        // The main thread's event loop still runs (it waits on its own wake-up, not on the
        // display): the close step is queued there.
        QMetaObject::invokeMethod(
            qApp, [] { runToolkitEnd(); }, Qt::QueuedConnection);
    }
    // Whoever runs the close step, this thread waits until it is over, for a while. Then the
    // program ends here and now: the main thread may be on its way out of main().
    const bool over = e.changed.wait_for(lock, MainThreadWait, [&] {
        return e.stage == ToolkitEnd::Stage::Done
            || (e.stage == ToolkitEnd::Stage::Waiting && !e.handler);
    });
    if (over)
        std::_Exit(1);
}

// A message and the same message with other numbers in it are one kind.
std::string kindOf(const std::string& line)
{
    std::string kind;
    kind.reserve(line.size());
    for (const char c : line) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            if (kind.empty() || kind.back() != '#')
                kind += '#';
        } else {
            kind += c;
        }
    }
    return kind;
}

void onMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    std::string line = qFormatLogMessage(type, context, message).toStdString();
    const bool fatal = type == QtFatalMsg;
    int times = 0;
    bool sayTooMany = false;
    {
        Messages& m = messages();
        const std::lock_guard lock(m.mutex);
        const std::string kind = kindOf(line);
        auto it = m.shown.find(kind);
        if (it == m.shown.end() && m.shown.size() < MaxMessageKinds)
            it = m.shown.emplace(kind, 0).first;
        if (it != m.shown.end())
            times = ++it->second;
        else if (!m.tooMany)
            sayTooMany = m.tooMany = true;
    }
    if (fatal || (times >= 1 && times <= MaxMessageRepeats)) {
        if (times == MaxMessageRepeats && !fatal)
            line += " (shown " + std::to_string(MaxMessageRepeats) + " times; not shown again)";
        writeStandardError(line + '\n');
    }
    if (sayTooMany)
        writeStandardError("pelirra: too many different messages; no more are shown\n");
    // Qt ends the program once this returns: what the game must do before that, it does now.
    if (fatal)
        runToolkitEnd();
    else if (message.startsWith(QLatin1String(WaylandBroke.data(), WaylandBroke.size())))
        displayLost();
}

} // namespace

void prepareProcess()
{
    for (const int fd : { STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO }) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int null = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
    // Standard error on a pipe or a terminal gets an open file of its own that never waits: a
    // library that writes there itself (libpng reports its errors so) loses its text instead of
    // freezing the game when nobody reads the pipe. Whoever else writes to it is not affected.
    struct stat st
    {
    };
    if (::fstat(STDERR_FILENO, &st) == 0 && (S_ISFIFO(st.st_mode) || ::isatty(STDERR_FILENO))) {
        const int own = ::open("/proc/self/fd/2", O_WRONLY | O_NONBLOCK | O_NOCTTY);
        if (own >= 0 && own != STDERR_FILENO) {
            ::dup2(own, STDERR_FILENO);
            ::close(own);
        }
    }
    ::signal(SIGPIPE, SIG_IGN);
    qInstallMessageHandler(onMessage);
}

void writeStandardError(std::string_view text)
{
    while (!text.empty()) {
        // A pipe that has room takes PIPE_BUF bytes without waiting; a full one is given nothing.
        pollfd p { STDERR_FILENO, POLLOUT, 0 };
        if (::poll(&p, 1, 0) != 1 || (p.revents & POLLOUT) == 0)
            return;
        const ssize_t n
            = ::write(STDERR_FILENO, text.data(), std::min(text.size(), size_t(PIPE_BUF)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        text.remove_prefix(static_cast<size_t>(n));
    }
}

void onToolkitEnd(std::function<void()> handler)
{
    ToolkitEnd& e = toolkitEnd();
    const std::lock_guard lock(e.mutex);
    e.handler = std::move(handler);
    e.mainThread = pthread_self();
    e.changed.notify_all();
    // Qt's display plug-in calls exit() when its connection breaks; what runs at exit runs then.
    if (e.handler && !e.atExitSet) {
        e.atExitSet = true;
        std::atexit([] { runToolkitEnd(); });
    }
}

bool toolkitEnding()
{
    ToolkitEnd& e = toolkitEnd();
    const std::lock_guard lock(e.mutex);
    return e.stage != ToolkitEnd::Stage::Waiting;
}

} // namespace platform
