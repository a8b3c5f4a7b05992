// A tune synthesized ahead into memory: FluidSynth plays the MIDI file once into 16-bit stereo
// frames, which are then played from memory for as long as the music runs, at the cost of
// copying them.
#pragma once

#include "platform/music/library.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform::music {

// The length of a standard MIDI file to its last event: its longest track in ticks, and the time
// that takes at its tempos. Negative when the file cannot be read that far.
struct MidiLength
{
    double seconds = -1;
    long long ticks = -1;
};
MidiLength midiLength(const std::string& bytes);

// The frames rendered so far (interleaved left and right), with the MIDI tick the sequencer had
// reached at each 64 frames. The round of the tune ends at `endFrame` (where its last event was
// played); the frames from there to `frames()` are the sound that dies away after it.
class RenderedTune
{
public:
    static constexpr size_t None = static_cast<size_t>(-1);
    static constexpr size_t TickFrames = 64;

    explicit RenderedTune(size_t maxFrames);

    size_t frames() const { return frames_; }
    bool full() const { return frames_ >= maxFrames_; }
    int16_t* at(size_t frame) { return const_cast<int16_t*>(std::as_const(*this).at(frame)); }
    // Appends up to `count` frames (as many as the bound allows); returns how many.
    size_t append(const int16_t* lr, size_t count);
    // The stored frame `frame` (interleaved pair); none past the end.
    const int16_t* at(size_t frame) const;
    // The frames stored contiguously from `frame` on.
    size_t runFrom(size_t frame) const;
    // Drops the frames from `count` on.
    void truncate(size_t count);
    void noteTick(size_t frame, int tick);
    int tickAt(size_t frame) const;
    size_t bytes() const;

    // Written by the one thread that renders, read by others: every frame below frames() and
    // its tick stay as they are once counted (a truncation only leaves silence uncounted).
    std::atomic<size_t> endFrame = None; // known once the render has passed it
    std::atomic<bool> complete = false; // the last event and the sound after it are all here

private:
    static constexpr size_t BlockFrames = size_t(1) << 16;
    size_t maxFrames_;
    std::atomic<size_t> frames_ = 0;
    std::vector<std::unique_ptr<int16_t[]>> blocks_; // never reallocated: reserved for all
    std::unique_ptr<int[]> ticks_; // one for every TickFrames frames
    size_t tickSlots_ = 0; // written
};

// Plays the MIDI file on a synthesizer with its soundfont loaded and renders it: the file once,
// then the notes still sounding after its last event (released, as a restart releases them),
// until they are silent. Not thread-safe: one thread at a time.
class TuneRenderer
{
public:
    TuneRenderer(const FluidSynthLibrary& fl, fluid_synth_t* synth, const std::string& midi);
    ~TuneRenderer();
    TuneRenderer(const TuneRenderer&) = delete;
    TuneRenderer& operator=(const TuneRenderer&) = delete;

    // Renders up to `count` more frames into `tune`; returns how many.
    size_t render(RenderedTune& tune, size_t count);
    bool finished() const { return finished_; }
    bool ok() const { return player_ != nullptr; }

private:
    static int onTick(void* data, int tick);
    void afterTheEnd(RenderedTune& tune, size_t from);

    const FluidSynthLibrary& fl_;
    fluid_synth_t* synth_;
    fluid_player_t* player_ = nullptr;
    std::string midi_;
    int tick_ = 0;
    bool ended_ = false; // the last event has been played
    bool finished_ = false;
    size_t quietFrames_ = 0; // after the end: frames of silence in a row
};

} // namespace platform::music
