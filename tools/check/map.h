// The story's map: every event, the way from each to the next, each branch with the scores that
// take each side, drawn by Graphviz as an SVG file.
#pragma once

#include "check/checker.h"

#include <filesystem>
#include <string>

namespace check {

// Draws the map of the checked story in `dir` into the SVG file `svg`. False, with the reason in
// `why`, when it cannot be drawn or written.
bool drawMap(const Result& result, const std::filesystem::path& dir, const std::string& svg,
    std::string& why);

} // namespace check
