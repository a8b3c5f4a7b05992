#include "event/spoken.h"

#include "story/script.h"

namespace spoken {

Text heading(long point)
{
    const long tens = point / 10, ones = point % 10;
    if (tens <= 0 && ones <= 0)
        return u"Quillet、星なし";
    Text said = u"Quillet";
    if (tens > 0)
        said += u"、黒い星 " + platform::Str(tens) + u"つ";
    if (ones > 0)
        said += u"、白い星 " + platform::Str(ones) + u"つ";
    return said;
}

Text storyLine(TextView line)
{
    return story::isBlank(line) ? Text() : Text(line);
}

} // namespace spoken
