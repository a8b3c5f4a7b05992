// A sound output for music: a PulseAudio stream that, once the music plays from memory, keeps
// seconds of sound in the server, so that the server and the program wake about twice a second,
// and that a stop empties at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace platform::music {

class PulseOutput
{
public:
    // Fills `count` frames of interleaved 16-bit stereo; called on the output's own thread.
    using Fill = std::function<void(int16_t* out, size_t count)>;

    // A stream at `rate` frames a second on the PulseAudio server this machine names, or nullptr
    // when none answers (or the client library cannot be loaded). The stream starts paused.
    static std::unique_ptr<PulseOutput> open(int rate, Fill fill);
    ~PulseOutput();
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    // Starts asking for sound (when paused).
    void resume();
    // Asks the server to hold seconds of sound: for sound that is ready in memory.
    void useLargeBuffers();
    // Stops asking for sound and drops the sound the server holds: silent at once.
    void pause();

private:
    struct Impl;
    explicit PulseOutput(std::unique_ptr<Impl> d);
    std::unique_ptr<Impl> d;
};

} // namespace platform::music
