#include "check/markers.h"

#include <algorithm>
#include <vector>

namespace check {

using platform::Text;
using platform::TextView;
using story::LineKind;

namespace {

struct Marker
{
    TextView word;
    LineKind kind;
    int slack; // how many letters may be off
};

// The game's markers, and the double page break the replay shows as an empty line, each with the
// letters it may be off by (two for the long "hantei").
std::vector<Marker> markers()
{
    std::vector<Marker> out;
    for (const story::Marker& marker : story::Markers) {
        if (marker.kind == LineKind::PageBreak)
            out.push_back({ story::EmptyLineMarker, marker.kind, 1 });
        out.push_back({ marker.text, marker.kind, marker.text.size() > 3 ? 2 : 1 });
    }
    return out;
}

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

    static const std::vector<Marker> Markers = markers();
    const Marker* best = nullptr;
    int bestDistance = 0;
    for (const Marker& marker : Markers) {
        // A picture line goes on with ">NAME"; the other markers stand alone.
        if (marker.kind == LineKind::Img ? !rest.starts_with(u'>') : !story::isBlank(rest))
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
