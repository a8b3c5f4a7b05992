#include "platform/music/lossless.h"

#include <algorithm>
#include <array>
#include <bit>

namespace platform::music {

namespace {

constexpr int MaxOrder = 3;
constexpr uint32_t Escape = 32; // a quotient this long is written whole instead

// The prediction error of sample `i` of channel `c` with the given order.
int32_t residual(const int16_t* lr, size_t i, int c, int order)
{
    const auto s
        = [&](size_t back) { return int32_t(lr[2 * (i - back) + static_cast<size_t>(c)]); };
    switch (order) {
    case 0:
        return s(0);
    case 1:
        return s(0) - s(1);
    case 2:
        return s(0) - 2 * s(1) + s(2);
    default:
        return s(0) - 3 * s(1) + 3 * s(2) - s(3);
    }
}

int32_t predict(const int16_t* lr, size_t i, int c, int order)
{
    return int32_t(lr[2 * i + static_cast<size_t>(c)]) - residual(lr, i, c, order);
}

class BitWriter
{
public:
    explicit BitWriter(std::vector<uint8_t>& out)
        : out_(out)
    { }
    // Up to 32 bits.
    void put(uint32_t bits, int count)
    {
        if (count == 0)
            return;
        acc_ = acc_ << count | (bits & (count == 32 ? ~0u : (1u << count) - 1));
        used_ += count;
        while (used_ >= 8) {
            used_ -= 8;
            out_.push_back(static_cast<uint8_t>(acc_ >> used_));
        }
    }
    void zeros(uint32_t count)
    {
        for (; count > 16; count -= 16)
            put(0, 16);
        put(0, static_cast<int>(count));
    }
    // The last byte filled with zeros, and eight more for the reader to look ahead into.
    void flush()
    {
        put(0, (8 - used_) % 8);
        out_.insert(out_.end(), 8, 0);
    }

private:
    std::vector<uint8_t>& out_;
    uint64_t acc_ = 0;
    int used_ = 0;
};

class BitReader
{
public:
    explicit BitReader(const uint8_t* in)
        : in_(in)
    { }
    // Up to 32 bits.
    uint32_t get(int count)
    {
        if (count == 0)
            return 0;
        const uint64_t v = peek() >> (64 - count);
        at_ += static_cast<size_t>(count);
        return static_cast<uint32_t>(v);
    }
    // Zeros up to the next one bit, which is taken too; `most` zeros at most, then nothing more.
    uint32_t zeros(uint32_t most)
    {
        const uint64_t p = peek();
        const uint32_t n = std::min<uint32_t>(most, static_cast<uint32_t>(std::countl_zero(p)));
        at_ += n + (n < most ? 1 : 0);
        return n;
    }

private:
    // The next 57 bits or more, from the top.
    uint64_t peek() const
    {
        const uint8_t* b = in_ + (at_ >> 3);
        uint64_t v = 0;
        for (int i = 0; i < 8; ++i)
            v = v << 8 | b[i];
        return v << (at_ & 7);
    }
    const uint8_t* in_;
    size_t at_ = 0;
};

uint32_t zigzag(int32_t v)
{
    return (static_cast<uint32_t>(v) << 1) ^ static_cast<uint32_t>(v >> 31);
}

int32_t unzigzag(uint32_t u)
{
    return static_cast<int32_t>(u >> 1) ^ -static_cast<int32_t>(u & 1);
}

} // namespace

void encodeBlock(const int16_t* lr, size_t frames, std::vector<uint8_t>& out)
{
    BitWriter w(out);
    for (int c = 0; c < 2; ++c) {
        // The order whose errors are smallest, and the Rice parameter for their mean.
        std::array<uint64_t, MaxOrder + 1> sums {};
        for (size_t i = MaxOrder; i < frames; ++i) {
            for (int order = 0; order <= MaxOrder; ++order)
                sums[static_cast<size_t>(order)] += zigzag(residual(lr, i, c, order));
        }
        const int order = frames > MaxOrder
            ? static_cast<int>(std::min_element(sums.begin(), sums.end()) - sums.begin())
            : 0;
        const uint64_t mean = frames > MaxOrder ? sums[static_cast<size_t>(order)] / frames : 0;
        const int k = mean > 0 ? std::min(20, static_cast<int>(std::bit_width(mean)) - 1) : 0;
        w.put(static_cast<uint32_t>(order), 2);
        w.put(static_cast<uint32_t>(k), 5);
        for (size_t i = 0; i < frames; ++i) {
            if (i < static_cast<size_t>(order)) {
                w.put(static_cast<uint16_t>(lr[2 * i + static_cast<size_t>(c)]), 16);
                continue;
            }
            const uint32_t u = zigzag(residual(lr, i, c, order));
            const uint32_t q = u >> k;
            if (q >= Escape) {
                w.zeros(Escape);
                w.put(u, 32);
            } else {
                w.zeros(q);
                w.put(1, 1);
                w.put(u & ((1u << k) - 1), k);
            }
        }
    }
    w.flush();
}

void decodeBlock(const uint8_t* code, size_t frames, int16_t* lr)
{
    BitReader r(code);
    for (int c = 0; c < 2; ++c) {
        const int order = static_cast<int>(r.get(2));
        const int k = static_cast<int>(r.get(5));
        for (size_t i = 0; i < frames; ++i) {
            int16_t& sample = lr[2 * i + static_cast<size_t>(c)];
            if (i < static_cast<size_t>(order)) {
                sample = static_cast<int16_t>(r.get(16));
                continue;
            }
            const uint32_t q = r.zeros(Escape);
            const uint32_t u = q == Escape ? r.get(32) : (q << k | r.get(k));
            sample = 0;
            sample = static_cast<int16_t>(predict(lr, i, c, order) + unzigzag(u));
        }
    }
}

} // namespace platform::music
