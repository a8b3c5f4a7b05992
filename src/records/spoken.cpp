#include "records/spoken.h"

#include "records/replay_rules.h"
#include "story/script.h"

namespace spoken {

Text listShown(int count)
{
    if (count == 0)
        return u"過去見、記録はありません";
    return u"過去見、記録 " + platform::Str(count) + u"件";
}

Text entry(TextView name)
{
    return name.empty() ? Text(u"空の記録") : Text(name);
}

Text replayHeading(TextView name)
{
    return u"過去見 " + Text(name);
}

void addReplayLine(Text& said, replay::Effect effect, TextView line)
{
    if (said.size() >= MaxReplayChars)
        return;
    TextView words;
    if (effect == replay::Effect::Text)
        words = line;
    else if (effect == replay::Effect::Ending)
        words = u"エンディング";
    if (words.find_first_not_of(u" 　\t") == TextView::npos)
        return;
    if (!said.empty())
        said += u'\n';
    said += words;
}

Text replayClosed()
{
    return u"過去見を閉じました";
}

} // namespace spoken
