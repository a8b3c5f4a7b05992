#include "event/script.h"

namespace script {

bool hasMarker(TextView line, TextView marker)
{
    return platform::InStr(line, marker) >= 2;
}

LineKind classify(TextView line)
{
    if (hasMarker(line, u"hantei"))
        return LineKind::Hantei;
    if (hasMarker(line, u"ive"))
        return LineKind::Ive;
    if (hasMarker(line, u"img"))
        return LineKind::Img;
    if (hasMarker(line, u"end"))
        return LineKind::End;
    if (hasMarker(line, u"p"))
        return LineKind::PageBreak;
    return LineKind::Text;
}

Text pictureName(TextView line)
{
    return platform::Mid(line, 6);
}

Text eventName(TextView route, std::optional<long> number, TextView ending)
{
    return Text(route) + (number ? platform::Str(*number) : Text()) + Text(ending);
}

std::optional<EventParts> splitEventName(TextView name)
{
    const Text routes[] = { u"", routeFor(0), routeFor(32767) };
    const Text endings[] = { endingFor(0), endingFor(32767) };
    for (const Text& route : routes) {
        if (!name.starts_with(route))
            continue;
        const TextView rest = name.substr(route.size());
        for (const Text& ending : endings) {
            if (rest == ending)
                return EventParts { route, std::nullopt, ending };
        }
        // A number as the game writes it: digits, no sign, no leading zero.
        if (rest.empty() || rest.size() > 9 || (rest[0] == u'0' && rest.size() > 1))
            continue;
        long number = 0;
        bool digits = true;
        for (char16_t c : rest) {
            digits = digits && c >= u'0' && c <= u'9';
            number = number * 10 + (c - u'0');
        }
        if (digits)
            return EventParts { route, number, u"" };
    }
    return std::nullopt;
}

Text starBar(long point)
{
    Text bar;
    for (long i = 1; i <= point / 10; ++i)
        bar += u"★";
    for (long i = 1; i <= point % 10; ++i)
        bar += u"☆";
    return bar;
}

Text routeFor(long point)
{
    return point <= 15 ? u"a" : u"b";
}

Text endingFor(long point)
{
    return point >= 30 ? u"g" : u"b";
}

} // namespace script
