// Background music: the game's music procedures and watchdog over the real FluidSynth sequencer,
// with no sound device. The tests synthesize the audio themselves, which is what moves the
// sequencer on: a tick of the watchdog is a call, a second of music is a render.
#include "support/game.h"
#include "support/midi.h"

#include "platform/mci_background.h"
#include "platform/music/fluidsynth_mci.h"
#include "platform/music/playback.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QWidget>

#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

using namespace platform;
using test::u8;

namespace {

FluidSynthMci::Options withoutSoundOutput()
{
    FluidSynthMci::Options options;
    options.audioDrivers.clear();
    return options;
}

// A game whose music device is FluidSynth without sound output, every command recorded.
struct MusicGame : test::Game
{
    explicit MusicGame(FluidSynthMci::Options options = withoutSoundOutput())
    {
        auto device = std::make_unique<FluidSynthMci>(std::move(options));
        music = device.get();
        mci->device = std::move(device);
        minimalStory();
    }

    // The commands sent from the `from`-th on.
    std::vector<std::string> sent(size_t from = 0) const
    {
        std::vector<std::string> out;
        for (size_t i = from; i < mci->commands.size(); ++i)
            out.push_back(u8(mci->commands[i]));
        return out;
    }
    std::vector<int> results(size_t from = 0) const
    {
        return { mci->results.begin() + static_cast<long>(from), mci->results.end() };
    }

    FluidSynthMci* music;
};

struct Status
{
    int result;
    Text reply;
};

// The status query as the watchdog sends it: a buffer of 16 spaces, the length 15.
Status status(Mci& device)
{
    Status s { 0, Text(16, u' ') };
    s.result = device.mciSendString(u"status MIDI mode", &s.reply, 15);
    return s;
}

// The mode answered, up to its terminating zero; "failed" when the query failed.
std::string mode(Mci& device)
{
    const Status s = status(device);
    return s.result != 0 ? "failed" : u8(s.reply.substr(0, s.reply.find(u'\0')));
}

const Text untouched(16, u' ');

// Sets an environment variable for the time of a block.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* name, const std::string& value)
        : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment()
    {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Holds every command until it is let go, then passes it on.
class HeldMci : public Mci
{
public:
    explicit HeldMci(std::unique_ptr<Mci> device)
        : device_(std::move(device))
    { }
    int mciSendString(TextView command, Text* reply, int replyLength) override
    {
        std::unique_lock lock(mutex_);
        released_.wait(lock, [this] { return free_; });
        return device_->mciSendString(command, reply, replyLength);
    }
    void letGo()
    {
        std::lock_guard lock(mutex_);
        free_ = true;
        released_.notify_all();
    }

private:
    std::unique_ptr<Mci> device_;
    std::mutex mutex_;
    std::condition_variable released_;
    bool free_ = false;
};

} // namespace

TEST(Music, PlaysFromStartUpAndStopsAtTheLastEventOfTheFile)
{
    MusicGame g;
    test::writeMidi(g.dat("bgm.mid"), 1000);
    Fom& fom = g.start();
    const std::string open = "open \"" + g.dat("bgm.mid") + "\" alias MIDI";
    EXPECT_EQ(
        g.sent(), (std::vector<std::string> { "close MIDI notify", open, "play MIDI notify" }));
    // Nothing was open to close yet; the file opens and plays.
    EXPECT_EQ(g.results(), (std::vector<int> { Mci::ErrNoDevice, 0, 0 }));
    EXPECT_TRUE(fom.BgmOn);
    EXPECT_EQ(mode(*g.music), "playing");

    EXPECT_GT(g.music->renderMilliseconds(500), 0.01f); // it sounds
    EXPECT_EQ(g.music->lengthTicks(), test::midiTicks(1000));
    EXPECT_NEAR(g.music->positionTicks(), test::midiTicks(500), 5);
    g.music->renderMilliseconds(470);
    EXPECT_EQ(mode(*g.music), "playing");

    // Just past the end of the track it is stopped, although the last note is still dying away
    // (FluidSynth's own player would go on reporting that it plays for seconds).
    g.music->renderMilliseconds(40);
    EXPECT_EQ(mode(*g.music), "stopped");
    EXPECT_GT(g.music->renderMilliseconds(50), 0.0001f);
    EXPECT_TRUE(g.errors.empty());
}

TEST(Music, TheWatchdogStartsItAgainFromTheStartWithinOneTick)
{
    MusicGame g;
    test::writeMidi(g.dat("bgm.mid"), 1000);
    Fom& fom = g.start();
    g.music->renderMilliseconds(600);
    size_t n = g.mci->commands.size();
    fom.Bgm_Check.fire();
    EXPECT_EQ(g.sent(n), (std::vector<std::string> { "status MIDI mode" })); // playing: left alone

    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE(round);
        g.music->renderMilliseconds(round == 1 ? 450 : 1000);
        ASSERT_EQ(mode(*g.music), "stopped");
        n = g.mci->commands.size();
        fom.Bgm_Check.fire();
        EXPECT_EQ(g.sent(n),
            (std::vector<std::string> {
                "status MIDI mode", "seek MIDI to start", "play MIDI from 0" }));
        EXPECT_EQ(g.results(n), (std::vector<int> { 0, 0, 0 }));
        EXPECT_EQ(mode(*g.music), "playing");
        EXPECT_GT(g.music->renderMilliseconds(100), 0.01f);
        EXPECT_LT(g.music->positionTicks(), test::midiTicks(110));
    }
}

