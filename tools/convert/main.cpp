// pelirra-convert SRC DEST: an author's folder of UTF-8 texts, pictures and music made into a
// story folder, then checked. It needs no display: Qt reads pictures and measures lines in the
// game's face the way the game does, on its offscreen platform.
#include "convert/convert.h"

#include "platform/tool_session.h"

#include <iostream>

int main(int argc, char** argv)
{
    const platform::ToolSession session(argc, argv);
    return convert::runCommand(
        std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
