#include "craft/spoken.h"

namespace spoken {

namespace {
Text meaning(judgement::Outcome outcome)
{
    switch (outcome) {
    case judgement::Outcome::Good:
        return u"良い";
    case judgement::Outcome::Critical:
        return u"クリティカル";
    case judgement::Outcome::Bad:
        return u"悪い";
    case judgement::Outcome::None:
        break;
    }
    return u"どちらでもない";
}

bool startsWith(TextView s, TextView head)
{
    return s.substr(0, head.size()) == head;
}
} // namespace

Text turnBegins()
{
    return u"ものを作ります。ものにこめる想いを選んでね";
}

Text chosen(TextView caption, int count)
{
    Text said = Text(caption) + u"、" + platform::Str(count) + u"つめ";
    if (count >= judgement::ChoicesPerTurn)
        said += u"。判定します";
    return said;
}

Text verdict(judgement::Outcome outcome, TextView caption)
{
    return Text(caption) + u"、" + meaning(outcome);
}

Text boardWaits()
{
    return u"判定が終わりました。ここをクリックして下さい";
}

Text boardItem(TextView item)
{
    // The marks of judgement::mark, read back.
    constexpr TextView critical = u"　クリティカル！";
    if (item == judgement::Prompt)
        return boardWaits();
    if (startsWith(item, u"●　") && item.size() >= 2 + critical.size()
        && item.substr(item.size() - critical.size()) == critical)
        return verdict(
            judgement::Outcome::Critical, item.substr(2, item.size() - 2 - critical.size()));
    if (startsWith(item, u"○　"))
        return verdict(judgement::Outcome::Good, item.substr(2));
    if (startsWith(item, u"×　"))
        return verdict(judgement::Outcome::Bad, item.substr(2));
    if (startsWith(item, u"　　"))
        return verdict(judgement::Outcome::None, item.substr(2));
    return Text(item);
}

} // namespace spoken
