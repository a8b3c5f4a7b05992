#include "platform/music/prerendered.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace platform::music {

Prerendered::Prerendered(
    const FluidSynthLibrary& fl, std::string midi, int rate, size_t maxFrames, long long totalTicks)
    : fl_(fl)
    , midi_(std::move(midi))
    , rate_(rate)
    , totalTicks_(static_cast<int>(std::min<long long>(totalTicks, INT_MAX)))
    , tune_(maxFrames)
    , playback_(rate)
{ }

void Prerendered::play(bool fromStart)
{
    std::lock_guard lock(mutex_);
    playback_.play(fromStart);
}

void Prerendered::stop()
{
    std::lock_guard lock(mutex_);
    playback_.stop();
}

void Prerendered::seekToStart()
{
    std::lock_guard lock(mutex_);
    playback_.seekToStart();
}

bool Prerendered::isPlaying() const
{
    std::lock_guard lock(mutex_);
    return playback_.isPlaying();
}

bool Prerendered::restarting() const
{
    std::lock_guard lock(mutex_);
    return playback_.restarting();
}

int Prerendered::positionTicks() const
{
    std::lock_guard lock(mutex_);
    return playback_.positionTicks(tune_);
}

void Prerendered::begin(fluid_synth_t* synth)
{
    std::lock_guard lock(renderMutex_);
    renderer_ = std::make_unique<TuneRenderer>(fl_, synth, midi_);
    if (!renderer_->ok()) {
        tune_.endFrame = 0; // nothing to play: it ends at once
        tune_.complete = true;
    }
    begun_ = true;
}

bool Prerendered::renderAhead(const std::atomic<bool>& cancel)
{
    // Blocks of a fortieth of a second: the sound output never waits long for the lock.
    while (!cancel && !tune_.complete) {
        std::lock_guard lock(renderMutex_);
        renderer_->render(tune_, 1024);
    }
    std::lock_guard lock(renderMutex_);
    if (tune_.complete)
        renderer_.reset();
    return tune_.complete;
}

void Prerendered::fill(int16_t* out, size_t count)
{
    size_t needs;
    {
        std::lock_guard lock(mutex_);
        needs = playback_.needs(count);
    }
    if (tune_.frames() < needs && !tune_.complete) {
        // The rendering is behind: the sound output renders what it needs itself.
        std::lock_guard lock(renderMutex_);
        if (renderer_ && !tune_.complete && tune_.frames() < needs)
            renderer_->render(tune_, needs - tune_.frames());
    }
    std::lock_guard lock(mutex_);
    if (tune_.frames() == 0 && !tune_.complete) {
        std::fill_n(out, 2 * count, int16_t(0)); // the soundfont is not ready yet
        return;
    }
    playback_.pull(tune_, out, count);
}

float Prerendered::fillMilliseconds(int ms)
{
    constexpr size_t block = 512;
    int16_t lr[2 * block];
    int peak = 0;
    for (long frames = std::lround(rate_ * ms / 1000.0); frames > 0;
         frames -= static_cast<long>(block)) {
        const size_t n = static_cast<size_t>(std::min<long>(frames, block));
        fill(lr, n);
        for (size_t i = 0; i < 2 * n; ++i)
            peak = std::max(peak, std::abs(static_cast<int>(lr[i])));
    }
    return static_cast<float>(peak) / 32768.0f;
}

} // namespace platform::music
