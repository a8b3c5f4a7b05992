#include "story/script.h"

#include <algorithm>

namespace story {

TextView markerText(LineKind kind)
{
    for (const Marker& marker : Markers) {
        if (marker.kind == kind)
            return marker.text;
    }
    return {};
}

bool hasMarker(TextView line, TextView marker)
{
    return platform::InStr(line, marker) >= 2;
}

LineKind classify(TextView line)
{
    for (const Marker& marker : Markers) {
        if (hasMarker(line, marker.text))
            return marker.kind;
    }
    return LineKind::Text;
}

Text pictureName(TextView line)
{
    return platform::Mid(line, 6);
}

bool isBlank(TextView line)
{
    return std::all_of(
        line.begin(), line.end(), [](char16_t c) { return c == u' ' || c == u'\t' || c == u'　'; });
}

} // namespace story
