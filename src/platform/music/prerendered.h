// A tune played from memory: rendered ahead on a thread of its own, with the sound output
// rendering whatever it needs itself while that thread is behind.
#pragma once

#include "platform/music/playback.h"
#include "platform/music/render.h"

#include <atomic>
#include <mutex>

namespace platform::music {

class Prerendered
{
public:
    Prerendered(const FluidSynthLibrary& fl, std::string midi, int rate, size_t maxFrames,
        long long totalTicks);

    // The commands (see LoopPlayback).
    void play(bool fromStart);
    void stop();
    void seekToStart();
    bool isPlaying() const;
    // Sought to the start just after the end: the sound goes on as the restarted round.
    bool restarting() const;
    int positionTicks() const;
    int lengthTicks() const { return totalTicks_; }

    // Starts the tune on `synth` (its soundfont loaded): from now on the sound output renders
    // what it needs when nobody has rendered it ahead.
    void begin(fluid_synth_t* synth);
    bool begun() const { return begun_; }
    // Renders the rest of the tune, unless `cancel` is set first; the synthesizer is not used
    // once this returns true (the tune is complete).
    bool renderAhead(const std::atomic<bool>& cancel);
    // The next `count` frames of sound (interleaved stereo). Silent, and the clocks stand still,
    // until the rendering has begun.
    void fill(int16_t* out, size_t count);
    // The sound's peak over the next `ms` milliseconds, from 0 to 1 (as fill).
    float fillMilliseconds(int ms);
    size_t bytes() const { return tune_.bytes(); }
    bool complete() const { return tune_.complete; }
    // Where a round ends (its last event), once rendered that far.
    size_t endFrame() const { return tune_.endFrame; }

private:
    const FluidSynthLibrary& fl_;
    const std::string midi_;
    const int rate_;
    const int totalTicks_;
    RenderedTune tune_; // one writer (whoever holds renderMutex_), read by all

    std::mutex renderMutex_;
    std::unique_ptr<TuneRenderer> renderer_; // while rendering
    std::atomic<bool> begun_ = false;

    mutable std::mutex mutex_;
    LoopPlayback playback_;
};

} // namespace platform::music
