// Pelirra: creates the application and the window, runs the event loop.
#include "platform/fonts.h"
#include "platform/process.h"
#include "shell/command_line.h"
#include "shell/fom.h"

#include <QApplication>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <ctime>

int main(int argc, char** argv)
{
    platform::prepareProcess(); // standard descriptors, broken pipes, the libraries' messages
    // The command line is the game's own (Qt's options are not taken): read before the display.
    const CommandLine command = readCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (const std::optional<int> status = finishCommandLine(command))
        return *status;
    platform::lookUpUiFontAhead();
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelirra"));
    QApplication::setQuitOnLastWindowClosed(false); // the close step itself ends the program

    platform::System system;
    Fom fom(system);
    fom.setStart(command.start);
    // V turns the game's own voice on and off; --self-voicing turns it on for this run.
    fom.speech.start(command.selfVoicing);
    system.onTerminationRequest([&fom] { fom.Me.close(); });
    // For the start-up benchmark: print the wall-clock time at which the first event's header is
    // on screen, then leave at once (nothing is saved).
    if (qEnvironmentVariableIsSet("PELIRRA_REPORT_FIRST_TEXT")) {
        fom.Lbl.onPainted([&fom] {
            if (!fom.showsEventHeader())
                return;
            timespec now {};
            clock_gettime(CLOCK_REALTIME, &now);
            std::printf("first-text %lld\n",
                static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
            std::fflush(stdout);
            std::_Exit(0);
        });
    } else if (const QString ready = qEnvironmentVariable("PELIRRA_READY_FILE"); !ready.isEmpty()) {
        // For the tests that run the real program: the file is created when a page first waits
        // on screen (its prompt painted: the page is full, or the script read to its end), so a
        // test closes the game as soon as it has got going instead of after a fixed delay.
        fom.Lbl.onPainted([&fom, ready] {
            if (fom.showsPagePrompt() && !QFile::exists(ready))
                QFile(ready).open(QIODevice::WriteOnly);
        });
    }
    fom.load();
    if (system.ended())
        return system.exitCode();
    fom.Me.Show();
    if (system.ended())
        return system.exitCode();
    return QApplication::exec();
}
