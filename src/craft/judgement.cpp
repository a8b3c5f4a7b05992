#include "craft/judgement.h"

#include <algorithm>

namespace judgement {

bool occursIn(TextView caption, TextView keyLine)
{
    return !keyLine.empty() && keyLine.find(caption) != TextView::npos;
}

Outcome judge(TextView caption, const std::array<Text, 3>& keys)
{
    if (occursIn(caption, keys[0]))
        return Outcome::Good;
    if (occursIn(caption, keys[1]))
        return Outcome::Critical;
    if (occursIn(caption, keys[2]))
        return Outcome::Bad;
    return Outcome::None;
}

Mark markOf(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Good:
        return { u"○　", u"" };
    case Outcome::Critical:
        return { u"●　", u"　クリティカル！" };
    case Outcome::Bad:
        return { u"×　", u"" };
    case Outcome::None:
        break;
    }
    return { u"　　", u"" };
}

Text mark(Outcome outcome, TextView caption)
{
    const Mark m = markOf(outcome);
    return Text(m.before) + Text(caption) + Text(m.after);
}

long scoreChange(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Good:
        return 1;
    case Outcome::Critical:
        return 5;
    case Outcome::Bad:
        return -3;
    case Outcome::None:
        break;
    }
    return 0;
}

long scoreAfter(long point, Outcome outcome)
{
    return std::clamp(point + scoreChange(outcome), 0L, MaxScore);
}

} // namespace judgement
