// The sequencer of a rendered tune: the music commands' view of it (playing, stopped, its
// position) and the sound it makes, read from memory.
#pragma once

#include "platform/music/render.h"

namespace platform::music {

// Two clocks run here. The commands see a sequencer that plays the file once from where it was
// started and stops at its last event, exactly as the live synthesizer does, and that a restart
// ("seek to start", "play from 0") sets back to the start. The sound runs on a clock of its own:
// at the end of a round it goes straight on with the next one, the start of which carries the
// notes that die away after the end, so that a loop restarted by a watchdog has neither a gap
// nor a click. A restart that comes within `grace` of the end is taken as that next round; when
// none comes, the sound fades out. Stopping fades it out at once.
//
// Not thread-safe: the device holds its lock around every call.
class LoopPlayback
{
public:
    explicit LoopPlayback(int rate);

    void play(bool fromStart);
    void stop();
    void seekToStart();
    bool isPlaying() const { return playing_ && !ended_; }
    // Sought to the start just after the end: the sound goes on as the restarted round.
    bool restarting() const { return restarting_; }
    int positionTicks(const RenderedTune& tune) const;
    // Whether anything sounds now or will without a command.
    bool sounding() const { return main_.active || second_.active; }

    // The highest frame of the tune the next `count` frames may read.
    size_t needs(size_t count) const;
    // The next `count` frames (interleaved), from the frames of `tune` rendered so far; the clocks
    // move on by as much.
    void pull(const RenderedTune& tune, int16_t* out, size_t count);

private:
    // A voice reading the tune: the sound, or what dies away behind it.
    struct Voice
    {
        bool active = false;
        size_t frame = 0;
        int fade = 0; // frames left of a fade-out; 0 when not fading
    };
    void fadeOut(Voice& v);
    void moveCommandClock(const RenderedTune& tune, size_t count);
    void mixVoice(const RenderedTune& tune, Voice& v, int16_t* out, size_t count);
    // The sound goes on into the next round, waiting for the restart.
    bool awaitingRestart() const { return goingOn() && overrun_ <= grace_; }
    bool goingOn() const { return main_.active && main_.fade == 0; }
    void rewind();

    size_t grace_, fadeFrames_;
    // The commands' sequencer.
    size_t position_ = 0;
    bool playing_ = false, moved_ = false, ended_ = false;
    size_t overrun_ = 0; // frames sounded since the end (or a restart begun) without a restart
    bool restarting_ = false; // sought to the start within the grace: the sound goes on
    // The sound: the round playing, and what dies away behind it.
    Voice main_, second_;
};

} // namespace platform::music
