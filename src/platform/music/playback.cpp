#include "platform/music/playback.h"

#include <algorithm>

namespace platform::music {

LoopPlayback::LoopPlayback(int rate)
    : grace_(static_cast<size_t>(rate) * 5 / 2) // the watchdog asks every second
    , fadeFrames_(static_cast<size_t>(rate) / 50)
{ }

void LoopPlayback::play(bool fromStart)
{
    if (fromStart && moved_)
        rewind();
    // At the end there is nothing left to play: the mode stays stopped.
    if (ended_)
        return;
    playing_ = moved_ = true;
    if (restarting_) {
        restarting_ = false; // the sound is on this round already
        return;
    }
    // On from where the sound stopped (a fade-out begun is called off).
    main_.active = true;
    main_.fade = 0;
}

void LoopPlayback::stop()
{
    if (restarting_) {
        restarting_ = false;
        fadeOut(main_);
    }
    if (!playing_)
        return;
    playing_ = false; // keeps the position: a later play goes on from there
    fadeOut(main_);
}

void LoopPlayback::seekToStart()
{
    if (ended_ && awaitingRestart()) {
        playing_ = false;
        rewind();
        return;
    }
    stop();
    if (moved_)
        rewind();
}

// Back to the start, stopped. Just after the end, while the sound has gone on into the next
// round, that round is the restart; otherwise the sound starts again from the start.
void LoopPlayback::rewind()
{
    const bool atTheEnd = ended_ && awaitingRestart();
    position_ = 0;
    moved_ = ended_ = false;
    if (atTheEnd) {
        restarting_ = true;
        return;
    }
    restarting_ = false;
    if (main_.active) {
        fadeOut(main_);
        second_ = main_;
    }
    main_ = Voice {};
}

int LoopPlayback::positionTicks(const RenderedTune& tune) const
{
    return tune.tickAt(position_);
}

void LoopPlayback::fadeOut(Voice& v)
{
    if (v.active && v.fade == 0)
        v.fade = static_cast<int>(fadeFrames_);
}

size_t LoopPlayback::needs(size_t count) const
{
    size_t at = playing_ ? position_ : 0;
    for (const Voice* v : { &main_, &second_ }) {
        if (v->active)
            at = std::max(at, v->frame);
    }
    return at + count;
}

void LoopPlayback::moveCommandClock(const RenderedTune& tune, size_t count)
{
    if (playing_ && !ended_) {
        position_ += count;
        const size_t end = tune.endFrame;
        if (end != RenderedTune::None && position_ >= end) {
            position_ = end;
            ended_ = true;
            overrun_ = 0;
        }
    }
    if (ended_ || restarting_)
        overrun_ += count;
}

// Adds the voice's next `count` frames into `out`.
void LoopPlayback::mixVoice(const RenderedTune& tune, Voice& v, int16_t* out, size_t count)
{
    constexpr size_t chunk = 1024;
    int16_t in[2 * chunk];
    for (size_t done = 0; v.active && done < count;) {
        size_t n = std::min(count - done, chunk);
        if (v.fade > 0)
            n = std::min(n, static_cast<size_t>(v.fade));
        const size_t got = tune.read(v.frame, in, n);
        if (got == 0 && tune.complete) {
            v.active = false; // it has died away
            break;
        }
        // Frames not rendered yet are silence, as a synthesizer behind would give.
        std::fill(in + 2 * got, in + 2 * n, int16_t(0));
        int16_t* o = out + 2 * done;
        for (size_t i = 0; i < 2 * n; ++i) {
            int s = in[i];
            if (v.fade > 0)
                s = s * (v.fade - static_cast<int>(i / 2)) / static_cast<int>(fadeFrames_);
            o[i] = static_cast<int16_t>(std::clamp(s + o[i], -32768, 32767));
        }
        v.frame += n;
        done += n;
        if (v.fade > 0 && (v.fade -= static_cast<int>(n)) == 0)
            v.active = false;
    }
}

void LoopPlayback::pull(const RenderedTune& tune, int16_t* out, size_t count)
{
    std::fill_n(out, 2 * count, int16_t(0));
    size_t end = tune.endFrame;
    if (end == 0)
        end = RenderedTune::None; // nothing to loop
    while (count > 0) {
        // Up to the next end of a round, of the sound's or the commands'.
        size_t n = count;
        if (goingOn() && main_.frame < end)
            n = std::min(n, end - main_.frame);
        if (playing_ && !ended_ && position_ < end)
            n = std::min(n, end - position_);
        mixVoice(tune, main_, out, n);
        mixVoice(tune, second_, out, n);
        moveCommandClock(tune, n);
        if (goingOn() && main_.frame >= end) {
            // The next round begins, with what dies away after the end of this one.
            second_ = Voice { true, end, 0 };
            main_.frame = 0;
        }
        if ((ended_ || restarting_) && goingOn() && overrun_ > grace_)
            fadeOut(main_); // no restart came
        out += 2 * n;
        count -= n;
    }
}

} // namespace platform::music
