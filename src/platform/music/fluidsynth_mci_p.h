// The state of the FluidSynth music device, shared by the files that define it. Private to the
// platform layer.
//
// FluidSynth is not linked: it and the forty libraries it brings (its sound back ends, codecs,
// SDL, readline ...) are loaded with dlopen the first time a file is opened on a machine that
// has a soundfont and may have a sound output. A machine that can play no music never loads
// them; one without the library stays silent.
//
// Three threads meet here. The thread that sends the commands (the music's own thread in the
// game, see BackgroundMci) opens the library and the sound output. A loader thread creates the
// synthesizer and loads the soundfont into it when a file is opened: that takes from 30 ms
// (TimGM6mb) to half a second (FluidR3), and nobody touches that synthesizer until it is handed
// over. For a tune short enough (music::Prerendered) the same thread then renders it into
// memory and frees the synthesizer; the sound output plays it from there, rendering what it
// needs itself while the loader is behind. A longer tune is synthesized live: the sequencer runs
// inside the sound output's call for audio, timed by the samples synthesized
// ("player.timing-source" = "sample"). Either way a device without sound output plays exactly as
// far as renderMilliseconds asks. One mutex covers the synthesizer, the sequencer and the state
// of the open file: commands hold it for microseconds, and it is never held while a soundfont
// loads, a tune renders, or a sound output opens or closes.
#pragma once

#include "platform/music/fluidsynth_mci.h"
#include "platform/music/library.h"
#include "platform/music/prerendered.h"
#include "platform/music/stream_output.h"

#include <fluidsynth.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace platform {

struct FluidSynthMci::Impl
{
    explicit Impl(Options o)
        : options(std::move(o))
    { }

    Options options;

    // ---- the commands' thread only ----
    const FluidSynthLibrary* fl = nullptr; // set once, before any FluidSynth object is made
    fluid_settings_t* settings = nullptr; // shared with the loader and the sound output
    std::thread loader; // loads the soundfont, then renders the tune ahead
    std::atomic<bool> cancel = false; // the loader is to stop rendering
    fluid_audio_driver_t* output = nullptr;
    std::unique_ptr<music::PulseOutput> pulse; // the output for PulseAudio
    std::string outputName;

    // ---- under the mutex ----
    mutable std::mutex mutex;
    enum class Font { Absent, Loading, Ready, Failed } font = Font::Absent;
    std::condition_variable fontSettled;
    fluid_synth_t* synth = nullptr; // set once the soundfont is loaded
    std::string soundfont;
    bool open = false; // a file is open under `alias`
    Text alias;
    std::string midi; // the file, parsed again for each new sequencer
    fluid_player_t* player = nullptr; // the sequencer; only while open and once `synth` is set
    bool playing = false; // a play command is in force: not stopped, not sought
    bool moved = false; // the sequencer has left the start since it was made
    bool ended = false; // the last event of the file has been played
    int tick = 0;
    // A tune short enough to be rendered ahead plays from memory (the synthesizer and `player`
    // are not used for it); a longer one is synthesized as it plays.
    std::unique_ptr<music::Prerendered> rendered;

    int openFile(const Text& path, const Text& name);
    void close();
    void play(bool fromStart);
    void stop();
    void seekToStart();
    bool isPlaying();

    bool loadLibrary();
    bool makeSettings();
    void load(std::vector<std::string> fonts);
    void work(std::vector<std::string> fonts);
    void freeSynth();
    void fill(int16_t* out, size_t count);
    int sampleRate() const;
    void resumeOutput();
    void pauseOutput();
    bool openOutput();
    void makePlayer();
    void rewind();
    static int render(void* data, int len, int nfx, float* fx[], int nout, float* out[]);
    static int onTick(void* data, int tick);
};

} // namespace platform
