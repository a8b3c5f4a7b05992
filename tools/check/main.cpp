// pelirra-check DATA_FOLDER: the story authors' checker. It needs no display: Qt reads pictures
// and measures lines in the game's face the way the game does, on its offscreen platform.
#include "check/checker.h"

#include <QGuiApplication>

#include <iostream>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own notes (a missing runtime folder, a font substituted) are no concern of an author's.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::cerr << message.toStdString() << '\n';
    });
    QGuiApplication app(argc, argv);
    return check::runCommand(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
