// Every score a player can have at the story's branch lines, worked out from the captions and
// the key files by the game's own judgement, with one way of choosing that reaches each branch.
#pragma once

#include "check/story.h"

#include <array>
#include <map>

namespace check {

// The five choices of one crafting turn, as indices into the captions.
struct TurnChoices
{
    int event; // the event the turn follows
    std::vector<int> captions;
};

struct Way
{
    Text letter;
    int target; // the event the branch goes on to; -1 when its script is missing
    std::vector<long> scores; // the scores that take this way
    std::vector<TurnChoices> example; // choices that reach the way (empty when none does)
    long exampleScore = 0;
};

struct BranchScores
{
    int event; // an event that leaves through a "hantei" or "ive" line
    std::vector<long> scores; // every score a player can have at that line, ascending
    std::vector<Way> ways; // the lower letter first
};

// Events that lead from one to the next for ever showing nothing and without waiting for the
// player once (no page pauses, no crafting turn): the game could never be played on. (A loop that
// shows text without waiting is reported at each of its branch lines already.)
struct Loop
{
    std::vector<int> events; // in the order the game plays them, from the first one met
    std::vector<long> scores; // the scores that go round, at the first event
};

struct Scores
{
    std::vector<BranchScores> branches; // in the order of the story's events
    std::vector<Loop> loops;
    bool overflow = false; // some play-through can take the score past MaxScore
};

// `keys` holds the three key lines of every crafting turn that can be played, by event index.
Scores reachableScores(const Story& story, const std::vector<Text>& captions,
    const std::map<int, std::array<Text, 3>>& keys);

// "{0..88, 90..92, 100}"
std::string formatSet(const std::vector<long>& scores);

} // namespace check
