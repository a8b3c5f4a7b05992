// Prints the markers of event scripts as an extended regular expression of alternatives
// ("hantei|ive|..."), for the scripts that read a story's text lines as the game does.
#include "platform/text.h"
#include "story/script.h"

#include <cstdio>

int main()
{
    std::string alternatives;
    for (const story::Marker& marker : story::Markers)
        alternatives += (alternatives.empty() ? "" : "|") + platform::toUtf8(marker.text);
    std::printf("%s\n", alternatives.c_str());
}
