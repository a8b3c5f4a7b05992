#include "platform/system.h"

#include "platform/process.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QSocketNotifier>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {
namespace {

// Folder names are taken as the bytes they are: they need not be UTF-8.
Text defaultUserDataFolder()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/')
        return pathFromNative(data);
    std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    if (!home.starts_with('/')) {
        const passwd* pw = ::getpwuid(::getuid());
        home = pw && pw->pw_dir ? pw->pw_dir : "";
    }
    if (!home.starts_with('/'))
        return {};
    if (home.ends_with('/'))
        home.pop_back();
    return pathFromNative(home + "/.local/share");
}

Text runningProgramFolder()
{
    std::string exe(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", exe.data(), exe.size());
    if (n <= 0 || static_cast<size_t>(n) >= exe.size())
        return QCoreApplication::applicationDirPath().toStdU16String();
    exe.resize(static_cast<size_t>(n));
    exe.resize(std::max<size_t>(exe.find_last_of('/'), 1));
    return pathFromNative(exe);
}

} // namespace

namespace {
// The error report on screen, while it is open.
QPointer<QMessageBox> openReport;
// The system has asked the program to end (a logout, a shutdown): nobody is there to close a
// report, so none is opened; it is on standard error.
bool endRequested = false;
} // namespace

System::System()
    : mci(makeDefaultMci())
    , programFolder(runningProgramFolder())
    , userDataFolder(defaultUserDataFolder())
{
    showError = [](const Text& message) {
        writeStandardError("pelirra: " + toUtf8(message) + "\n");
        // Without a screen nobody could press the box's button, and with the display gone there is
        // none: the message above is the report.
        if (QGuiApplication::platformName() == QLatin1String("offscreen") || toolkitEnding()
            || endRequested)
            return;
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Pelirra"),
            QString::fromStdU16String(message), QMessageBox::Ok);
        openReport = &box;
        box.exec();
    };
    exitProgram = [](int code) { QCoreApplication::exit(code); };
}

System::~System()
{
    onToolkitEnd({});
}

namespace {
int signalPipe[2] = { -1, -1 };

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &byte, 1);
}
} // namespace

void System::onTerminationRequest(std::function<void()> handler)
{
    onToolkitEnd(handler);
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier
        = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(
        notifier, &QSocketNotifier::activated, notifier, [handler = std::move(handler)] {
            char byte;
            [[maybe_unused]] const auto n = ::read(signalPipe[0], &byte, 1);
            // The error report is already on standard error: closing it ends the program.
            if (openReport) {
                openReport->reject();
                return;
            }
            endRequested = true;
            handler();
        });
    struct sigaction sa
    {
    };
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : { SIGTERM, SIGINT, SIGHUP })
        ::sigaction(sig, &sa, nullptr);
}

void System::end(int code)
{
    if (ended_)
        return;
    ended_ = true;
    exitCode_ = code;
    dispatcher.markEnded();
    files.CloseAll();
    if (exitProgram)
        exitProgram(code);
}

} // namespace platform
