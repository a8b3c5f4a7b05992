#include "check/scores.h"

#include "craft/judgement.h"

#include <algorithm>
#include <deque>
#include <set>

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

struct Path
{
    long start;
    std::vector<int> captions;
};

// Every score that five choices can leave from the scores in `from`, each with one way to it.
// The score is floored after each choice, so the order of the choices matters: each step
// tries every option from every score the step before can leave, keeping one path a score.
std::map<long, Path> playTurn(
    const std::set<long>& from, const std::vector<Option>& options, bool& overflow)
{
    std::map<long, Path> now;
    for (long score : from)
        now.emplace(score, Path { score, {} });
    for (int step = 0; step < judgement::ChoicesPerTurn; ++step) {
        std::map<long, Path> next;
        for (const auto& [score, path] : now) {
            for (const Option& option : options) {
                const long after = judgement::scoreAfter(score, option.outcome);
                if (score + judgement::scoreChange(option.outcome) > MaxScore)
                    overflow = true;
                if (next.contains(after))
                    continue;
                Path longer = path;
                longer.captions.push_back(option.caption);
                next.emplace(after, std::move(longer));
            }
        }
        now = std::move(next);
    }
    return now;
}

struct Origin
{
    int event; // -1 for the start of the play-through
    long score; // the score there
    std::vector<int> captions; // the turn's choices, when a turn led here
};

struct Node
{
    std::map<long, Origin> seen;
    std::set<long> pending;
};

} // namespace

Scores reachableScores(const Story& story, const std::vector<Text>& captions,
    const std::map<int, std::array<Text, 3>>& keys)
{
    Scores result;
    if (story.events.empty())
        return result;
    std::vector<Node> nodes(story.events.size());
    std::deque<int> queue;
    const auto offer = [&](int event, long score, Origin origin) {
        if (event < 0 || nodes[static_cast<size_t>(event)].seen.contains(score))
            return;
        Node& node = nodes[static_cast<size_t>(event)];
        node.seen.emplace(score, std::move(origin));
        if (node.pending.empty())
            queue.push_back(event);
        node.pending.insert(score);
    };
    const Split routes = routeSplit();
    const Split endings = endingSplit();

    offer(0, 0, { -1, 0, {} });
    while (!queue.empty()) {
        const int index = queue.front();
        queue.pop_front();
        const Event& event = story.events[static_cast<size_t>(index)];
        const std::set<long> scores = std::move(nodes[static_cast<size_t>(index)].pending);
        nodes[static_cast<size_t>(index)].pending.clear();
        switch (event.exit) {
        case Exit::Turn: {
            const auto key = keys.find(index);
            if (key == keys.end() || captions.empty())
                break; // the turn cannot be played (reported)
            for (auto& [after, path] :
                playTurn(scores, optionsOf(captions, key->second), result.overflow))
                offer(event.next[0], after, { index, path.start, std::move(path.captions) });
            break;
        }
        case Exit::Hantei:
        case Exit::Ive: {
            const Split& split = event.exit == Exit::Hantei ? routes : endings;
            for (long score : scores)
                offer(event.next[split.letterFor(score) == split.low ? 0 : 1], score,
                    { index, score, {} });
            break;
        }
        case Exit::End:
        case Exit::Stuck:
            break;
        }
    }

    for (size_t i = 0; i < story.events.size(); ++i) {
        const Event& event = story.events[i];
        if ((event.exit != Exit::Hantei && event.exit != Exit::Ive) || nodes[i].seen.empty())
            continue;
        const Split& split = event.exit == Exit::Hantei ? routes : endings;
        BranchScores branch { static_cast<int>(i), {}, {} };
        for (const auto& entry : nodes[i].seen)
            branch.scores.push_back(entry.first);
        for (size_t k = 0; k < 2; ++k) {
            Way way { k == 0 ? split.low : split.high, event.next[k], {}, {}, 0 };
            for (long score : branch.scores) {
                if (split.letterFor(score) == way.letter)
                    way.scores.push_back(score);
            }
            if (!way.scores.empty()) {
                // The lower way by its lowest score, the higher by its highest: the play of a
                // player who aims for it.
                way.exampleScore = k == 0 ? way.scores.front() : way.scores.back();
                int at = static_cast<int>(i);
                long score = way.exampleScore;
                while (at >= 0) {
                    const Origin& origin = nodes[static_cast<size_t>(at)].seen.at(score);
                    if (!origin.captions.empty())
                        way.example.insert(way.example.begin(), { origin.event, origin.captions });
                    at = origin.event;
                    score = origin.score;
                }
            }
            branch.ways.push_back(std::move(way));
        }
        result.branches.push_back(std::move(branch));
    }
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
