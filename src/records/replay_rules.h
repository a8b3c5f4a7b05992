// How a past event's script reads as plain text when it is replayed.
#pragma once

#include "platform/text.h"

namespace replay {

using platform::Text;
using platform::TextView;

enum class Effect {
    Drop, // a branch line or a single page break: nothing is shown
    Picture, // shows the picture named from character 6 on
    EmptyLine, // a double page break ("pp"): an empty line
    Ending, // an end line: "●　Ending"
    Text, // shown as it is
};

// The replay's reading of a line: "hantei", "ive", "img", "pp", "p", "end", tested in that order
// (so, unlike in play, a line with both "p" and "end" and no "pp" is dropped).
Effect classify(TextView line);

// The first line of a replay of the event `name`, with its line break: HeadingOpen, the name,
// HeadingClose.
Text heading(TextView name);
constexpr TextView HeadingOpen = u"●　過去見　「";
constexpr TextView HeadingClose = u"」　●";
// What an "end" line shows, on a line of its own.
constexpr TextView EndingLine = u"●　Ending";

// What a line adds to the replay text: a line break and the line, "●　Ending", or nothing.
Text addition(Effect effect, TextView line);

// A replay reads at most MaxLines lines of a script and stops once its text holds MaxChars
// characters, ending with the line CutShort: a longer script is no story, and reading it all within
// one click would freeze the game and fill its memory.
constexpr int MaxLines = 100'000;
constexpr size_t MaxChars = 1 << 20;
constexpr TextView CutShort = u"（この記録の台本は長すぎるため、ここまでしか読み返せません）";

} // namespace replay
