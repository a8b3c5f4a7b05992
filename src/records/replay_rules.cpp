#include "records/replay_rules.h"

#include "story/script.h"

namespace replay {

Effect classify(TextView line)
{
    using story::LineKind;
    const auto has
        = [line](LineKind kind) { return story::hasMarker(line, story::markerText(kind)); };
    if (has(LineKind::Hantei) || has(LineKind::Ive))
        return Effect::Drop;
    if (has(LineKind::Img))
        return Effect::Picture;
    if (story::hasMarker(line, story::EmptyLineMarker))
        return Effect::EmptyLine;
    if (has(LineKind::PageBreak))
        return Effect::Drop;
    if (has(LineKind::End))
        return Effect::Ending;
    return Effect::Text;
}

Text heading(TextView name)
{
    return Text(HeadingOpen) + Text(name) + Text(HeadingClose) + u"\r\n";
}

Text addition(Effect effect, TextView line)
{
    switch (effect) {
    case Effect::EmptyLine:
        return u"\r\n";
    case Effect::Ending:
        return u"\r\n" + Text(EndingLine);
    case Effect::Text:
        return u"\r\n" + Text(line);
    case Effect::Drop:
    case Effect::Picture:
        break;
    }
    return {};
}

} // namespace replay
