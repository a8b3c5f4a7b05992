// The program's command line: which story to play, and, for story authors, where to begin.
// It is read before anything needs a display, so that a wrong one ends at once.
#pragma once

#include "platform/text.h"
#include "story/events.h"

#include <optional>
#include <string>
#include <vector>

// How a play begins. By default: the default story (see storyFolder in shell/paths.h), from its
// first event, with the score 0.
struct StartOptions
{
    platform::Text storyFolder; // the story folder the player named, as a full path; or empty
    // An author's trial: the play-through begins at this event with this score, and the story
    // starts over from its first event as usual at its next "end" line.
    std::optional<story::EventParts> event;
    std::optional<short> score;
    // A trial is a try-out: the list of past records is read and shown, but never written.
    bool trial() const { return event.has_value() || score.has_value(); }
};

struct CommandLine
{
    enum class Action {
        Play, // start the game with `start`
        Print, // print `text` on standard output and end with status 0 (--help, --version)
        Fail, // print `text`, one line, on standard error and end with status 2
    };
    Action action = Action::Play;
    StartOptions start;
    bool selfVoicing = false; // --self-voicing: the game's own voice from the start
    std::string text;
};

// Reads the arguments after the program's name. A story folder that does not exist or is not a
// folder, an unknown option and a bad option value fail; nothing is opened or started.
CommandLine readCommandLine(const std::vector<std::string>& args);

// Prints what `command` has to say for itself. Returns the exit status when the program ends
// here, or nothing when it plays.
std::optional<int> finishCommandLine(const CommandLine& command);
