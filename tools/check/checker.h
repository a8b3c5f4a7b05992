// pelirra-check: checks a data folder for what a player would hit, and works out the scores
// that lead to each route and ending.
#pragma once

#include "check/report.h"
#include "check/scores.h"

#include <filesystem>
#include <ostream>

namespace check {

struct Result
{
    Report report;
    Story story;
    std::vector<Text> captions;
    Scores scores;
};

// Checks the data folder `dir`; the summary of the report tells what it holds and its scores.
Result checkFolder(const std::filesystem::path& dir);

// The command: "pelirra-check [--strict] DATA_FOLDER". Prints the findings and the summary to
// `out` and returns the exit status: 0 when the folder plays (warnings allowed, unless
// --strict), 1 with errors, 2 for bad usage.
int runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace check
