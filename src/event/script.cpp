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

Text starBar(long point)
{
    Text bar;
    for (long i = 1; i <= point / 10; ++i)
        bar += u"★";
    for (long i = 1; i <= point % 10; ++i)
        bar += u"☆";
    return bar;
}

bool isUnlisted(TextView name)
{
    return name == u"4" || name == u"b3" || name == u"a3";
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
