// Marker lines written nearly right: the marker line an author most likely meant.
#pragma once

#include "story/script.h"

#include <optional>

namespace check {

struct MeantMarker
{
    platform::Text line; // the line as it would be a marker: ">hantei", ">img>sea"
    story::LineKind kind;
};

// The marker line meant by `line` when it is written close to one: the marker's word one letter
// off (two for "hantei"), or in capitals (">hantai", ">ing>sea", ">End"), or with its ">" missing
// or doubled ("hantei", ">>ive"). Nothing for a line written as a marker, and for text.
std::optional<MeantMarker> meantMarker(platform::TextView line);

// "did you mean `>hantei`?"
std::string didYouMean(const MeantMarker& meant);

} // namespace check
