// The command line of pelirra-check, and the report and the map that pelirra-convert shares.
#include "check/checker.h"
#include "check/map.h"

namespace check {
namespace {

void usage(std::ostream& out)
{
    out << "usage: pelirra-check [--strict] [--quiet] [--map FILE.svg] DATA_FOLDER\n"
           "Checks a story's data folder (event scripts, key files, txt.dat, pictures, bgm.mid)\n"
           "for what a player would hit, and works out which scores lead to each route and\n"
           "ending (--quiet: only the findings). --map draws the story's map: every event, the\n"
           "way from each to the next, the branches with the scores that take each side.\n"
           "Exit status: 0 when the story plays (warnings allowed; --strict fails on them too),\n"
           "1 with errors, 2 for bad usage.\n";
}

} // namespace

bool readOption(
    const std::vector<std::string>& args, size_t& i, Options& options, std::string& problem)
{
    const std::string& arg = args[i];
    if (arg == "--strict") {
        options.strict = true;
    } else if (arg == "-q" || arg == "--quiet") {
        options.quiet = true;
    } else if (arg == "--map" || arg.starts_with("--map=")) {
        if (arg != "--map")
            options.map = arg.substr(6);
        else if (i + 1 < args.size())
            options.map = args[++i];
        if (options.map.empty())
            problem = "--map needs the name of the SVG file to draw the map into";
    } else {
        return false;
    }
    return true;
}

int checkAndReport(const std::filesystem::path& dir, const std::string& shown,
    const Options& options, std::ostream& out, std::ostream& err,
    const Report::ShownName& shownName)
{
    const Result result = checkFolder(dir, options);
    result.report.print(out, shown, !options.quiet, shownName);
    int status = result.report.errors() > 0 || (options.strict && result.report.warnings() > 0);
    if (!options.map.empty()) {
        std::string why;
        if (!drawMap(result, dir, options.map, why)) {
            err << "pelirra-check: " << options.map << ": the map cannot be drawn (" << why
                << ")\n";
            status = 1;
        }
    }
    return status;
}

int runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    Options options;
    std::vector<std::string> folders;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string problem;
        if (arg == "-h" || arg == "--help") {
            usage(out);
            return 0;
        }
        if (readOption(args, i, options, problem)) {
            if (problem.empty())
                continue;
            err << "pelirra-check: " << problem << "\n";
            return 2;
        }
        if (arg.starts_with("-") && arg.size() > 1)
            folders.push_back({}); // an unknown option: bad usage
        else
            folders.push_back(arg);
    }
    if (folders.size() != 1 || folders[0].empty()) {
        usage(err);
        return 2;
    }
    std::string folder = folders[0];
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        err << "pelirra-check: " << folder << ": not a folder\n";
        return 2;
    }
    while (folder.size() > 1 && folder.ends_with("/"))
        folder.pop_back();
    return checkAndReport(folder, folder, options, out, err);
}

} // namespace check
