#include "platform/system.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

System::System()
    : mci(makeDefaultMci())
    , programFolder(QCoreApplication::applicationDirPath().toStdU16String())
{
    showError = [](const Text& message) {
        std::fprintf(stderr, "pelirra: %s\n", toUtf8(message).c_str());
        // Without a screen nobody could press the box's button: the message above is the report.
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            QMessageBox::critical(
                nullptr, QStringLiteral("Pelirra"), QString::fromStdU16String(message));
    };
    exitProgram = [](int code) { QCoreApplication::exit(code); };
}

System::~System() = default;

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
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier
        = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(
        notifier, &QSocketNotifier::activated, notifier, [handler = std::move(handler)] {
            char byte;
            [[maybe_unused]] const auto n = ::read(signalPipe[0], &byte, 1);
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
