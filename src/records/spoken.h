// What a player hears of the past records: the list as it opens, each entry as the player moves
// through it, and a replay read out like the lines of a live event.
#pragma once

#include "platform/text.h"

namespace spoken {

using platform::Text;
using platform::TextView;

// The list has been shown.
Text listShown(int count);

// An entry of the list: the event's name, and a word for an empty entry.
Text entry(TextView name);

// The text of the replay box read out: the heading "●　過去見　「N」　●" as "過去見 N", the
// lines of the script in order, "●　Ending" as "エンディング"; empty lines say nothing. Only
// the first MaxReplayChars characters or so are read out (a replay may hold a million).
Text replay(TextView replayText);
constexpr size_t MaxReplayChars = 4000;

// The replay has been closed.
Text replayClosed();

} // namespace spoken
