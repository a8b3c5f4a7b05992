// The pages of the text window: the header an event begins with, where a script's lines fall on
// pages of five, and where the player pauses with the prompt. The event player and the story
// checker both count with it.
#pragma once

#include "story/script.h"

namespace script {

using platform::Text;
using platform::TextView;
using story::LineKind;

// The header an event's text begins with, before the star bar.
constexpr TextView HeaderStart = u"Quillet > ";

// One "★" for each full 10 points, then one "☆" for each point left.
Text starBar(long point);

// The counter as an event begins: the header and the empty line under it are on the page.
constexpr int PageCounterAtStart = 3;
// The counter of a full page.
constexpr int PageCounterFull = 5;

// The prompt shown at the end of a page that waits for a click, and at the end of a script.
constexpr TextView PagePrompt = u"　　▼";

struct PageStep
{
    int counter; // the counter after the line
    bool newPage; // a text line that begins a new page: the window is cleared for it
    bool full; // the page is full: the player pauses with the prompt (unless reading fast)
};

// What a line of `kind` does to the counter: a text line moves it on, 1 to 5 and round again
// (1 begins a new page); a page break fills the page; a picture line sets it to 4, so the next
// text line is the fifth of the page whatever the page already holds. Branch and end lines
// leave it, since the script ends there. A picture line never pauses by itself.
PageStep nextPage(int counter, LineKind kind);

} // namespace script
