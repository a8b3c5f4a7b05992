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

int FluidSynthMci::Impl::openFile(const Text& path, const Text& name)
{
    {
        std::lock_guard lock(mutex);
        // One file at a time: the sequencer is not shared between aliases.
        if (open && !sameWord(alias, name))
            return ErrCannotOpen;
    }
    close();
    auto bytes = readMidiFile(nativePath(path));
    if (!bytes)
        return ErrCannotOpen;
    Font state;
    {
        std::lock_guard lock(mutex);
        state = font; // changes from Absent only on this thread
    }
    std::vector<std::string> fonts;
    if (state == Font::Failed
        || (state == Font::Absent && (fonts = findSoundfonts(options.soundfontFolder)).empty()))
        return ErrCannotOpen;
    // Nothing is loaded for a machine that cannot play.
    if (!loadLibrary() || !makeSettings() || !openOutput())
        return ErrCannotOpen;
    const auto length = music::midiLength(*bytes);
    const size_t maxFrames = options.renderLimitBytes / 4;
    const double frames = (length.seconds + 5) * sampleRate(); // 5 s for the last notes to die
    std::lock_guard lock(mutex);
    open = true;
    alias = name;
    if (length.seconds >= 0 && frames <= static_cast<double>(maxFrames)) {
        rendered = std::make_unique<music::Prerendered>(
            *fl, *bytes, sampleRate(), maxFrames, length.ticks);
    }
    midi = std::move(*bytes);
    if (!fonts.empty())
        font = Font::Loading;
    if (!fonts.empty() || (synth && rendered))
        loader = std::thread([this, fonts = std::move(fonts)] { work(fonts); });
    else if (synth)
        makePlayer();
    return 0;
}

void FluidSynthMci::Impl::close()
{
    // The loader finishes first (the sound output renders what it needs meanwhile), then the
    // sound output, outside the lock: its thread may be waiting for the lock.
    cancel = true;
    if (loader.joinable())
        loader.join();
    cancel = false;
    pulse.reset();
    if (output) {
        fl->delete_fluid_audio_driver(output);
        output = nullptr;
        outputName.clear();
    }
    std::lock_guard lock(mutex);
    if (player) {
        fl->delete_fluid_player(player);
        player = nullptr;
    }
    if (synth)
        fl->fluid_synth_system_reset(synth);
    open = false;
    alias.clear();
    midi.clear();
    rendered.reset();
    playing = moved = ended = false;
    tick = 0;
}

void FluidSynthMci::Impl::play(bool fromStart)
{
    {
        std::lock_guard lock(mutex);
        if (rendered) {
            rendered->play(fromStart);
        } else {
            if (fromStart && moved)
                rewind();
            // At the end there is nothing left to play: the mode stays stopped.
            if (!ended) {
                playing = moved = true;
                if (player)
                    fl->fluid_player_play(player);
            }
        }
    }
    resumeOutput();
}

void FluidSynthMci::Impl::stop()
{
    pauseOutput();
    std::lock_guard lock(mutex);
    if (rendered)
        return rendered->stop();
    if (!playing)
        return;
    playing = false;
    if (player) {
        fl->fluid_player_stop(player); // keeps the position: a later play goes on from there
        fl->fluid_synth_all_notes_off(synth, -1);
    }
}

void FluidSynthMci::Impl::seekToStart()
{
    {
        std::unique_lock lock(mutex);
        if (rendered) {
            rendered->seekToStart();
            // Just after the end the sound goes on as the restarted round.
            const bool goesOn = rendered->restarting();
            lock.unlock();
            if (!goesOn)
                pauseOutput();
            return;
        }
    }
    stop();
    std::lock_guard lock(mutex);
    if (moved)
        rewind();
}

bool FluidSynthMci::Impl::isPlaying()
{
    std::lock_guard lock(mutex);
    if (rendered)
        return rendered->isPlaying();
    // A file that FluidSynth could not read ends its sequencer at once, without a last event.
    return playing && !ended
        && (!player || fl->fluid_player_get_status(player) == FLUID_PLAYER_PLAYING);
}

// FluidSynth, unless no sound output can open (a machine without a sound device is told from
// its files, before anything is loaded).

FluidSynthMci::FluidSynthMci()
    : FluidSynthMci(Options())
{ }

FluidSynthMci::FluidSynthMci(Options options)
    : d(std::make_unique<Impl>(std::move(options)))
{ }

