#include "shell/command_line.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#ifndef PELIRRA_VERSION
#define PELIRRA_VERSION "unknown"
#endif

namespace {

const char* const Usage = R"(Usage: pelirra [FOLDER]
Plays the story in FOLDER. Without FOLDER, plays the dat folder beside the program when there
is one, else the installed story.

The list of past records is kept in FOLDER/kako.dat, or, when the story folder cannot be
written, in ~/.local/share/pelirra/ ($XDG_DATA_HOME/pelirra/), one folder for each story.

Options:
  -h, --help      print this help and end
  --version       print the version and end
  --self-voicing  the game's own voice from the start (V turns it on and off)

For story authors, to try a late part of a story without playing up to it:
  --event NAME    begin the play-through at the event NAME (such as 3, a2, bg or g)
  --score N       begin with the score N (0 to 32767)
The story starts over from 0.dat, with the score 0, at its next "end" line. Such a trial run
shows the list of past records but does not save it, and its title bar says "trial run".

Stories are made with pelirra-convert and checked with pelirra-check.
)";

CommandLine failure(std::string message)
{
    CommandLine command;
    command.action = CommandLine::Action::Fail;
    command.text = "pelirra: " + std::move(message);
    return command;
}

// Takes the value of --event or --score into `start`. Returns what is wrong with it, if anything.
std::optional<std::string> takeStartValue(
    const std::string& option, const std::string& value, StartOptions& start)
{
    if (option == "--event") {
        start.event = story::splitEventName(platform::fromUtf8(value));
        if (!start.event)
            return "--event " + value
                + ": not an event's name (a number such as 3, a route and a number such as a2, or "
                  "an ending such as bg or g)";
        return std::nullopt;
    }
    int score = -1;
    const bool digits = !value.empty() && value.size() <= 5
        && value.find_first_not_of("0123456789") == std::string::npos;
    if (digits)
        score = std::stoi(value);
    if (score < 0 || score > 32767)
        return "--score " + value + ": not a score (a whole number from 0 to 32767)";
    start.score = static_cast<short>(score);
    return std::nullopt;
}

// The story folder the player named, as a full path into `start`. Returns what is wrong with it,
// if anything.
std::optional<std::string> takeStoryFolder(const std::string& folder, StartOptions& start)
{
    std::error_code ec;
    const std::filesystem::path path(folder);
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status))
        return folder + ": no such folder";
    if (!std::filesystem::is_directory(status))
        return folder + ": not a folder (name the folder that holds the story)";
    std::filesystem::path full = std::filesystem::absolute(path, ec).lexically_normal();
    std::string text = full.string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    start.storyFolder = platform::pathFromNative(text); // any bytes, not only UTF-8
    return std::nullopt;
}

CommandLine printing(std::string text)
{
    CommandLine command;
    command.action = CommandLine::Action::Print;
    command.text = std::move(text);
    return command;
}

} // namespace

CommandLine readCommandLine(const std::vector<std::string>& args)
{
    CommandLine command;
    std::optional<std::string> folder;
    bool options = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "-h" || arg == "--help")) {
            return printing(Usage);
        } else if (options && arg == "--version") {
            return printing("pelirra " PELIRRA_VERSION "\n");
        } else if (options && arg == "--self-voicing") {
            command.selfVoicing = true;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            // --event NAME, --event=NAME, --score N, --score=N
            const auto eq = arg.find('=');
            const std::string option = arg.substr(0, eq);
            if (option != "--event" && option != "--score")
                return failure(arg + ": unknown option (pelirra --help lists the options)");
            if (eq == std::string::npos && i + 1 == args.size())
                return failure(option + " needs a value (pelirra --help lists the options)");
            const std::string value = eq != std::string::npos ? arg.substr(eq + 1) : args[++i];
            if (const auto problem = takeStartValue(option, value, command.start))
                return failure(*problem);
        } else if (folder) {
            return failure(arg + ": one story folder at a time (" + *folder + " is named already)");
        } else {
            folder = arg;
        }
    }
    if (folder) {
        if (const auto problem = takeStoryFolder(*folder, command.start))
            return failure(*problem);
    }
    return command;
}

std::optional<int> finishCommandLine(const CommandLine& command)
{
    switch (command.action) {
    case CommandLine::Action::Play:
        return std::nullopt;
    case CommandLine::Action::Print:
        std::fputs(command.text.c_str(), stdout);
        std::fflush(stdout);
        return 0;
    case CommandLine::Action::Fail:
        std::fprintf(stderr, "%s\n", command.text.c_str());
        return 2;
    }
    return 2;
}