TEST(Music, StopAndTheQuitButtonSilenceIt)
{
    {
        MusicGame g;
        test::writeMidi(g.dat("bgm.mid"), 1000);
        Fom& fom = g.start();
        g.music->renderMilliseconds(300);
        fom.BgmStop();
        EXPECT_FALSE(fom.BgmOn);
        EXPECT_EQ(g.sent().back(), "stop MIDI notify");
        EXPECT_EQ(g.results().back(), 0);
        EXPECT_EQ(mode(*g.music), "stopped");
        const int at = g.music->positionTicks();
        // The sequencer stays where it stopped, the notes die away, and the watchdog only asks.
        for (int tick = 0; tick < 3; ++tick) {
            g.music->renderMilliseconds(1000);
            const size_t n = g.mci->commands.size();
            fom.Bgm_Check.fire();
            EXPECT_EQ(g.sent(n), (std::vector<std::string> { "status MIDI mode" }));
            EXPECT_EQ(mode(*g.music), "stopped");
        }
        EXPECT_EQ(g.music->positionTicks(), at);
        EXPECT_LT(g.music->renderMilliseconds(100), 0.0001f);
    }
    {
        MusicGame g;
        test::writeMidi(g.dat("bgm.mid"), 5000);
        Fom& fom = g.start();
        g.music->renderMilliseconds(300);
        const size_t n = g.mci->commands.size();
        fom.Com(fom.Com.UBound()).click();
        EXPECT_TRUE(g.exited);
        EXPECT_EQ(
            g.sent(n), (std::vector<std::string> { "stop MIDI notify", "close MIDI notify" }));
        EXPECT_EQ(g.results(n), (std::vector<int> { 0, 0 }));
        // Nothing is open any more: the query fails and leaves the buffer alone.
        const Status s = status(*g.music);
        EXPECT_EQ(s.result, Mci::ErrNoDevice);
        EXPECT_EQ(s.reply, untouched);
        g.music->renderMilliseconds(1000);
        EXPECT_LT(g.music->renderMilliseconds(100), 0.0001f);
    }
}

