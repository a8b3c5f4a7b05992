// A set of scores, 0 to MaxScore, one bit each: what a crafting turn does to every score a player
// can have is a few shifts of the whole set.
#pragma once

#include "craft/judgement.h"

#include <cstdint>
#include <vector>

namespace check {

class ScoreSet
{
public:
    static constexpr long Size = judgement::MaxScore + 1;

    bool contains(long score) const;
    void insert(long score);
    bool empty() const;
    // Every score, ascending.
    std::vector<long> scores() const;
    // The scores of this set below `from` (or from `from` on), as a set.
    ScoreSet below(long from) const;
    ScoreSet notBelow(long from) const;

    // Adds `other`; returns the scores that were not here yet.
    ScoreSet add(const ScoreSet& other);
    // The scores after one judged item of `outcome` from each score here; `past` is set when one
    // of them would go past MaxScore (it stays at MaxScore, as in the game).
    ScoreSet after(judgement::Outcome outcome, bool& past) const;

    // Kept for later with as few words as the scores need.
    struct Packed
    {
        long firstWord = 0;
        std::vector<std::uint64_t> words;
    };
    Packed pack() const;
    static ScoreSet unpack(const Packed& packed);
    static bool contains(const Packed& packed, long score);

private:
    static constexpr long Words = Size / 64;
    std::vector<std::uint64_t> bits_ = std::vector<std::uint64_t>(Words, 0);
};

} // namespace check
