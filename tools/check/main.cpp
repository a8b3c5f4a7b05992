// pelirra-check DATA_FOLDER: the story authors' checker. It needs no display: Qt reads pictures
// and measures lines in the game's face the way the game does, on its offscreen platform.
#include "check/checker.h"

#include "platform/tool_session.h"

#include <iostream>

int main(int argc, char** argv)
{
    const platform::ToolSession session(argc, argv);
    return check::runCommand(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
