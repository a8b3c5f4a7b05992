// The rules of event scripts, apart from any widget: which line is a marker, the name of the
// next event, the star bar of the header.
#pragma once

#include "platform/text.h"

#include <optional>

namespace script {

using platform::Text;
using platform::TextView;

// True when `marker` occurs in `line` and its first occurrence starts at character 2 or later:
// a line that begins with the marker's text is not a marker line for it.
bool hasMarker(TextView line, TextView marker);

enum class LineKind {
    Text, // shown as the next line of the text window
    Hantei, // route branch by the score
    Ive, // ending branch by the score
    Img, // picture: the name follows from character 6
    End, // end of the play-through
    PageBreak, // the page is complete
};

// The player's reading of a line: "hantei", "ive", "img", "end", "p", tested in that order.
LineKind classify(TextView line);

// The picture name of a picture line: the text from character 6 on (">img>" is dropped,
// whatever its characters). A line too short to hold a name gives the empty name.
Text pictureName(TextView line);

// Route letter + event number (nothing when empty) + ending letter.
Text eventName(TextView route, std::optional<long> number, TextView ending);

// The route letter, event number and ending letter that form an event's name ("a2": route "a",
// number 2; "bg": route "b", ending "g"; "g": ending "g"), or nothing for a name the game never
// forms.
struct EventParts
{
    Text route;
    std::optional<long> number;
    Text ending;
};
std::optional<EventParts> splitEventName(TextView name);

// One "★" for each full 10 points, then one "☆" for each point left.
Text starBar(long point);

// The route and ending letters the score chooses.
Text routeFor(long point);
Text endingFor(long point);

} // namespace script
