#include "platform/music/render.h"
#include "platform/music/lossless.h"
#include "platform/music/midi_file.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace platform::music {

namespace {

// More tempo changes than any tune has: the file is not read further.
constexpr size_t MaxTempos = 100000;

// A variable-length number at `at`, which moves past it; false past the end of the chunk.
bool variableLength(const std::string& bytes, size_t& at, size_t end, uint32_t& v)
{
    v = 0;
    for (int i = 0; i < 4; ++i) {
        if (at >= end)
            return false;
        const auto b = static_cast<unsigned char>(bytes[at++]);
        v = v << 7 | (b & 0x7f);
        if (!(b & 0x80))
            return true;
    }
    return false;
}

// The events of one track from `at` to `end`: its tempo changes into `tempos`; its length in
// ticks, or -1 when it is cut short.
long long readTrack(const std::string& bytes, size_t at, size_t end,
    std::vector<std::pair<long long, uint32_t>>& tempos)
{
    long long tick = 0;
    unsigned char status = 0;
    for (uint32_t delta = 0; at < end;) {
        if (!variableLength(bytes, at, end, delta) || at >= end)
            return -1;
        tick += delta;
        auto b = static_cast<unsigned char>(bytes[at]);
        if (b >= 0x80)
            status = b, ++at;
        if (status == 0xff || status == 0xf0 || status == 0xf7) {
            const unsigned char type = status == 0xff && at < end ? bytes[at++] : 0;
            uint32_t length = 0;
            if (!variableLength(bytes, at, end, length) || length > end - at)
                return -1;
            if (status == 0xff && type == 0x51 && length == 3) {
                if (tempos.size() == MaxTempos)
                    return -1;
                tempos.emplace_back(tick, bigEndian(bytes, at, 3));
            }
            at += length;
            if (status == 0xff && type == 0x2f)
                return tick;
            status = 0;
        } else if (status >= 0x80) {
            at += (status & 0xf0) == 0xc0 || (status & 0xf0) == 0xd0 ? 1 : 2;
        } else {
            return -1; // data without a status
        }
    }
    return at == end ? tick : -1;
}

} // namespace

MidiLength midiLength(const std::string& bytes)
{
    if (bytes.size() < 14)
        return {};
    const uint32_t division = bigEndian(bytes, 12, 2);
    if (division == 0 || (division & 0x8000))
        return {};
    std::vector<std::pair<long long, uint32_t>> tempos;
    long long last = 0;
    for (size_t at = 14; at + 8 <= bytes.size();) {
        const size_t end = at + 8 + bigEndian(bytes, at + 4, 4);
        if (end > bytes.size())
            return {};
        if (bytes.compare(at, 4, "MTrk") == 0) {
            const long long ticks = readTrack(bytes, at + 8, end, tempos);
            if (ticks < 0)
                return {};
            last = std::max(last, ticks);
        }
        at = end;
    }
    std::stable_sort(tempos.begin(), tempos.end(),
        [](const auto& a, const auto& b) { return a.first < b.first; });
    double seconds = 0;
    long long tick = 0;
    double perTick = 0.5 / division; // 120 beats a minute until told otherwise
    for (const auto& [at, tempo] : tempos) {
        if (at >= last)
            break;
        seconds += static_cast<double>(at - tick) * perTick;
        tick = at;
        perTick = tempo / 1e6 / division;
    }
    return { seconds + static_cast<double>(last - tick) * perTick, last };
}

RenderedTune::RenderedTune(size_t maxFrames)
    : maxFrames_(maxFrames)
    , partial_(std::make_unique<int16_t[]>(2 * BlockFrames))
    , ticks_(static_cast<int*>(std::calloc(maxFrames / TickFrames + 2, sizeof(int))))
{
    blocks_.reserve(maxFrames / BlockFrames + 1);
    for (auto& c : cache_)
        c = std::make_unique<int16_t[]>(2 * BlockFrames);
}

size_t RenderedTune::append(const int16_t* lr, size_t count)
{
    size_t frames = frames_;
    count = std::min(count, maxFrames_ - std::min(maxFrames_, frames));
    for (size_t done = 0; done < count;) {
        const size_t offset = frames % BlockFrames;
        const size_t n = std::min(count - done, BlockFrames - offset);
        std::copy_n(lr + 2 * done, 2 * n, partial_.get() + 2 * offset);
        frames += n;
        done += n;
        if (frames % BlockFrames == 0) {
            std::vector<uint8_t> code;
            encodeBlock(partial_.get(), BlockFrames, code);
            code.shrink_to_fit();
            codedBytes_ += code.size();
            std::lock_guard lock(mutex_);
            blocks_.push_back(std::move(code));
        }
        frames_ = frames;
    }
    return count;
}

// The frames of a coded block, decoded; under the lock.
const int16_t* RenderedTune::decoded(size_t block) const
{
    for (size_t i = 0; i < cache_.size(); ++i) {
        if (cached_[i] == block) {
            lastUsed_ = i;
            return cache_[i].get();
        }
    }
    lastUsed_ = 1 - lastUsed_;
    decodeBlock(blocks_[block].data(), BlockFrames, cache_[lastUsed_].get());
    cached_[lastUsed_] = block;
    return cache_[lastUsed_].get();
}

