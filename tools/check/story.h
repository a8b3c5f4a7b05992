// The story's flow as the game plays it: from 0.dat through every route and ending, event by
// event, with the checks of each script on the way (markers, pages, picture lines).
#pragma once

#include "check/folder.h"
#include "craft/judgement.h"
#include "story/events.h"

#include <optional>

namespace check {

// The two letters a branch line chooses between, and the score from which it takes the second.
struct Split
{
    Text low;
    Text high;
    long from = 0;
    // How the game chooses: the letter the score gives.
    Text letterFor(long score) const { return score < from ? low : high; }
    std::string describe(const Text& letter) const;
};
// Worked out from the game's own rules.
Split routeSplit();
Split endingSplit();

// The score is a 16-bit number in the game, which stops at its top.
constexpr long MaxScore = judgement::MaxScore;

enum class Exit {
    Turn, // the script runs out: a crafting turn, then the next numbered script
    Hantei, // a route branch
    Ive, // an ending branch
    End, // the play-through starts again
    Stuck, // the game cannot go on (reported)
};

struct Event
{
    // What the game's rules form the name from.
    story::EventParts parts() const { return { route, number, ending }; }
    Text route;
    std::optional<long> number;
    Text ending;
    Text name; // what the game forms from the three: "b1"
    std::string file; // "b1.dat"
    Exit exit = Exit::Stuck;
    int exitLine = 0; // the branch or "end" line; for a turn, the last line
    bool waits = false; // the game waits for the player in it: a page pauses, or a turn follows
    bool shows = false; // it shows text or a picture
    std::string keyFile; // Exit::Turn: the key file of the crafting turn
    // Exit::Turn: the next event; Exit::Hantei and Exit::Ive: one per letter of the split
    // (-1 when that script is missing).
    std::vector<int> next;
};

struct PictureUse
{
    std::string file;
    int line;
    Text name;
};

struct Story
{
    std::vector<Event> events; // in the order the walk met them; 0.dat first
    std::vector<PictureUse> pictures; // the picture lines of the events, in order
    int findEvent(TextView name) const;
};

// Walks the story from 0.dat, reporting what a player would hit on the way.
Story walkStory(Folder& folder, Report& report);

// The text window as the game draws it when the window opens: its width and the width of a line
// in the game's face and size there (twips). Measured by the toolkit, whose application must run.
struct TextWindow
{
    double width;
    double points; // the font size
    double em; // the room of a full-width character, such as "一"
    double lineWidth(TextView line) const;
};
const TextWindow& openingTextWindow();
// The text window holds five lines.
constexpr int PageLines = 5;

} // namespace check