TEST(Music, WithoutAPlayableFileEveryCommandFailsQuietly)
{
    // Missing, not MIDI, empty, cut short.
    for (const auto& content : std::vector<std::optional<std::string>> {
             std::nullopt, "MThd, or so it says", "", test::midiFile(1000).substr(0, 30) }) {
        SCOPED_TRACE(content ? std::to_string(content->size()) + " bytes" : "no bgm.mid");
        MusicGame g;
        if (content)
            test::writeBytes(g.dat("bgm.mid"), *content);
        Fom& fom = g.start();
        EXPECT_EQ(g.sent().size(), 3u);
        for (int result : g.results())
            EXPECT_NE(result, 0);
        for (int tick = 0; tick < 3; ++tick) {
            g.music->renderMilliseconds(1000);
            const size_t n = g.mci->commands.size();
            fom.Bgm_Check.fire();
            EXPECT_EQ(g.sent(n), (std::vector<std::string> { "status MIDI mode" }));
            EXPECT_EQ(g.results(n), (std::vector<int> { Mci::ErrNoDevice }));
        }
        EXPECT_EQ(status(*g.music).reply, untouched);
        EXPECT_TRUE(fom.BgmOn); // the game goes on as if it played
        EXPECT_TRUE(g.errors.empty());
        EXPECT_FALSE(g.exited);
        EXPECT_EQ(fom.Com.UBound(), 3); // start-up went on: two choices, past records, quit
    }
}

TEST(Music, WithoutASoundfontOrASoundDeviceTheGameIsSilentAndSaysNothing)
{
    QTemporaryDir empty;
    {
        auto options = withoutSoundOutput();
        options.soundfontFolder = empty.path().toStdString();
        MusicGame g(options);
        test::writeMidi(g.dat("bgm.mid"), 1000);
        Fom& fom = g.start();
        EXPECT_EQ(g.results(),
            (std::vector<int> { Mci::ErrNoDevice, Mci::ErrCannotOpen, Mci::ErrNoDevice }));
        fom.Bgm_Check.fire();
        EXPECT_EQ(g.sent(3), (std::vector<std::string> { "status MIDI mode" }));
        EXPECT_EQ(status(*g.music).reply, untouched);
        EXPECT_TRUE(g.errors.empty());
    }
    {
        // The usual sound outputs, on a machine where neither opens: no PulseAudio server, and
        // an ALSA configuration without any device.
        const std::string noDevices = empty.path().toStdString() + "/asound.conf";
        test::writeBytes(noDevices, "");
        const ScopedEnvironment pulse("PULSE_SERVER", "unix:/nonexistent/pulse");
        const ScopedEnvironment alsa("ALSA_CONFIG_PATH", noDevices);
        testing::internal::CaptureStderr();
        MusicGame g { FluidSynthMci::Options() };
        test::writeMidi(g.dat("bgm.mid"), 1000);
        Fom& fom = g.start();
        fom.Bgm_Check.fire();
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(g.results(),
            (std::vector<int> {
                Mci::ErrNoDevice, Mci::ErrCannotOpen, Mci::ErrNoDevice, Mci::ErrNoDevice }));
        EXPECT_EQ(g.music->audioDriver(), "");
        EXPECT_EQ(said.find("fluidsynth"), std::string::npos) << said;
        EXPECT_EQ(said.find("ALSA"), std::string::npos) << said;
        EXPECT_TRUE(g.errors.empty());
    }
}

TEST(Music, ADataFolderWithSpacesOpensTheRightFile)
{
    MusicGame g;
    const std::string folder = g.folder() + "/My Games/ペリラ の 物語";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder + "/dat")));
    test::writeLines(folder + "/dat/txt.dat", { u"喜び" });
    test::writeLines(folder + "/dat/0.dat", { u"はじまり" });
    test::writeMidi(folder + "/dat/bgm.mid", 2000);
    test::writeMidi(g.dat("bgm.mid"), 1000);
    g.sys.programFolder = fromUtf8(folder);
    g.start();
    ASSERT_EQ(g.sent().size(), 3u);
    EXPECT_EQ(g.sent()[1], "open \"" + folder + "/dat/bgm.mid\" alias MIDI");
    EXPECT_EQ(g.results(), (std::vector<int> { Mci::ErrNoDevice, 0, 0 }));
    g.music->renderMilliseconds(10);
    EXPECT_EQ(g.music->lengthTicks(), test::midiTicks(2000));
}

