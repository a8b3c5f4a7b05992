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

} // namespace spoken
