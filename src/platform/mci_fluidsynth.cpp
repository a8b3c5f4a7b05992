// The music device over FluidSynth.
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
#include "platform/mci_fluidsynth.h"
#include "platform/errors.h"
#include "platform/files/files.h"
#include "platform/files/regular_file.h"
#include "platform/music/library.h"
#include "platform/music/prerendered.h"
#include "platform/music/stream_output.h"

#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

// The ALSA library's error handler, as libasound declares it.
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) { }

// Music that cannot play is not worth a word: FluidSynth's log and the ALSA library's own
// complaints (a machine without a sound card) stay off the terminal.
void silence(const FluidSynthLibrary& fl)
{
    for (int level : { FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG })
        fl.fluid_set_log_function(level, nullptr, nullptr);
    // FluidSynth brought libasound with it; this handle only looks it up.
    if (void* alsa = ::dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL | RTLD_NOLOAD)) {
        using SetHandler = int (*)(AlsaErrorHandler);
        if (auto set = reinterpret_cast<SetHandler>(::dlsym(alsa, "snd_lib_error_set_handler")))
            set(ignoreAlsaError);
        ::dlclose(alsa);
    }
}

// FluidSynth from `file`, loaded once for the whole process and never unloaded (its threads and
// its dependencies' clean-up would outlive it); nullptr when it cannot be loaded or lacks a
// function. A failure is remembered, so it costs one attempt.
const FluidSynthLibrary* loadFluidSynth(const std::string& file)
{
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<FluidSynthLibrary>> loaded;
    std::lock_guard lock(mutex);
    const auto [at, fresh] = loaded.try_emplace(file);
    if (!fresh)
        return at->second.get();
    void* handle = ::dlopen(file.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle) {
        ::dlerror(); // nobody is told
        return nullptr;
    }
    auto fl = std::make_unique<FluidSynthLibrary>();
    bool complete = true;
#define PELIRRA_RESOLVE(name)                                                                      \
    fl->name = reinterpret_cast<decltype(fl->name)>(::dlsym(handle, #name));                       \
    complete = complete && fl->name;
    PELIRRA_FLUIDSYNTH_FUNCTIONS(PELIRRA_RESOLVE)
#undef PELIRRA_RESOLVE
    if (!complete) {
        ::dlerror();
        return nullptr; // the handle stays: unloading a library is never worth its risks here
    }
    silence(*fl);
    at->second = std::move(fl);
    return at->second.get();
}

bool exists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(path, ec);
}

// A PulseAudio server this machine names: PULSE_SERVER (a list of addresses; a local socket
// counts when it exists, any other address is worth a try), a default server in a client
// configuration, or the socket of the user's or the system's own server.
bool pulseServerMayAnswer()
{
    if (const char* servers = std::getenv("PULSE_SERVER"); servers && *servers) {
        std::istringstream list(servers);
        for (std::string address; list >> address;) {
            if (address.front() == '{') // {machine-id}address: meant for that machine
                address.erase(0, address.find('}') + 1);
            if (address.rfind("unix:", 0) == 0)
                address.erase(0, 5);
            if (address.empty() || address.front() != '/' || exists(address))
                return true;
        }
        return false;
    }
    const char* home = std::getenv("HOME");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string userConfig = config && *config ? std::string(config) + "/pulse/client.conf"
        : home ? std::string(home) + "/.config/pulse/client.conf"
               : std::string();
    for (const std::string& conf : { userConfig, std::string("/etc/pulse/client.conf") }) {
        std::ifstream in(conf);
        for (std::string line; std::getline(in, line);) {
            const size_t at = line.find_first_not_of(" \t");
            if (at != std::string::npos && line.compare(at, 14, "default-server") == 0)
                return true;
        }
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return (runtime && exists(std::string(runtime) + "/pulse/native"))
        || exists("/run/user/" + std::to_string(::getuid()) + "/pulse/native")
        || exists("/run/pulse/native");
}

// An ALSA playback device, or an ALSA configuration of the user's or the system's own (which
// may name any device).
bool alsaDeviceMayOpen()
{
    const char* home = std::getenv("HOME");
    if (std::getenv("ALSA_CONFIG_PATH") || exists("/etc/asound.conf")
        || (home && exists(std::string(home) + "/.asoundrc")))
        return true;
    std::error_code ec;
    for (std::filesystem::directory_iterator it("/dev/snd", ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("pcmC", 0) == 0 && name.back() == 'p')
            return true;
    }
    return false;
}

// The soundfonts of `folder` in the order they are tried; each file once, however many
// links name it.
std::vector<std::string> findSoundfonts(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::vector<std::string> found;
    std::set<fs::path> seen;
    const auto add = [&](const fs::path& path) {
        std::error_code ec;
        if (!fs::is_regular_file(path, ec))
            return;
        const fs::path real = fs::canonical(path, ec);
        if (!ec && seen.insert(real).second)
            found.push_back(path.string());
    };
    for (const char* name :
        { "TimGM6mb.sf2", "default-GM.sf2", "default-GM.sf3", "FluidR3_GM.sf2", "FluidR3_GM.sf3" })
        add(fs::path(folder) / name);
    std::vector<fs::path> others;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const auto ext = it->path().extension();
        if (ext == ".sf2" || ext == ".sf3")
            others.push_back(it->path());
    }
    std::sort(others.begin(), others.end());
    for (const auto& path : others)
        add(path);
    return found;
}

uint32_t bigEndian(const std::string& bytes, size_t at, int count)
{
    uint32_t v = 0;
    for (int i = 0; i < count; ++i)
        v = v << 8 | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    return v;
}

// A standard MIDI file as FluidSynth plays it: the header, then chunks that lie whole in the
// file, as many tracks among them as the header counts, and time in ticks a beat (not SMPTE).
// The events themselves are read when the file plays.
bool isMidiFile(const std::string& bytes)
{
    if (bytes.size() < 14 || bytes.compare(0, 4, "MThd") != 0 || bigEndian(bytes, 4, 4) != 6
        || bigEndian(bytes, 8, 2) > 2 || (bigEndian(bytes, 12, 2) & 0x8000) != 0)
        return false;
    uint32_t tracks = 0;
    size_t at = 14;
    while (at + 8 <= bytes.size()) {
        const uint64_t length = bigEndian(bytes, at + 4, 4);
        if (at + 8 + length > bytes.size())
            return false;
        if (bytes.compare(at, 4, "MTrk") == 0)
            ++tracks;
        at += 8 + length;
    }
    return tracks >= bigEndian(bytes, 10, 2);
}

// A tune larger than this is no background music: it is not read.
constexpr long long MaxMidiBytes = 16 << 20;

// The bytes of a standard MIDI file, or nothing when `path` is not one. Only a regular file
// is read (a named pipe in its place would keep the start-up waiting), and only up to
// MaxMidiBytes, so that a giant file costs neither time nor memory.
std::optional<std::string> readMidiFile(const std::string& path)
{
    int fd;
    try {
        fd = openRegularFile(fromUtf8(path), fromUtf8(path));
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
    struct stat st
    {
    };
    std::string bytes;
    if (::fstat(fd, &st) == 0 && st.st_size <= MaxMidiBytes) {
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<size_t>(n);
        }
        bytes.resize(done);
    }
    ::close(fd);
    if (!isMidiFile(bytes))
        return std::nullopt;
    return bytes;
}

} // namespace

bool soundOutputMayOpen(const std::vector<std::string>& drivers)
{
    for (const auto& driver : drivers) {
        if (driver == "pulseaudio" ? pulseServerMayAnswer()
                : driver == "alsa" ? alsaDeviceMayOpen()
                                   : true)
            return true;
    }
    return false;
}

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

int FluidSynthMci::Impl::openFile(const Text& path, const Text& name)
{
    {
        std::lock_guard lock(mutex);
        // One file at a time: the sequencer is not shared between aliases.
        if (open && !sameWord(alias, name))
            return ErrCannotOpen;
    }
    close();
    auto bytes = readMidiFile(toUtf8(path));
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