TEST(MusicCommands, WordsInAnyCaseAndWhatTheDeviceCannotDoFails)
{
    QTemporaryDir dir;
    const std::string first = dir.path().toStdString() + "/first tune.mid";
    const std::string second = dir.path().toStdString() + "/second.mid";
    test::writeMidi(first, 1000);
    test::writeMidi(second, 2000);
    FluidSynthMci music(withoutSoundOutput());
    const auto send = [&](const Text& command) { return music.mciSendString(command, nullptr, 0); };

    ASSERT_EQ(send(u"OPEN  \"" + fromUtf8(first) + u"\"\tType Sequencer ALIAS midi"), 0);
    EXPECT_EQ(send(u"Play Midi Notify"), 0);
    EXPECT_EQ(mode(music), "playing");

    // The answer fits the caller's buffer and length; what lies beyond stays as it was.
    Text reply(6, u'x');
    EXPECT_EQ(music.mciSendString(u"STATUS midi MODE", &reply, 4), 0);
    EXPECT_EQ(reply, Text(u"pla\0xx", 6));
    reply = Text(3, u'x');
    EXPECT_EQ(music.mciSendString(u"status MIDI mode", &reply, 15), 0);
    EXPECT_EQ(reply, u"pla");

    const Text other = u"open \"" + fromUtf8(second);
    for (const Text& command : std::vector<Text> { u"status MIDI position", u"pause MIDI",
             u"play MIDI from 500", u"play MIDI wait", u"seek MIDI to end", u"status MUSIC mode",
             u"stop", u"", other + u" alias MIDI", other + u"\"", other + u"\" alias TUNE" }) {
        reply = untouched;
        EXPECT_NE(music.mciSendString(command, &reply, 15), 0) << u8(command);
        EXPECT_EQ(reply, untouched) << u8(command);
    }
    EXPECT_EQ(mode(music), "playing");
    music.renderMilliseconds(300);
    EXPECT_EQ(music.lengthTicks(), test::midiTicks(1000)); // still the first file

    // Stop keeps the position and play goes on from it.
    EXPECT_EQ(send(u"stop MIDI"), 0);
    const int at = music.positionTicks();
    music.renderMilliseconds(500);
    EXPECT_EQ(send(u"play MIDI"), 0);
    music.renderMilliseconds(100);
    EXPECT_NEAR(music.positionTicks(), at + test::midiTicks(100), 5);

    // Opening again under the alias replaces the file; closing ends everything.
    EXPECT_EQ(send(u"open \"" + fromUtf8(second) + u"\" alias MIDI"), 0);
    EXPECT_EQ(mode(music), "stopped");
    EXPECT_EQ(send(u"play MIDI"), 0);
    music.renderMilliseconds(700);
    EXPECT_EQ(music.lengthTicks(), test::midiTicks(2000));

    // Seeking goes back to the start and stops there; playing from 0 starts from the start.
    EXPECT_EQ(send(u"seek MIDI to start"), 0);
    EXPECT_EQ(mode(music), "stopped");
    music.renderMilliseconds(300);
    EXPECT_EQ(music.positionTicks(), 0);
    EXPECT_EQ(send(u"play MIDI"), 0);
    music.renderMilliseconds(700);
    EXPECT_EQ(send(u"play MIDI from 0"), 0);
    music.renderMilliseconds(100);
    EXPECT_NEAR(music.positionTicks(), test::midiTicks(100), 5);

    EXPECT_EQ(send(u"close MIDI"), 0);
    EXPECT_EQ(send(u"play MIDI"), Mci::ErrNoDevice);
    EXPECT_EQ(send(u"close MIDI"), Mci::ErrNoDevice);
}

