// pelirra-convert [--strict] [--quiet] SRC DEST: an author's folder of UTF-8 texts, pictures and
// music made into a story folder, then checked. It needs no display: Qt is only used to read
// pictures the way the game does.
#include "convert/convert.h"

#include <QCoreApplication>

#include <iostream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return convert::runCommand(
        std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