FluidSynthMci::~FluidSynthMci()
{
    d->close();
    if (d->loader.joinable())
        d->loader.join();
    if (d->synth)
        d->fl->delete_fluid_synth(d->synth);
    if (d->settings)
        d->fl->delete_fluid_settings(d->settings);
}

int FluidSynthMci::mciSendString(TextView command, Text* reply, int replyLength)
{
    auto cmd = parseMciCommand(command);
    if (!cmd)
        return ErrUnsupported;
    auto& words = cmd->words;
    takeWord(words, u"notify");

    if (cmd->verb == u"open") {
        const auto name = takeValue(words, u"alias");
        const auto type = takeValue(words, u"type");
        if (!name || name->empty() || !type || !(type->empty() || sameWord(*type, u"sequencer"))
            || !words.empty())
            return ErrUnsupported;
        return d->openFile(cmd->device, *name);
    }

    {
        std::unique_lock lock(d->mutex);
        // A soundfont that could not be loaded after all: the device is gone.
        if (d->open && d->font == Impl::Font::Failed) {
            lock.unlock();
            d->close();
            return ErrNoDevice;
        }
        if (!d->open || !sameWord(cmd->device, d->alias))
            return ErrNoDevice;
    }

    if (cmd->verb == u"close" && words.empty()) {
        d->close();
        return 0;
    }
    if (cmd->verb == u"play") {
        const auto from = takeValue(words, u"from");
        if (!from || !(from->empty() || *from == u"0") || !words.empty())
            return ErrUnsupported;
        d->play(!from->empty());
        return 0;
    }
    if (cmd->verb == u"stop" && words.empty()) {
        d->stop();
        return 0;
    }
    if (cmd->verb == u"seek" && words.size() == 2 && sameWord(words[0], u"to")
        && (sameWord(words[1], u"start") || words[1] == u"0")) {
        d->seekToStart();
        return 0;
    }
    if (cmd->verb == u"status" && words.size() == 1 && sameWord(words[0], u"mode")) {
        putReply(reply, replyLength, d->isPlaying() ? u"playing" : u"stopped");
        return 0;
    }
    return ErrUnsupported;
}

bool FluidSynthMci::waitForSoundfont()
{
    std::unique_lock lock(d->mutex);
    d->fontSettled.wait(lock, [this] {
        return d->font != Impl::Font::Loading
            && (!d->rendered || d->rendered->begun() || d->font == Impl::Font::Failed);
    });
    return d->font == Impl::Font::Ready || (d->rendered && d->rendered->begun());
}

void FluidSynthMci::waitUntilRendered()
{
    if (d->loader.joinable())
        d->loader.join();
}

size_t FluidSynthMci::renderedBytes() const
{
    std::lock_guard lock(d->mutex);
    return d->rendered ? d->rendered->bytes() : 0;
}

bool FluidSynthMci::synthesizerLoaded() const
{
    std::lock_guard lock(d->mutex);
    return d->synth != nullptr;
}

float FluidSynthMci::renderMilliseconds(int ms)
{
    if (!waitForSoundfont())
        return 0;
    if (music::Prerendered* tune = d->rendered.get())
        return tune->fillMilliseconds(ms);
    double rate = 44100;
    d->fl->fluid_settings_getnum(d->settings, "synth.sample-rate", &rate);
    constexpr int block = 512;
    float left[block], right[block];
    float peak = 0;
    for (long frames = std::lround(rate * ms / 1000); frames > 0; frames -= block) {
        const int n = static_cast<int>(std::min<long>(frames, block));
        {
            std::lock_guard lock(d->mutex);
            d->fl->fluid_synth_write_float(d->synth, n, left, 0, 1, right, 0, 1);
        }
        for (int i = 0; i < n; ++i)
            peak = std::max({ peak, std::fabs(left[i]), std::fabs(right[i]) });
    }
    return peak;
}

int FluidSynthMci::positionTicks() const
{
    std::lock_guard lock(d->mutex);
    if (d->rendered)
        return d->rendered->positionTicks();
    return d->player ? d->tick : 0;
}

int FluidSynthMci::lengthTicks() const
{
    std::lock_guard lock(d->mutex);
    if (d->rendered)
        return d->font == Impl::Font::Loading ? 0 : d->rendered->lengthTicks();
    return d->player ? d->fl->fluid_player_get_total_ticks(d->player) : 0;
}

std::string FluidSynthMci::soundfont() const
{
    std::lock_guard lock(d->mutex);
    return d->soundfont;
}

std::string FluidSynthMci::audioDriver() const
{
    return d->outputName;
}

} // namespace platform