TEST(Music, OnItsOwnThreadTheDeviceNeverHoldsUpTheGame)
{
    test::Game g;
    auto fluid = std::make_unique<FluidSynthMci>(withoutSoundOutput());
    FluidSynthMci* music = fluid.get();
    auto held = std::make_unique<HeldMci>(std::move(fluid));
    HeldMci* hold = held.get();
    auto device = std::make_unique<BackgroundMci>(std::move(held));
    BackgroundMci* background = device.get();
    g.mci->device = std::move(device);
    g.minimalStory();
    test::writeMidi(g.dat("bgm.mid"), 1000);

    // The device has carried out nothing yet: the start went on, and the watchdog's query is
    // answered at once without counting as stopped.
    Fom& fom = g.start();
    EXPECT_EQ(g.mci->results, (std::vector<int> { 0, 0, 0 }));
    EXPECT_EQ(mode(*background), "not ready");
    fom.Bgm_Check.fire();
    EXPECT_EQ(u8(g.mci->commands.back()), "status MIDI mode");

    hold->letGo();
    background->waitUntilIdle();
    EXPECT_EQ(mode(*background), "playing");
    EXPECT_GT(music->renderMilliseconds(300), 0.01f);
    fom.Com(fom.Com.UBound()).click();
    background->waitUntilIdle();
    EXPECT_EQ(mode(*background), "failed"); // stopped and closed
    EXPECT_TRUE(g.errors.empty());
}