size_t RenderedTune::read(size_t frame, int16_t* out, size_t count) const
{
    std::lock_guard lock(mutex_);
    const size_t end = std::min(frames_.load(), frame + count);
    size_t done = 0;
    for (size_t f = frame; f < end;) {
        const size_t block = f / BlockFrames, offset = f % BlockFrames;
        const size_t n = std::min(end - f, BlockFrames - offset);
        const int16_t* in = block < blocks_.size() ? decoded(block) : partial_.get();
        std::copy_n(in + 2 * offset, 2 * n, out + 2 * done);
        f += n;
        done += n;
    }
    return done;
}

void RenderedTune::truncate(size_t count)
{
    frames_ = std::min<size_t>(frames_, count);
}

void RenderedTune::noteTick(size_t frame, int tick)
{
    const size_t slot = std::min(frame / TickFrames, maxFrames_ / TickFrames + 1);
    for (; tickSlots_ < slot; ++tickSlots_)
        ticks_[tickSlots_] = tickSlots_ ? ticks_[tickSlots_ - 1] : 0;
    ticks_[slot] = tick;
    tickSlots_ = slot + 1;
}

int RenderedTune::tickAt(size_t frame) const
{
    frame = std::min<size_t>(frame, frames_);
    if (frame == 0)
        return 0;
    return ticks_[(frame - 1) / TickFrames];
}

size_t RenderedTune::bytes() const
{
    return codedBytes_ + (2 + cache_.size()) * BlockFrames * 4 + tickSlots_ * sizeof(int);
}

TuneRenderer::TuneRenderer(
    const FluidSynthLibrary& fl, fluid_synth_t* synth, const std::string& midi)
    : fl_(fl)
    , synth_(synth)
    , midi_(midi)
{
    player_ = fl_.new_fluid_player(synth_);
    if (!player_)
        return;
    fl_.fluid_player_add_mem(player_, midi_.data(), midi_.size());
    fl_.fluid_player_set_tick_callback(player_, &TuneRenderer::onTick, this);
    fl_.fluid_player_play(player_);
}

TuneRenderer::~TuneRenderer()
{
    if (player_)
        fl_.delete_fluid_player(player_);
}

int TuneRenderer::onTick(void* data, int tick)
{
    auto* r = static_cast<TuneRenderer*>(data);
    r->tick_ = tick;
    if (tick >= r->fl_.fluid_player_get_total_ticks(r->player_))
        r->ended_ = true;
    return FLUID_OK;
}

size_t TuneRenderer::render(RenderedTune& tune, size_t count)
{
    constexpr size_t step = RenderedTune::TickFrames; // the synthesizer's own block
    int16_t lr[2 * step];
    size_t done = 0;
    while (done < count && !finished_ && player_) {
        const bool endedBefore = ended_;
        fl_.fluid_synth_write_s16(synth_, step, lr, 0, 2, lr, 1, 2);
        // A file FluidSynth could not read ends its sequencer at once, without a last event.
        if (!ended_ && fl_.fluid_player_get_status(player_) == FLUID_PLAYER_DONE)
            ended_ = true;
        const size_t at = tune.frames();
        if (!endedBefore && ended_) {
            // The last event was played at the start of this block: the round ends here, and
            // the notes still held are let go, as a restart lets them go.
            tune.endFrame = at;
            fl_.fluid_synth_all_notes_off(synth_, -1);
            for (int chan = 0; chan < fl_.fluid_synth_count_midi_channels(synth_); ++chan)
                fl_.fluid_synth_cc(synth_, chan, 121, 0);
        }
        if (ended_)
            afterTheEnd(tune, lr, at);
        tune.noteTick(at, tick_);
        if (tune.append(lr, step) < step) {
            finished_ = true; // no room for more: the tune ends where the room does
            if (tune.endFrame == RenderedTune::None)
                tune.endFrame = tune.frames();
        }
        done += step;
        if (finished_ && quietFrames_ > 0)
            tune.truncate(tune.frames() - quietFrames_);
    }
    if (finished_)
        tune.complete = true;
    return done;
}

// A block of the sound after the last event, before it is kept: a tenth of a second of silence
// ends the render (the silence is not kept), and so do five seconds of sound (a note that never
// ends), the last hundredth of it faded out.
void TuneRenderer::afterTheEnd(RenderedTune& tune, int16_t* lr, size_t from)
{
    constexpr size_t step = RenderedTune::TickFrames;
    constexpr size_t quietEnough = 4410, longest = 5 * 44100, fade = 448;
    bool quiet = true;
    for (size_t i = 0; i < 2 * step && quiet; ++i)
        quiet = std::abs(lr[i]) <= 2;
    quietFrames_ = quiet ? quietFrames_ + step : 0;
    const size_t after = from - tune.endFrame;
    if (after + fade >= longest) {
        for (size_t i = 0; i < 2 * step; ++i) {
            const long left
                = static_cast<long>(std::min(fade, longest - std::min(longest, after + i / 2)));
            lr[i] = static_cast<int16_t>(lr[i] * left / static_cast<long>(fade));
        }
    }
    if (quietFrames_ >= quietEnough || after + step >= longest)
        finished_ = true;
}

} // namespace platform::music
