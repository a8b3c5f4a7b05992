#include "check/scores.h"

#include "check/score_set.h"
#include "craft/judgement.h"

#include <algorithm>
#include <deque>
#include <stdexcept>

namespace check {
namespace {

struct Option
{
    judgement::Outcome outcome;
    int caption; // the first caption with that outcome
};

// The outcomes a turn offers; choices of the same outcome score alike, so one caption stands
// for all that share it.
std::vector<Option> optionsOf(const std::vector<Text>& captions, const std::array<Text, 3>& keys)
{
    std::vector<Option> options;
    for (size_t i = 0; i < captions.size(); ++i) {
        const judgement::Outcome outcome = judgement::judge(captions[i], keys);
        if (std::none_of(options.begin(), options.end(),
                [&](const Option& o) { return o.outcome == outcome; }))
            options.push_back({ outcome, static_cast<int>(i) });
    }
    return options;
}

// The sets of scores after each choice of one play of a crafting turn, from the scores it began
// with: steps[0] is that set, steps[5] the scores the turn can leave.
std::vector<ScoreSet> playTurn(
    const ScoreSet& from, const std::vector<Option>& options, bool& overflow)
{
    std::vector<ScoreSet> steps { from };
    for (int step = 0; step < judgement::ChoicesPerTurn; ++step) {
        ScoreSet next;
        for (const Option& option : options)
            next.add(steps.back().after(option.outcome, overflow));
        steps.push_back(std::move(next));
    }
    return steps;
}

// One way through a turn to the score `to`, choice by choice backwards: each step comes from the
// lowest score the step before can have that one option leads from, by the first such option.
// So the way is the one a search that tries the lower scores and the options in order finds
// first. Returns the score the turn began with.
long wayThroughTurn(const std::vector<ScoreSet>& steps, const std::vector<Option>& options, long to,
    std::vector<int>& captions)
{
    captions.assign(judgement::ChoicesPerTurn, -1);
    for (int step = judgement::ChoicesPerTurn - 1; step >= 0; --step) {
        const ScoreSet& before = steps[static_cast<size_t>(step)];
        bool found = false;
        // A choice changes the score by -3 to +5: it came from within that distance.
        for (long from = std::max(0L, to - 5); from <= std::min(MaxScore, to + 3) && !found;
             ++from) {
            if (!before.contains(from))
                continue;
            for (const Option& option : options) {
                if (judgement::scoreAfter(from, option.outcome) == to) {
                    captions[static_cast<size_t>(step)] = option.caption;
                    to = from;
                    found = true;
                    break;
                }
            }
        }
    }
    return to;
}

// Scores reaching an event: from where (-1: the start of the play-through) and which play of
// that event's turn or branch brought them, first.
struct Arrival
{
    int from;
    int play;
    ScoreSet::Packed scores;
};

struct Node
{
    ScoreSet seen;
    ScoreSet pending;
    std::vector<Arrival> arrivals; // in the order they came
    std::vector<ScoreSet::Packed> plays; // the scores each play of the event began with
};

// Every score a player can have at every event, found event by event in the order a queue of
// the events that have new scores gives.
class Search
{
public:
    Search(const Story& story, const std::vector<Text>& captions,
        const std::map<int, std::array<Text, 3>>& keys)
        : story_(story)
        , captions_(captions)
        , keys_(keys)
        , nodes_(story.events.size())
    { }

    void run(bool& overflow)
    {
        ScoreSet start;
        start.insert(0);
        offer(0, start, -1, 0);
        while (!queue_.empty()) {
            const int index = queue_.front();
            queue_.pop_front();
            Node& node = nodes_[static_cast<size_t>(index)];
            const ScoreSet scores = std::move(node.pending);
            node.pending = ScoreSet();
            const int play = static_cast<int>(node.plays.size());
            node.plays.push_back(scores.pack());
            leave(index, play, scores, overflow);
        }
    }

    const Node& node(int event) const { return nodes_[static_cast<size_t>(event)]; }

    std::vector<Option> options(int event) const { return optionsOf(captions_, keys_.at(event)); }

    // One way from the start of the play-through to `score` at `event`: the crafting turns on
    // the way, in order.
    std::vector<TurnChoices> example(int event, long score) const
    {
        std::vector<TurnChoices> turns;
        while (event >= 0) {
            const Arrival& came = firstArrival(event, score);
            if (came.from >= 0
                && story_.events[static_cast<size_t>(came.from)].exit == Exit::Turn) {
                const Node& from = node(came.from);
                const std::vector<Option> choices = options(came.from);
                const auto steps
                    = playTurn(ScoreSet::unpack(from.plays[static_cast<size_t>(came.play)]),
                        choices, ignored_);
                TurnChoices turn { came.from, {} };
                score = wayThroughTurn(steps, choices, score, turn.captions);
                turns.insert(turns.begin(), std::move(turn));
            }
            event = came.from;
        }
        return turns;
    }

private:
    void offer(int event, const ScoreSet& scores, int from, int play)
    {
        if (event < 0)
            return;
        Node& node = nodes_[static_cast<size_t>(event)];
        const ScoreSet added = node.seen.add(scores);
        if (added.empty())
            return;
        if (node.pending.empty())
            queue_.push_back(event);
        node.pending.add(added);
        node.arrivals.push_back({ from, play, added.pack() });
    }