TEST(Music, TheGamesDeviceStartsOnceTheWindowHasAppeared)
{
    QTemporaryDir dir;
    const std::string tune = dir.path().toStdString() + "/bgm.mid";
    test::writeMidi(tune, 1000);
    auto fluid = std::make_unique<FluidSynthMci>(withoutSoundOutput());
    FluidSynthMci* music = fluid.get();
    BackgroundMci device(std::move(fluid), BackgroundMci::Start::AfterFirstFrame);
    device.mciSendString(u"open \"" + fromUtf8(tune) + u"\" alias MIDI", nullptr, 0);
    device.mciSendString(u"play MIDI notify", nullptr, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(mode(device), "not ready");
    EXPECT_EQ(music->soundfont(), ""); // nothing carried out, nothing loaded

    QWidget window;
    window.show();
    for (int i = 0; i < 100 && mode(device) == "not ready"; ++i) {
        QCoreApplication::processEvents();
        device.waitUntilIdle();
    }
    EXPECT_EQ(mode(device), "playing");
    EXPECT_GT(music->renderMilliseconds(300), 0.01f);
}

TEST(Music, WithoutTheFluidSynthLibraryEveryCommandFailsQuietly)
{
    auto options = withoutSoundOutput();
    options.library = "libfluidsynth-not-installed.so.3";
    testing::internal::CaptureStderr();
    MusicGame g(options);
    test::writeMidi(g.dat("bgm.mid"), 1000);
    Fom& fom = g.start();
    fom.Bgm_Check.fire();
    EXPECT_EQ(g.results(),
        (std::vector<int> {
            Mci::ErrNoDevice, Mci::ErrCannotOpen, Mci::ErrNoDevice, Mci::ErrNoDevice }));
    EXPECT_EQ(status(*g.music).reply, untouched);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(g.errors.empty());
}

TEST(Music, ASoundOutputIsLookedForBeforeAnythingIsLoaded)
{
    QTemporaryDir dir;
    const std::string socket = dir.path().toStdString() + "/native";
    test::writeBytes(socket, "");
    for (const auto& [server, found] : std::vector<std::pair<std::string, bool>> {
             { "unix:" + socket, true }, { socket, true }, { "unix:/nonexistent/native", false },
             { "/nonexistent/native tcp:elsewhere", true }, { "{0123}unix:" + socket, true } }) {
        const ScopedEnvironment pulse("PULSE_SERVER", server);
        EXPECT_EQ(soundOutputMayOpen({ "pulseaudio" }), found) << server;
    }
    EXPECT_TRUE(soundOutputMayOpen({ "jack" })); // not known: worth a try
    EXPECT_FALSE(soundOutputMayOpen({}));
}

TEST(Music, ATuneRenderedAheadSoundsTheSameAndLoopsWithoutAGap)
{
    std::vector<std::vector<float>> peaks;
    for (const bool ahead : { true, false }) {
        SCOPED_TRACE(ahead ? "rendered ahead" : "rendered as it plays");
        auto options = withoutSoundOutput();
        options.renderAhead = ahead;
        MusicGame g(options);
        test::writeMidi(g.dat("bgm.mid"), 1000);
        Fom& fom = g.start();
        peaks.emplace_back();
        for (int ms = 0; ms < 2400; ms += 100) {
            peaks.back().push_back(g.music->renderMilliseconds(100));
            if (ms % 1000 == 500) // the watchdog, half a second after each round's end
                fom.Bgm_Check.fire();
        }
        // Once all of it is in memory, the synthesizer and its samples are gone.
        g.music->waitUntilRendered();
        EXPECT_EQ(g.music->synthesizerLoaded(), !ahead);
        EXPECT_GT(g.music->renderedBytes(), 0u);
        EXPECT_LT(g.music->renderedBytes(), 6 * 44100 * 4 / 2u); // the round and 5 s, coded
        // Past the end, before the watchdog has restarted it, the next round already sounds.
        EXPECT_GE(peaks.back()[10], 0.9f * peaks.back()[0]);
        EXPECT_EQ(mode(*g.music), "playing");
        EXPECT_LT(g.music->positionTicks(), test::midiTicks(1000));
    }
    EXPECT_EQ(peaks[0], peaks[1]);
}

TEST(Music, ATuneTooLongToRenderIsSynthesizedAsItPlays)
{
    auto options = withoutSoundOutput();
    options.renderLimitBytes = 256 << 10; // a second and a half
    MusicGame g(options);
    test::writeMidi(g.dat("bgm.mid"), 1000);
    Fom& fom = g.start();
    EXPECT_GT(g.music->renderMilliseconds(500), 0.01f);
    EXPECT_EQ(g.music->renderedBytes(), 0u);
    EXPECT_TRUE(g.music->synthesizerLoaded());
    EXPECT_EQ(g.music->lengthTicks(), test::midiTicks(1000));
    g.music->renderMilliseconds(520);
    EXPECT_EQ(mode(*g.music), "stopped");
    fom.Bgm_Check.fire();
    EXPECT_EQ(mode(*g.music), "playing");
    EXPECT_GT(g.music->renderMilliseconds(100), 0.01f);
    EXPECT_LT(g.music->positionTicks(), test::midiTicks(110));
}

namespace {
// A tune of 1000 frames whose left channel counts the frames and whose right one is a loud square
// wave, followed by 100 frames that die away at a level of 7.
std::unique_ptr<music::RenderedTune> countingTune()
{
    auto tune = std::make_unique<music::RenderedTune>(1 << 20);
    std::vector<int16_t> lr;
    for (int f = 0; f < 1100; ++f) {
        lr.push_back(static_cast<int16_t>(f < 1000 ? f : 7));
        lr.push_back(static_cast<int16_t>(f < 1000 ? (f / 7 % 2 ? 32000 : -32000) : 7));
    }
    tune->endFrame = 1000;
    tune->append(lr.data(), 1100);
    tune->complete = true;
    return tune;
}

std::vector<int16_t> pull(music::LoopPlayback& p, const music::RenderedTune& tune, size_t frames)
{
    std::vector<int16_t> out(2 * frames);
    p.pull(tune, out.data(), frames);
    return out;
}
} // namespace

TEST(MusicFromMemory, TheNextRoundFollowsTheEndAndARestartTakesItOver)
{
    const auto owned = countingTune();
    const music::RenderedTune& tune = *owned;
    music::LoopPlayback p(44100);
    p.play(false);
    auto out = pull(p, tune, 1050);
    EXPECT_EQ(out[2 * 999], 999);
    EXPECT_FALSE(p.isPlaying()); // the commands see the end
    // The sound goes on from the start, with what dies away after the end.
    EXPECT_EQ(out[2 * 1000], 0 + 7);
    EXPECT_EQ(out[2 * 1049], 49 + 7);
    // The watchdog's restart takes over the round that sounds.
    p.seekToStart();
    EXPECT_TRUE(p.restarting());
    p.play(true);
    EXPECT_TRUE(p.isPlaying());
    out = pull(p, tune, 100);
    EXPECT_EQ(out[0], 50 + 7);
    EXPECT_EQ(out[2 * 50], 100); // the end of the dying sound, 1100 frames in
    EXPECT_EQ(p.positionTicks(tune), tune.tickAt(100));
    // The commands' round ends 1000 frames after the restart; the sound's is 50 frames ahead.
    pull(p, tune, 899);
    EXPECT_TRUE(p.isPlaying());
    pull(p, tune, 1);
    EXPECT_FALSE(p.isPlaying());
}

TEST(MusicFromMemory, WithoutARestartOrAfterAStopTheSoundFadesOutWithoutAClick)
{
    const auto owned = countingTune();
    const music::RenderedTune& tune = *owned;
    for (const bool stopped : { false, true }) {
        SCOPED_TRACE(stopped ? "stopped" : "no restart");
        music::LoopPlayback p(44100);
        p.play(false);
        pull(p, tune, 500);
        size_t at = 500;
        if (stopped) {
            p.stop();
        } else {
            for (; p.sounding() && at < 1000 + 44100 * 5 / 2; at += 100)
                pull(p, tune, 100); // two and a half seconds of grace
        }
        EXPECT_TRUE(p.sounding());
        const auto out = pull(p, tune, 2000);
        EXPECT_FALSE(p.sounding());
        // The square wave's steps shrink to nothing within a fiftieth of a second.
        for (size_t f = 1; f < 2000; ++f)
            EXPECT_LE(std::abs(out[2 * f + 1]), 32000 * (882 - std::min<size_t>(f, 882)) / 882 + 1)
                << f;
        EXPECT_EQ(out[2 * 1999 + 1], 0);
    }
}

TEST(MusicFromMemory, TheRenderedSoundIsKeptExactlyInLessRoom)
{
    // A quiet tone, a loud noise and the largest steps there are, across several blocks.
    std::vector<int16_t> lr;
    uint32_t noise = 1;
    for (int f = 0; f < 3 * 4096 + 100; ++f) {
        noise = noise * 1664525 + 1013904223;
        const int16_t tone = static_cast<int16_t>(3000 * std::sin(f * 0.05));
        lr.push_back(f < 4096 ? tone : static_cast<int16_t>(noise >> 16));
        lr.push_back(static_cast<int16_t>(f % 2 ? 32767 : -32768));
    }
    music::RenderedTune tune(1 << 20);
    for (size_t f = 0; f < lr.size() / 2; f += 64)
        tune.append(lr.data() + 2 * f, std::min<size_t>(64, lr.size() / 2 - f));
    std::vector<int16_t> back(lr.size());
    EXPECT_EQ(tune.read(0, back.data(), lr.size() / 2), lr.size() / 2);
    EXPECT_EQ(back, lr);
    std::vector<int16_t> part(2 * 10);
    EXPECT_EQ(tune.read(4090, part.data(), 10), 10u); // across two blocks
    EXPECT_TRUE(std::equal(part.begin(), part.end(), lr.begin() + 2 * 4090));
    EXPECT_EQ(tune.read(lr.size() / 2 - 5, part.data(), 10), 5u); // up to the end
}
