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

Text replay(TextView replayText)
{
    Text said;
    const auto add = [&said](TextView line) {
        constexpr TextView open = replay::HeadingOpen, close = replay::HeadingClose;
        Text words;
        if (line.substr(0, open.size()) == open && line.size() >= open.size() + close.size()
            && line.substr(line.size() - close.size()) == close)
            words = u"過去見 "
                + Text(line.substr(open.size(), line.size() - open.size() - close.size()));
        else if (line == replay::EndingLine)
            words = u"エンディング";
        else
            words = line;
        if (story::isBlank(words))
            return;
        if (!said.empty())
            said += u'\n';
        said += words;
    };
    size_t start = 0;
    while (said.size() < MaxReplayChars) {
        const size_t end = replayText.find(u"\r\n", start);
        add(replayText.substr(start, end == TextView::npos ? TextView::npos : end - start));
        if (end == TextView::npos)
            break;
        start = end + 2;
    }
    return said;
}

Text replayClosed()
{
    return u"過去見を閉じました";
}

} // namespace spoken
