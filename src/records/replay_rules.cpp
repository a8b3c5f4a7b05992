#include "records/replay_rules.h"

#include "event/script.h"

namespace replay {

Effect classify(TextView line)
{
    using script::hasMarker;
    if (hasMarker(line, u"hantei") || hasMarker(line, u"ive"))
        return Effect::Drop;
    if (hasMarker(line, u"img"))
        return Effect::Picture;
    if (hasMarker(line, u"pp"))
        return Effect::EmptyLine;
    if (hasMarker(line, u"p"))
        return Effect::Drop;
    if (hasMarker(line, u"end"))
        return Effect::Ending;
    return Effect::Text;
}

Text heading(TextView name)
{
    return u"●　過去見　「" + Text(name) + u"」　●\r\n";
}

Text addition(Effect effect, TextView line)
{
    switch (effect) {
    case Effect::EmptyLine:
        return u"\r\n";
    case Effect::Ending:
        return u"\r\n●　Ending";
    case Effect::Text:
        return u"\r\n" + Text(line);
    case Effect::Drop:
    case Effect::Picture:
        break;
    }
    return {};
}

} // namespace replay