    void leave(int index, int play, const ScoreSet& scores, bool& overflow)
    {
        const Event& event = story_.events[static_cast<size_t>(index)];
        switch (event.exit) {
        case Exit::Turn:
            if (keys_.contains(index) && !captions_.empty()) // else reported: no turn is played
                offer(
                    event.next[0], playTurn(scores, options(index), overflow).back(), index, play);
            break;
        case Exit::Hantei:
        case Exit::Ive: {
            const Split split = event.exit == Exit::Hantei ? routeSplit() : endingSplit();
            offer(event.next[0], scores.below(split.from), index, play);
            offer(event.next[1], scores.notBelow(split.from), index, play);
            break;
        }
        case Exit::End:
        case Exit::Stuck:
            break;
        }
    }

    const Arrival& firstArrival(int event, long score) const
    {
        for (const Arrival& arrival : node(event).arrivals) {
            if (ScoreSet::contains(arrival.scores, score))
                return arrival;
        }
        throw std::logic_error("a score with no arrival");
    }

    const Story& story_;
    const std::vector<Text>& captions_;
    const std::map<int, std::array<Text, 3>>& keys_;
    std::vector<Node> nodes_;
    std::deque<int> queue_;
    mutable bool ignored_ = false;
};

// The scores at a branch line, split by the way they take, each way with an example: the lower
// way by its lowest score, the higher by its highest (the play of a player who aims for it).
BranchScores branchScores(const Search& search, const Story& story, int index)
{
    const Event& event = story.events[static_cast<size_t>(index)];
    const Split split = event.exit == Exit::Hantei ? routeSplit() : endingSplit();
    const ScoreSet& seen = search.node(index).seen;
    BranchScores branch { index, seen.scores(), {} };
    for (size_t k = 0; k < 2; ++k) {
        Way way { k == 0 ? split.low : split.high, event.next[k], {}, {}, 0 };
        way.scores = (k == 0 ? seen.below(split.from) : seen.notBelow(split.from)).scores();
        if (!way.scores.empty()) {
            way.exampleScore = k == 0 ? way.scores.front() : way.scores.back();
            way.example = search.example(index, way.exampleScore);
        }
        branch.ways.push_back(std::move(way));
    }
    return branch;
}

// The loops of events that show nothing and never wait for the player. Such events keep the score,
// so the scores fall into classes that every branch line treats alike (split at the first score of
// each way), and from an event with a score of one class the game goes on to one next event, with
// the same class, or with the class of 0 after an "end" line. Each state (event, class) a player
// can reach is followed until the walk meets a state it met before.
std::vector<Loop> findLoops(const Story& story, const Search& search)
{
    std::vector<long> starts { 0, routeSplit().from, endingSplit().from };
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    std::erase_if(starts, [](long from) { return from > MaxScore; });
    const int classes = static_cast<int>(starts.size());
    const auto next = [&](int state) {
        const Event& event = story.events[static_cast<size_t>(state / classes)];
        const long score = starts[static_cast<size_t>(state % classes)];
        if (event.waits || event.shows || event.exit == Exit::Turn || event.exit == Exit::Stuck)
            return -1;
        if (event.exit == Exit::End)
            return 0; // event 0, with the score 0
        const Split split = event.exit == Exit::Hantei ? routeSplit() : endingSplit();
        const int to = event.next[split.letterFor(score) == split.low ? 0 : 1];
        return to < 0 ? -1 : to * classes + state % classes;
    };
    const auto scoresOf = [&](int state) {
        const long from = starts[static_cast<size_t>(state % classes)];
        const long to = state % classes + 1 < classes
            ? starts[static_cast<size_t>(state % classes + 1)]
            : MaxScore + 1;
        return search.node(state / classes).seen.notBelow(from).below(to);
    };

    std::vector<Loop> loops;
    std::vector<int> walk(story.events.size() * static_cast<size_t>(classes), -1);
    for (int state = 0; state < static_cast<int>(walk.size()); ++state) {
        if (walk[static_cast<size_t>(state)] >= 0 || scoresOf(state).empty())
            continue;
        int at = state;
        while (at >= 0 && walk[static_cast<size_t>(at)] < 0) {
            walk[static_cast<size_t>(at)] = state;
            at = next(at);
        }
        if (at < 0 || walk[static_cast<size_t>(at)] != state)
            continue; // the game waits somewhere, or this walk joined an earlier one
        Loop loop { {}, scoresOf(at).scores() };
        int round = at;
        do {
            loop.events.push_back(round / classes);
            round = next(round);
        } while (round != at);
        if (loop.scores.empty()) // reached only through the "end" line: with the score 0
            loop.scores = { 0 };
        loops.push_back(std::move(loop));
    }
    return loops;
}

} // namespace

Scores reachableScores(const Story& story, const std::vector<Text>& captions,
    const std::map<int, std::array<Text, 3>>& keys)
{
    Scores result;
    if (story.events.empty())
        return result;
    Search search(story, captions, keys);
    search.run(result.overflow);
    for (size_t i = 0; i < story.events.size(); ++i) {
        const Exit exit = story.events[i].exit;
        if ((exit == Exit::Hantei || exit == Exit::Ive)
            && !search.node(static_cast<int>(i)).seen.empty())
            result.branches.push_back(branchScores(search, story, static_cast<int>(i)));
    }
    result.loops = findLoops(story, search);
    return result;
}

std::string formatSet(const std::vector<long>& scores)
{
    std::string out = "{";
    for (size_t i = 0; i < scores.size();) {
        size_t j = i;
        while (j + 1 < scores.size() && scores[j + 1] == scores[j] + 1)
            ++j;
        if (i > 0)
            out += ", ";
        out += std::to_string(scores[i]);
        if (j > i)
            out += ".." + std::to_string(scores[j]);
        i = j + 1;
    }
    return out + "}";
}

} // namespace check
