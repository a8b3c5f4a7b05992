// The music at start-up: how long the commands of BgmOpen and BgmPlay take on the thread that
// sends them (in the game the music's own thread, once the window has appeared; this program
// links FluidSynth, so loading the library is not counted), how long after that the soundfont
// is ready to sound and the tune (a minute) rendered ahead, and the resident memory the music
// adds once it is. Every run is a
// process of its own, as a fresh start of the program is: memory freed by an earlier run would
// otherwise be reused and hide the cost.
//
//   bench_music_startup [runs]     (7 runs unless told)
#include "platform/music/fluidsynth_mci.h"
#include "support/midi.h"

#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace platform;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double residentMiB()
{
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    const double pageSize = static_cast<double>(sysconf(_SC_PAGESIZE));
    return static_cast<double>(resident) * pageSize / (1024.0 * 1024.0);
}

struct Figures
{
    double sendingMs = 0; // open + play, as BgmOpen and BgmPlay send them
    double readyMs = 0; // from open until the soundfont is loaded
    double renderedMs = 0; // from open until the tune is rendered ahead and the synthesizer freed
    double addedMiB = 0; // resident memory added
    char driver[32] = {};
    char soundfont[256] = {};
};

// Runs `measure` in a child process and brings its figures back.
template <class F> Figures inChild(F measure)
{
    int channel[2];
    if (pipe(channel) != 0)
        return measure();
    const pid_t child = fork();
    if (child == 0) {
        const Figures f = measure();
        [[maybe_unused]] const auto n = write(channel[1], &f, sizeof f);
        _exit(0);
    }
    close(channel[1]);
    Figures f;
    if (read(channel[0], &f, sizeof f) != static_cast<ssize_t>(sizeof f))
        std::fprintf(stderr, "a run failed\n");
    close(channel[0]);
    waitpid(child, nullptr, 0);
    return f;
}

// The music device as the program starts it.
Figures startMusic(const FluidSynthMci::Options& options, const std::string& file)
{
    Figures f;
    const double before = residentMiB();
    FluidSynthMci music(options);
    const auto start = Clock::now();
    music.mciSendString(u"close MIDI notify", nullptr, 0);
    music.mciSendString(u"open \"" + fromUtf8(file) + u"\" alias MIDI", nullptr, 0);
    music.mciSendString(u"play MIDI notify", nullptr, 0);
    f.sendingMs = msSince(start);
    music.waitForSoundfont();
    f.readyMs = msSince(start);
    music.waitUntilRendered();
    f.renderedMs = msSince(start);
    if (options.audioDrivers.empty())
        music.renderMilliseconds(200);
    else
        usleep(200000);
    f.addedMiB = residentMiB() - before;
    std::snprintf(f.driver, sizeof f.driver, "%s", music.audioDriver().c_str());
    std::snprintf(f.soundfont, sizeof f.soundfont, "%s", music.soundfont().c_str());
    return f;
}

// A soundfont loaded into a synthesizer that exists already: the load itself, as the game's
// thread would pay it without the loader thread, and the memory the soundfont alone adds.
Figures loadSoundfont(const std::string& path)
{
    Figures f;
    for (int level : { FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG })
        fluid_set_log_function(level, nullptr, nullptr);
    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setint(settings, "synth.lock-memory", 0);
    fluid_synth_t* synth = new_fluid_synth(settings);
    const double before = residentMiB();
    const auto start = Clock::now();
    if (fluid_synth_sfload(synth, path.c_str(), 1) != FLUID_FAILED)
        std::snprintf(f.soundfont, sizeof f.soundfont, "%s", path.c_str());
    f.readyMs = msSince(start);
    f.addedMiB = residentMiB() - before;
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return f;
}

double median(std::vector<Figures> runs, double Figures::*field)
{
    std::sort(runs.begin(), runs.end(),
        [&](const Figures& a, const Figures& b) { return a.*field < b.*field; });
    return runs[runs.size() / 2].*field;
}

void reportStart(
    const char* title, const FluidSynthMci::Options& options, const std::string& file, int count)
{
    std::vector<Figures> runs;
    for (int i = 0; i < count; ++i)
        runs.push_back(inChild([&] { return startMusic(options, file); }));
    const Figures& last = runs.back();
    std::printf("%s\n", title);
    if (!options.audioDrivers.empty())
        std::printf("  sound output:                 %s\n",
            *last.driver ? last.driver : "none opened (the game is silent)");
    std::printf(
        "  soundfont:                    %s\n", *last.soundfont ? last.soundfont : "none loaded");
    std::printf("  open + play, sending thread:  %.2f ms (median of %d runs)\n",
        median(runs, &Figures::sendingMs), count);
    if (*last.soundfont) {
        std::printf("  sounding after:               %.1f ms (the soundfont loads on a thread)\n",
            median(runs, &Figures::readyMs));
        std::printf("  rendered ahead after:         %.1f ms (the synthesizer freed then)\n",
            median(runs, &Figures::renderedMs));
        std::printf("  resident memory added:        %.1f MiB (the library, the rendered tune)\n",
            median(runs, &Figures::addedMiB));
    }
}

void reportSoundfont(const std::string& path, int count)
{
    std::vector<Figures> runs;
    for (int i = 0; i < count; ++i)
        runs.push_back(inChild([&] { return loadSoundfont(path); }));
    if (!*runs.back().soundfont)
        return;
    std::printf("Soundfont %s alone:\n", path.c_str());
    std::printf("  load:                         %.1f ms (median of %d runs)\n",
        median(runs, &Figures::readyMs), count);
    std::printf("  resident memory added:        %.1f MiB\n", median(runs, &Figures::addedMiB));
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const fs::path dir = fs::temp_directory_path() / ("pelirra-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string file = (dir / "bgm.mid").string();
    test::writeMidi(file, 60000, 120);

    reportStart("Start-up with the usual sound outputs (PulseAudio, then ALSA):",
        FluidSynthMci::Options(), file, runs);
    FluidSynthMci::Options silent;
    silent.audioDrivers.clear();
    reportStart("Start-up without sound output (as the tests run):", silent, file, runs);

    const std::string folder = FluidSynthMci::Options().soundfontFolder;
    for (const char* name : { "TimGM6mb.sf2", "FluidR3_GM.sf2" })
        reportSoundfont(folder + "/" + name, runs);

    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
