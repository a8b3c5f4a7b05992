// What a player hears while an event is read: the heading at the event's start, each line as it
// appears, the page prompt as a short cue. The screen's symbols (the star bar, the prompt's "▼")
// become words.
#pragma once

#include "platform/text.h"

namespace spoken {

using platform::Text;
using platform::TextView;

// The heading "Quillet > ★★☆☆☆" read out: "Quillet、黒い星 2つ、白い星 3つ" (a filled star counts
// ten points, a hollow one counts one), or "Quillet、星なし" at no points.
Text heading(long point);

// A line of the story as it appears; a line of nothing but spaces says nothing.
Text storyLine(TextView line);

// The cue for the prompt "　　▼" when a page or the event waits for the player: said instead
// of the symbol.
inline constexpr char16_t Prompt[] = u"続く";

} // namespace spoken
