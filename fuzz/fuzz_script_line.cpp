// The script grammar and the replay filter on every line of any script: each line gets exactly
// one reading, the one its first marker gives; the picture name is the line from character 6
// on; the replay adds the line itself, an empty line, the ending mark or nothing.
#include "fuzz_support.h"

#include "platform/cp932.h"
#include "records/replay_rules.h"
#include "story/script.h"

#include <cstdio>

using platform::Text;
using platform::TextView;
using story::LineKind;

namespace {

void checkLine(TextView line)
{
    const auto has = [&](TextView marker) { return story::hasMarker(line, marker); };
    const LineKind kind = story::classify(line);
    LineKind expected = LineKind::Text;
    if (has(u"hantei"))
        expected = LineKind::Hantei;
    else if (has(u"ive"))
        expected = LineKind::Ive;
    else if (has(u"img"))
        expected = LineKind::Img;
    else if (has(u"end"))
        expected = LineKind::End;
    else if (has(u"p"))
        expected = LineKind::PageBreak;
    FUZZ_CHECK(kind == expected);

    const Text name = story::pictureName(line);
    FUZZ_CHECK(name.size() == (line.size() > 5 ? line.size() - 5 : 0));
    FUZZ_CHECK(line.ends_with(name));

    const replay::Effect effect = replay::classify(line);
    const Text added = replay::addition(effect, line);
    switch (effect) {
    case replay::Effect::Text:
        FUZZ_CHECK(kind == LineKind::Text && added == u"\r\n" + Text(line));
        break;
    case replay::Effect::Picture:
        FUZZ_CHECK(kind == LineKind::Img && added.empty());
        break;
    case replay::Effect::EmptyLine:
        FUZZ_CHECK(has(u"pp") && added == u"\r\n");
        break;
    case replay::Effect::Ending:
        FUZZ_CHECK(kind == LineKind::End && added == u"\r\n●　Ending");
        break;
    case replay::Effect::Drop:
        FUZZ_CHECK(added.empty() && kind != LineKind::Text && kind != LineKind::Img);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Text text
        = platform::cp932::decode(std::string_view(reinterpret_cast<const char*>(data), size));
    // Every line of the input, as the line reader cuts them (CR, then a LF dropped).
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(u'\r', start);
        if (end == Text::npos)
            end = text.size();
        checkLine(TextView(text).substr(start, end - start));
        start = end + 1;
        if (start < text.size() && text[start] == u'\n')
            ++start;
    }
    return 0;
}
