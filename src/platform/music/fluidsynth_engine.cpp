// The FluidSynth music device's engine: the library and the settings, the loader thread that
// loads the soundfont and renders a tune ahead, the sound output and the sequencer.
#include "platform/music/fluidsynth_mci_p.h"

#include "platform/errors.h"
#include "platform/music/midi_file.h"
#include "platform/music/outputs.h"
#include "platform/music/soundfonts.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

namespace platform {

bool FluidSynthMci::Impl::loadLibrary()
{
    if (!fl && (options.audioDrivers.empty() || soundOutputMayOpen(options.audioDrivers)))
        fl = loadFluidSynth(options.library);
    return fl != nullptr;
}

bool FluidSynthMci::Impl::makeSettings()
{
    if (!settings) {
        settings = fl->new_fluid_settings();
        if (!settings)
            return false;
        fl->fluid_settings_setstr(settings, "player.timing-source", "sample");
        fl->fluid_settings_setint(settings, "synth.lock-memory", 0);
        // Only the instruments the file uses are loaded, and the tune sits at a comfortable level.
        fl->fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
        fl->fluid_settings_setnum(settings, "synth.gain", 0.6);
        // Half of FluidSynth's 256 voices (four times what General MIDI asks of a synthesizer)
        // is plenty for background music, and 1.4 MB less memory.
        fl->fluid_settings_setint(settings, "synth.polyphony", 128);
        // Background music needs no low latency: large periods let the sound output wake about
        // ten times a second instead of several thousand (64-sample periods cost 18 % of a core).
        fl->fluid_settings_setint(settings, "audio.period-size", 4096);
        fl->fluid_settings_setint(settings, "audio.periods", 2);
    }
    return true;
}

// On the loader thread, at low priority: the window's first appearance comes first. The
// soundfont is loaded, when it is not yet; a tune short enough is then rendered ahead, and the
// synthesizer with the samples it loaded is freed once the whole tune is in memory.
void FluidSynthMci::Impl::work(std::vector<std::string> fonts)
{
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
    if (!fonts.empty())
        load(std::move(fonts));
    fluid_synth_t* s;
    music::Prerendered* tune;
    {
        std::lock_guard lock(mutex);
        s = synth;
        tune = rendered.get(); // stays until close, which waits for this thread
    }
    if (!s || !tune)
        return;
    tune->begin(s);
    {
        std::lock_guard lock(mutex);
        fontSettled.notify_all();
    }
    if (!options.renderAhead || !tune->renderAhead(cancel))
        return;
    freeSynth();
    if (pulse)
        pulse->useLargeBuffers();
}

void FluidSynthMci::Impl::freeSynth()
{
    fluid_synth_t* s;
    {
        std::lock_guard lock(mutex);
        s = synth;
        synth = nullptr;
        font = Font::Absent; // loaded again for the next file
    }
    fl->delete_fluid_synth(s);
    ::malloc_trim(0); // the samples' memory goes back to the system
}

int FluidSynthMci::Impl::sampleRate() const
{
    double rate = 44100;
    fl->fluid_settings_getnum(settings, "synth.sample-rate", &rate);
    return static_cast<int>(rate);
}

void FluidSynthMci::Impl::resumeOutput()
{
    if (pulse)
        pulse->resume();
}

void FluidSynthMci::Impl::pauseOutput()
{
    if (pulse)
        pulse->pause();
}

// On the sound output's thread: the next frames, from memory or synthesized.
void FluidSynthMci::Impl::fill(int16_t* out, size_t count)
{
    std::unique_lock lock(mutex);
    if (music::Prerendered* tune = rendered.get()) {
        lock.unlock(); // it stays while the output runs
        return tune->fill(out, count);
    }
    if (synth)
        fl->fluid_synth_write_s16(synth, static_cast<int>(count), out, 0, 2, out, 1, 2);
    else
        std::fill_n(out, 2 * count, int16_t(0));
}

void FluidSynthMci::Impl::load(std::vector<std::string> fonts)
{
    fluid_synth_t* s = fl->new_fluid_synth(settings);
    std::string used;
    for (const auto& path : fonts) {
        if (s && fl->fluid_synth_sfload(s, path.c_str(), 1) != FLUID_FAILED) {
            used = path;
            break;
        }
    }
    if (s && used.empty()) {
        fl->delete_fluid_synth(s);
        s = nullptr;
    }
    std::lock_guard lock(mutex);
    if (!s) {
        font = Font::Failed;
        fontSettled.notify_all();
        return;
    }
    synth = s;
    soundfont = used;
    font = Font::Ready;
    fontSettled.notify_all();
    if (open && !rendered) {
        makePlayer();
        if (player && playing) {
            fl->fluid_player_play(player);
            moved = true;
        }
    }
}

bool FluidSynthMci::Impl::openOutput()
{
    for (const auto& name : options.audioDrivers) {
        if (name == "pulseaudio") {
            pulse = music::PulseOutput::open(
                sampleRate(), [this](int16_t* out, size_t count) { fill(out, count); });
            if (pulse) {
                outputName = name;
                return true;
            }
            continue;
        }
        if (fl->fluid_settings_setstr(settings, "audio.driver", name.c_str()) != FLUID_OK)
            continue;
        output = fl->new_fluid_audio_driver2(settings, &Impl::render, this);
        if (output) {
            outputName = name;
            return true;
        }
    }
    return options.audioDrivers.empty();
}

// A new sequencer on the open file, at its start. Under the lock, with `synth` set.
void FluidSynthMci::Impl::makePlayer()
{
    player = fl->new_fluid_player(synth);
    if (!player)
        return;
    fl->fluid_player_add_mem(player, midi.data(), midi.size());
    fl->fluid_player_set_tick_callback(player, &Impl::onTick, this);
    moved = ended = false;
    tick = 0;
}

// Back to the start, stopped. FluidSynth's sequencer, once it has played its file to the end,
// waits for the last notes to die away and then resets the synthesizer on its own; a fresh one
// avoids all that. Under the lock.
void FluidSynthMci::Impl::rewind()
{
    moved = ended = false;
    tick = 0;
    if (!player)
        return;
    fl->delete_fluid_player(player);
    player = nullptr;
    // Let the notes still sounding die away, and clear what the file left set (pitch bends,
    // the sustain pedal) so that the next round starts as the first did.
    fl->fluid_synth_all_notes_off(synth, -1);
    for (int chan = 0; chan < fl->fluid_synth_count_midi_channels(synth); ++chan)
        fl->fluid_synth_cc(synth, chan, 121, 0);
    makePlayer();
}

// On the sound output's thread: synthesizes the next period, which runs the sequencer.
int FluidSynthMci::Impl::render(void* data, int len, int nfx, float* fx[], int nout, float* out[])
{
    auto* d = static_cast<Impl*>(data);
    std::unique_lock lock(d->mutex);
    if (d->rendered && nout >= 2) {
        lock.unlock();
        int16_t lr[2 * 1024];
        for (int done = 0; done < len;) {
            const int n = std::min(len - done, 1024);
            d->fill(lr, static_cast<size_t>(n));
            for (int i = 0; i < n; ++i) {
                out[0][done + i] = lr[2 * i] / 32768.0f;
                out[1][done + i] = lr[2 * i + 1] / 32768.0f;
            }
            done += n;
        }
        return FLUID_OK;
    }
    if (!d->synth)
        return FLUID_OK; // the buffers come zeroed: silence until the soundfont is ready
    return d->fl->fluid_synth_process(d->synth, len, nfx, fx, nout, out);
}

// Inside the synthesis, under the lock: the sequencer has sent every event up to `tick`.
int FluidSynthMci::Impl::onTick(void* data, int tick)
{
    auto* d = static_cast<Impl*>(data);
    d->tick = tick;
    if (tick >= d->fl->fluid_player_get_total_ticks(d->player))
        d->ended = true;
    return FLUID_OK;
}

} // namespace platform
