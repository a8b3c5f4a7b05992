// A tune synthesized ahead into memory: FluidSynth plays the MIDI file once into 16-bit stereo
// frames, which are then played from memory for as long as the music runs, at the cost of
// copying them.
#pragma once

#include "platform/music/library.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
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

// The frames rendered so far, kept in a lossless code (about half their size) in blocks of 4096,
// with the MIDI tick the sequencer had reached at each 64 frames. The round of the tune ends at
// `endFrame` (where its last event was played); the frames from there to `frames()` are the
// sound that dies away after it.
//
// One thread appends (whoever renders), others read: a frame below frames() and its tick stay as
// they are once counted.
class RenderedTune
{
public:
    static constexpr size_t None = static_cast<size_t>(-1);
    static constexpr size_t TickFrames = 64;
    static constexpr size_t BlockFrames = 4096;

    explicit RenderedTune(size_t maxFrames);

    size_t frames() const { return frames_; }
    // Appends up to `count` frames (as many as the bound allows); returns how many.
    size_t append(const int16_t* lr, size_t count);
    // Copies up to `count` frames from `frame` on into `out` (interleaved); returns how many
    // there were.
    size_t read(size_t frame, int16_t* out, size_t count) const;
    // Drops the frames from `count` on (no more are appended then).
    void truncate(size_t count);
    void noteTick(size_t frame, int tick);
    int tickAt(size_t frame) const;
    size_t bytes() const;

    std::atomic<size_t> endFrame = None; // known once the render has passed it
    std::atomic<bool> complete = false; // the last event and the sound after it are all here

private:
    const int16_t* decoded(size_t block) const;

    size_t maxFrames_;
    std::atomic<size_t> frames_ = 0;
    mutable std::mutex mutex_; // the blocks and the cache; the writer takes it to add a block
    std::vector<std::vector<uint8_t>> blocks_; // coded; never reallocated: reserved for all
    std::atomic<size_t> codedBytes_ = 0;
    std::unique_ptr<int16_t[]> partial_; // the block being filled, as it is
    // The last blocks decoded (two voices read at once).
    mutable std::array<std::unique_ptr<int16_t[]>, 2> cache_;
    mutable std::array<size_t, 2> cached_ { None, None };
    mutable size_t lastUsed_ = 0;
    struct Free
    {
        void operator()(int* p) const { std::free(p); }
    };
    // One for every TickFrames frames; zeros (untouched pages, from calloc) until written.
    std::unique_ptr<int[], Free> ticks_;
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
    void afterTheEnd(RenderedTune& tune, int16_t* lr, size_t from);

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
