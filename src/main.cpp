// Pelirra: creates the application and the window, runs the event loop.
#include "shell/fom.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelirra"));
    QApplication::setQuitOnLastWindowClosed(false); // the close step itself ends the program

    platform::System system;
    Fom fom(system);
    system.onTerminationRequest([&fom] { fom.Me.close(); });
    fom.load();
    if (system.ended())
        return system.exitCode();
    fom.Me.Show();
    if (system.ended())
        return system.exitCode();
    return QApplication::exec();
}
