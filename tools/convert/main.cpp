// pelirra-convert SRC DEST: an author's folder of UTF-8 texts, pictures and music made into a
// story folder, then checked. It needs no display: Qt reads pictures and measures lines in the
// game's face the way the game does, on its offscreen platform.
#include "convert/convert.h"

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
    return convert::runCommand(
        std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
