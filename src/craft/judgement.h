// How one chosen feeling is judged against the three key lines of a crafting turn.
#pragma once

#include "platform/text.h"

#include <array>
#include <optional>

namespace judgement {

using platform::Text;
using platform::TextView;

enum class Outcome { Good, Critical, Bad, None };

// A caption occurs in a key line when it is found anywhere in it, character for character. An
// empty key line holds no caption; an empty caption occurs in every non-empty line.
bool occursIn(TextView caption, TextView keyLine);

// Line 1 holds the good feelings, line 2 the critical ones, line 3 the bad ones; the first line
// that holds the caption decides.
Outcome judge(TextView caption, const std::array<Text, 3>& keys);

// The board item for a judged caption: the outcome's mark before the caption, and for a critical
// one a word after it.
struct Mark
{
    TextView before;
    TextView after;
};
Mark markOf(Outcome outcome);
Text mark(Outcome outcome, TextView caption);

// The most the score holds: a 16-bit number.
constexpr long MaxScore = 32767;

// What one judged item does to the score: +1, +5, -3 or nothing.
long scoreChange(Outcome outcome);

// The score after one judged item: changed by scoreChange, never below 0 and never above
// MaxScore (a score at the top stays there, so a long or generous story never overflows it).
long scoreAfter(long point, Outcome outcome);

// The item appended after the last judged one.
inline constexpr char16_t Prompt[] = u"ここをクリックして下さい▼";

// Choices in one crafting turn.
constexpr int ChoicesPerTurn = 5;

} // namespace judgement
