// The music device of a Linux machine: the command strings played by FluidSynth with a General
// MIDI soundfont, through PulseAudio or ALSA.
#pragma once

#include "platform/mci.h"
#include "platform/music/outputs.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Understands the commands of the music module, for one device under one alias:
//   open "FILE" alias NAME [type sequencer]
//   close NAME, play NAME [from 0], stop NAME, seek NAME to start, status NAME mode
// each optionally with "notify" (which notifies nobody). Words are compared without regard to
// case. Anything else fails with an error code and leaves the reply untouched.
//
// Opening fails when the file is missing or not a MIDI file, when no soundfont is installed,
// when the FluidSynth library cannot be loaded and when no sound output opens; the game then
// stays silent. The library is loaded (dlopen) by the first open that gets that far, on the
// thread that sends it, and not at all on a machine where no sound output can open. The
// soundfont is loaded on a thread of its own when a file is opened; until it is ready a started
// file counts as playing and starts to sound when it is. The mode is "stopped" as soon as the
// file's last event has been played, while the last notes may still be dying away.
//
// A tune that fits in Options::renderLimitBytes is rendered into memory on that thread, and the
// synthesizer and its soundfont's samples are freed once it is all there; it plays from memory,
// the sound output rendering what it needs itself while the thread is behind. At its end the
// sound goes straight on with the next round, which a restart just after the end ("seek to
// start", "play from 0", as a watchdog sends them) takes over: the loop has no gap. What the
// commands report (the mode, the position) is as for a tune synthesized as it plays.
class FluidSynthMci : public Mci
{
public:
    struct Options
    {
        // Where the General MIDI soundfonts are installed. TimGM6mb.sf2 is preferred, then the
        // system's default-GM, FluidR3_GM and any other soundfont there.
        std::string soundfontFolder = "/usr/share/sounds/sf2";
        // FluidSynth's audio drivers, tried in order. With none the device has no sound output
        // and synthesizes only when asked to (renderMilliseconds): tests and measurements drive
        // the sequencer that way, without a sound device and without waiting.
        std::vector<std::string> audioDrivers = { "pulseaudio", "alsa" };
        // The FluidSynth library, as dlopen finds it.
        std::string library = "libfluidsynth.so.3";
        // A tune is rendered into memory ahead of playing when it fits in this many bytes
        // (16-bit stereo at 44.1 kHz: 2 minutes 17 seconds and the 5 seconds its last notes may
        // take to die away); a longer one is synthesized as it plays.
        size_t renderLimitBytes = size_t(24) << 20;
        // Whether the loader thread renders the tune ahead; without it the sound output (or
        // renderMilliseconds) renders it as it plays, and the synthesizer stays.
        bool renderAhead = true;
    };

    FluidSynthMci();
    explicit FluidSynthMci(Options options);
    ~FluidSynthMci() override;
    FluidSynthMci(const FluidSynthMci&) = delete;
    FluidSynthMci& operator=(const FluidSynthMci&) = delete;

    int mciSendString(TextView command, Text* reply, int replyLength) override;

    // Without sound output: waits for the soundfont, then synthesizes `ms` milliseconds of audio,
    // which moves the sequencer on by as much. Returns the peak level of that audio (0 to 1).
    float renderMilliseconds(int ms);
    // Waits until the soundfont is loaded (when one is being loaded); true when the file can
    // sound.
    bool waitForSoundfont();
    // Waits until the loader thread has done its work: the soundfont loaded, and the tune
    // rendered ahead and the synthesizer freed when it is rendered ahead.
    void waitUntilRendered();
    // The memory holding the tune rendered so far (0 when it is synthesized as it plays), and
    // whether a synthesizer (with its soundfont's samples) is loaded.
    size_t renderedBytes() const;
    bool synthesizerLoaded() const;

    // The sequencer's position and the open file's length in MIDI ticks; 0 until it has started.
    int positionTicks() const;
    int lengthTicks() const;
    // The soundfont in use and the audio driver that opened; empty when none.
    std::string soundfont() const;
    std::string audioDriver() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace platform
