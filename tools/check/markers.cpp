#include "check/markers.h"

#include <algorithm>
#include <array>
#include <vector>

namespace check {

using platform::Text;
using platform::TextView;
using script::LineKind;

namespace {

struct Marker
{
    TextView word;
    LineKind kind;
    int slack; // how many letters may be off
};

constexpr std::array<Marker, 6> Markers { {
    { u"hantei", LineKind::Hantei, 2 },
    { u"ive", LineKind::Ive, 1 },
    { u"img", LineKind::Img, 1 },
    { u"end", LineKind::End, 1 },
    { u"pp", LineKind::PageBreak, 1 },
    { u"p", LineKind::PageBreak, 1 },
} };

// Letters to change, add, drop or swap with their neighbour to make `a` into `b`.
int distance(TextView a, TextView b)
{
    const size_t n = a.size();
    const size_t m = b.size();
    std::vector<std::vector<int>> d(n + 1, std::vector<int>(m + 1));
    for (size_t i = 0; i <= n; ++i)
        d[i][0] = static_cast<int>(i);
    for (size_t j = 0; j <= m; ++j)
        d[0][j] = static_cast<int>(j);
    for (size_t i = 1; i <= n; ++i) {
        for (size_t j = 1; j <= m; ++j) {
            d[i][j] = std::min({ d[i - 1][j] + 1, d[i][j - 1] + 1,
                d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1) });
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[n][m];
}

bool isAsciiLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool blank(TextView s)
{
    return std::all_of(
        s.begin(), s.end(), [](char16_t c) { return c == u' ' || c == u'\t' || c == u'　'; });
}

} // namespace

std::optional<MeantMarker> meantMarker(TextView line)
{
    const size_t arrows = std::min(line.find_first_not_of(u'>'), line.size());
    const TextView body = line.substr(arrows);
    const size_t letters = static_cast<size_t>(
        std::find_if_not(body.begin(), body.end(), isAsciiLetter) - body.begin());
    if (letters == 0 || letters > 8)
        return std::nullopt;
    const TextView word = body.substr(0, letters);
    const TextView rest = body.substr(letters);
    Text lower(word);
    for (char16_t& c : lower)
        c = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;

    const Marker* best = nullptr;
    int bestDistance = 0;
    for (const Marker& marker : Markers) {
        // A picture line goes on with ">NAME"; the other markers stand alone.
        if (marker.kind == LineKind::Img ? !rest.starts_with(u'>') : !blank(rest))
            continue;
        const int d = distance(lower, marker.word);
        const bool close = arrows == 0 ? word == marker.word // only the ">" is missing
                                       : d <= marker.slack;
        if (close && (!best || d < bestDistance)) {
            best = &marker;
            bestDistance = d;
        }
    }
    // Written as the marker it is.
    if (!best || (arrows == 1 && word == best->word))
        return std::nullopt;
    Text meant = u">" + Text(best->word);
    if (best->kind == LineKind::Img)
        meant += rest;
    return MeantMarker { meant, best->kind };
}

std::string didYouMean(const MeantMarker& meant)
{
    return "did you mean `" + platform::toUtf8(meant.line) + "`?";
}

} // namespace check
