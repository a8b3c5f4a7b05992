// What a player hears in a crafting turn: that it has begun, each choice with how many are made,
// each verdict with its meaning in words, and that the board then waits.
#pragma once

#include "craft/judgement.h"

namespace spoken {

using platform::Text;
using platform::TextView;

// The heading of the turn (the caption of the heading label, without its "▼").
Text turnBegins();

// A choice put on the board: its caption and how many of the five are made.
Text chosen(TextView caption, int count);

// A verdict as it is marked: the caption, then its meaning ("良い", "クリティカル", "悪い",
// "どちらでもない").
Text verdict(judgement::Outcome outcome, TextView caption);

// The board's last item, said once the judgement has ended.
Text boardWaits();

} // namespace spoken
