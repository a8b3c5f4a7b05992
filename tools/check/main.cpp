// pelirra-check DATA_FOLDER: the story authors' checker. It needs no display: Qt is only used to
// read pictures the way the game does.
#include "check/checker.h"

#include <QCoreApplication>

#include <iostream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return check::runCommand(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
