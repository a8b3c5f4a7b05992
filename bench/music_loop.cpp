// The bundled tune rendered ahead as the game renders it: how long that takes, the memory it
// holds, and the sound around the loop point, with the watchdog restarting the tune a while after
// its end (as the game's does, once a second). The level in 5 ms windows around the loop point
// shows whether there is a gap; the largest step from one sample to the next there, against the
// largest anywhere in the tune, whether there is a click.
//
//   bench_music_loop [--wav FILE] [MIDI]   (the bundled dat/bgm.mid unless told; FILE: the two
//                                           seconds around the loop point, for sox)
#include "platform/music/prerendered.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace platform;

namespace {

constexpr int rate = 44100;

double cpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void writeWav(const std::string& path, const std::vector<int16_t>& lr)
{
    std::ofstream out(path, std::ios::binary);
    const auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.put(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    const auto data = static_cast<uint32_t>(lr.size() * 2);
    out << "RIFF";
    put(36 + data, 4);
    out << "WAVEfmt ";
    put(16, 4), put(1, 2), put(2, 2), put(rate, 4), put(rate * 4, 4), put(4, 2), put(16, 2);
    out << "data";
    put(data, 4);
    out.write(reinterpret_cast<const char*>(lr.data()), data);
}

int largestStep(const std::vector<int16_t>& lr, size_t from, size_t to)
{
    int step = 0;
    for (size_t f = std::max<size_t>(from, 1); f < to && 2 * f + 1 < lr.size(); ++f) {
        for (int c = 0; c < 2; ++c)
            step = std::max(step, std::abs(lr[2 * f + c] - lr[2 * (f - 1) + c]));
    }
    return step;
}

} // namespace

int main(int argc, char** argv)
{
    std::string wav,
        midiPath
        = (std::filesystem::canonical("/proc/self/exe").parent_path() / "../dat/bgm.mid").string();
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--wav") && i + 1 < argc)
            wav = argv[++i];
        else
            midiPath = argv[i];
    }
    std::ifstream in(midiPath, std::ios::binary);
    const std::string midi { std::istreambuf_iterator<char>(in), {} };
    const auto length = music::midiLength(midi);
    if (length.seconds < 0) {
        std::fprintf(stderr, "%s: not a MIDI file\n", midiPath.c_str());
        return 2;
    }

    FluidSynthLibrary fl;
#define PELIRRA_LINKED(name) fl.name = &::name;
    PELIRRA_FLUIDSYNTH_FUNCTIONS(PELIRRA_LINKED)
#undef PELIRRA_LINKED
    for (int level : { FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG })
        fluid_set_log_function(level, nullptr, nullptr);
    // As the game's music device sets them.
    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setstr(settings, "player.timing-source", "sample");
    fluid_settings_setint(settings, "synth.lock-memory", 0);
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setnum(settings, "synth.gain", 0.6);
    fluid_settings_setint(settings, "synth.polyphony", 128);
    fluid_synth_t* synth = new_fluid_synth(settings);
    if (fluid_synth_sfload(synth, "/usr/share/sounds/sf2/TimGM6mb.sf2", 1) == FLUID_FAILED) {
        std::fprintf(stderr, "TimGM6mb.sf2 is not installed\n");
        return 2;
    }

    music::Prerendered tune(fl, midi, rate, (size_t(24) << 20) / 4, length.ticks);
    const double c0 = cpuMs();
    std::atomic<bool> cancel = false;
    tune.begin(synth);
    tune.renderAhead(cancel);
    const double renderMs = cpuMs() - c0;
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);

    // Play it to a second past the loop point, the watchdog asking every second from a third of
    // a second after the start, so that it restarts the tune 0.33 s after the end or less.
    const size_t end = tune.endFrame(), total = end + rate;
    std::vector<int16_t> lr(2 * total);
    tune.play(false);
    constexpr size_t tick = rate / 100;
    for (size_t f = 0; f < total; f += tick) {
        tune.fill(lr.data() + 2 * f, std::min(tick, total - f));
        if ((f + tick) % rate == rate / 3 && !tune.isPlaying()) {
            tune.seekToStart();
            tune.play(true);
        }
    }
    std::printf("The bundled tune rendered ahead (%s)\n", midiPath.c_str());
    std::printf("  length to its last event:   %.2f s (%zu frames)\n",
        static_cast<double>(end) / rate, end);
    std::printf("  rendering:                  %.0f ms of processor time\n", renderMs);
    std::printf(
        "  memory held:                %.1f MiB\n", static_cast<double>(tune.bytes()) / (1 << 20));
    std::printf(
        "  level around the loop point (RMS in 5 ms windows, dBFS; 0 ms = the loop point):\n");
    for (int ms = -30; ms < 30; ms += 5) {
        const size_t from = end + static_cast<size_t>(ms * rate / 1000);
        double sum = 0;
        for (size_t f = from; f < from + rate / 200; ++f)
            sum += std::pow(lr[2 * f], 2) + std::pow(lr[2 * f + 1], 2);
        const double rms = std::sqrt(sum / (rate / 100)) / 32768;
        std::printf("    %+4d ms %7.1f\n", ms, 20 * std::log10(std::max(rms, 1e-6)));
    }
    std::printf("  largest step between samples: %d within 10 ms of the loop point, %d in the "
                "whole round\n",
        largestStep(lr, end - rate / 100, end + rate / 100), largestStep(lr, 0, end));
    if (!wav.empty()) {
        writeWav(wav, { lr.begin() + 2 * static_cast<long>(end - rate), lr.end() });
        std::printf("  the two seconds around it: %s (the loop point at 1 s)\n", wav.c_str());
    }
    return 0;
}
