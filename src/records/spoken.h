// What a player hears of the past records: the list as it opens, each entry as the player moves
// through it, and a replay read out like the lines of a live event.
#pragma once

#include "records/replay_rules.h"

namespace spoken {

using platform::Text;
using platform::TextView;

// The list has been shown.
Text listShown(int count);

// An entry of the list: the event's name, and a word for an empty entry.
Text entry(TextView name);

// A replay read out as it is built: the heading "過去見 N" for the event N, then each line the
// replay shows (the script's text, "エンディング" for its end line, the replay's own notes) in
// order; empty lines say nothing. Only the first MaxReplayChars characters or so are read out (a
// replay may hold a million).
Text replayHeading(TextView name);
void addReplayLine(Text& said, replay::Effect effect, TextView line);
constexpr size_t MaxReplayChars = 4000;

// The replay has been closed.
Text replayClosed();

} // namespace spoken
