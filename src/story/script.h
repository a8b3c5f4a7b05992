// The line grammar of event scripts: which line is a marker line, and for which marker. The event
// player, the replay, the story checker and the tests that read a story all read lines with it.
#pragma once

#include "platform/text.h"

#include <array>

namespace story {

using platform::Text;
using platform::TextView;

enum class LineKind {
    Text, // shown as the next line of the text window
    Hantei, // route branch by the score
    Ive, // ending branch by the score
    Img, // picture: the name follows from character 6
    End, // end of the play-through
    PageBreak, // the page is complete
};

// The markers, in the order the event player tests them: the first that a line holds decides.
struct Marker
{
    LineKind kind;
    TextView text;
};
constexpr std::array<Marker, 5> Markers { {
    { LineKind::Hantei, u"hantei" },
    { LineKind::Ive, u"ive" },
    { LineKind::Img, u"img" },
    { LineKind::End, u"end" },
    { LineKind::PageBreak, u"p" },
} };
// The replay knows one marker more, tested after "img": an empty line. For the player it is a
// page break (it holds "p").
constexpr TextView EmptyLineMarker = u"pp";

// The text of the marker of `kind`; empty for a text line.
TextView markerText(LineKind kind);

// True when `marker` occurs in `line` and its first occurrence starts at character 2 or later:
// a line that begins with the marker's text is not a marker line for it.
bool hasMarker(TextView line, TextView marker);

// The player's reading of a line: the first of Markers that it holds, else text.
LineKind classify(TextView line);

// The picture name of a picture line: the text from character 6 on (">img>" is dropped,
// whatever its characters). A line too short to hold a name gives the empty name.
Text pictureName(TextView line);

// True when the line shows nothing: it holds only spaces (half- or full-width) and tabs, or
// nothing at all.
bool isBlank(TextView line);

} // namespace story
