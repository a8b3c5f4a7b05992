#include "check/score_set.h"

#include <bit>

namespace check {
namespace {

using Word = std::uint64_t;

// Bits `from` to the top of a 64-bit word.
Word bitsFrom(long from)
{
    return from >= 64 ? 0 : ~Word(0) << from;
}

} // namespace

bool ScoreSet::contains(long score) const
{
    return score >= 0 && score < Size && (bits_[score / 64] >> (score % 64) & 1);
}

void ScoreSet::insert(long score)
{
    bits_[score / 64] |= Word(1) << (score % 64);
}

bool ScoreSet::empty() const
{
    for (Word w : bits_) {
        if (w)
            return false;
    }
    return true;
}

std::vector<long> ScoreSet::scores() const
{
    std::vector<long> out;
    for (long i = 0; i < Words; ++i) {
        for (Word w = bits_[i]; w; w &= w - 1)
            out.push_back(i * 64 + std::countr_zero(w));
    }
    return out;
}

ScoreSet ScoreSet::below(long from) const
{
    ScoreSet out;
    for (long i = 0; i < Words && i * 64 < from; ++i)
        out.bits_[i] = bits_[i] & ~bitsFrom(from - i * 64);
    return out;
}

ScoreSet ScoreSet::notBelow(long from) const
{
    ScoreSet out;
    for (long i = 0; i < Words; ++i)
        out.bits_[i] = bits_[i] & (i * 64 >= from ? ~Word(0) : bitsFrom(from - i * 64));
    return out;
}

ScoreSet ScoreSet::add(const ScoreSet& other)
{
    ScoreSet added;
    for (long i = 0; i < Words; ++i) {
        added.bits_[i] = other.bits_[i] & ~bits_[i];
        bits_[i] |= other.bits_[i];
    }
    return added;
}

ScoreSet ScoreSet::after(judgement::Outcome outcome, bool& past) const
{
    const long change = judgement::scoreChange(outcome);
    ScoreSet out;
    if (change == 0) {
        out.bits_ = bits_;
    } else if (change > 0) {
        // Up by `change`; what would go past the top stays at the top.
        for (long i = Words - 1; i >= 0; --i)
            out.bits_[i] = bits_[i] << change | (i > 0 ? bits_[i - 1] >> (64 - change) : 0);
        if (bits_[Words - 1] & bitsFrom(64 - change)) {
            past = true;
            out.insert(judgement::MaxScore);
        }
    } else {
        // Down by `-change`, never below 0.
        const long down = -change;
        for (long i = 0; i < Words; ++i)
            out.bits_[i] = bits_[i] >> down | (i + 1 < Words ? bits_[i + 1] << (64 - down) : 0);
        if (bits_[0] & ~bitsFrom(down + 1))
            out.insert(0);
    }
    return out;
}

ScoreSet::Packed ScoreSet::pack() const
{
    long first = 0, last = Words;
    while (first < Words && !bits_[first])
        ++first;
    while (last > first && !bits_[last - 1])
        --last;
    return { first, std::vector<Word>(bits_.begin() + first, bits_.begin() + last) };
}

ScoreSet ScoreSet::unpack(const Packed& packed)
{
    ScoreSet out;
    for (size_t i = 0; i < packed.words.size(); ++i)
        out.bits_[static_cast<size_t>(packed.firstWord) + i] = packed.words[i];
    return out;
}

bool ScoreSet::contains(const Packed& packed, long score)
{
    const long word = score / 64 - packed.firstWord;
    return score >= 0 && word >= 0 && word < static_cast<long>(packed.words.size())
        && (packed.words[static_cast<size_t>(word)] >> (score % 64) & 1);
}

} // namespace check
