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

// What the command is asked, beside the folder.
struct Options
{
    bool strict = false; // --strict: warnings fail too, and doubtful markers are errors
    bool quiet = false; // --quiet: the findings alone
    std::string map; // --map FILE: draw the story's map into FILE (SVG)
};

// Reads the option at args[i] into `options`, and its value (advancing i). Returns false when
// args[i] is no option of the checker; sets `problem` for an option without its value.
bool readOption(
    const std::vector<std::string>& args, size_t& i, Options& options, std::string& problem);

// Checks the data folder `dir`; the summary of the report tells what it holds and its scores.
Result checkFolder(const std::filesystem::path& dir, const Options& options = {});

// Checks `dir`, prints the findings (each file named by `shownName`, or as FOLDER/FILE where
// FOLDER is `shown`) and the summary to `out`, and draws the map when asked. Returns the exit
// status: 0 when the folder plays (warnings allowed, unless --strict), 1 with errors.
int checkAndReport(const std::filesystem::path& dir, const std::string& shown,
    const Options& options, std::ostream& out, std::ostream& err,
    const Report::ShownName& shownName = {});

// The command: "pelirra-check [--strict] [--quiet] [--map FILE] DATA_FOLDER". Returns the exit
// status of checkAndReport, or 2 for bad usage.
int runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace check
