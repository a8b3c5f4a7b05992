// bgm.mid through the music device (FluidSynth without sound output, as the tests drive it): any
// bytes open or fail quietly; a file that opens plays, is rewound and closes without a crash.
#include "fuzz_support.h"

#include "platform/music/fluidsynth_mci.h"

#include <cstdio>

using platform::Text;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static fuzz::MemoryFile file;
    static platform::FluidSynthMci* music = [] {
        platform::FluidSynthMci::Options options;
        options.audioDrivers.clear();
        // Rendered as it plays: the synthesizer stays, so the soundfont is loaded once for the
        // whole run, and only the half second played is rendered.
        options.renderAhead = false;
        return new platform::FluidSynthMci(options);
    }();
    file.set(data, size);
    const Text open = u"open \"" + platform::fromUtf8(file.path()) + u"\" alias MIDI";
    if (music->mciSendString(open, nullptr, 0) == 0) {
        FUZZ_CHECK(music->mciSendString(u"play MIDI notify", nullptr, 0) == 0);
        music->renderMilliseconds(500);
        Text mode(16, u' ');
        FUZZ_CHECK(music->mciSendString(u"status MIDI mode", &mode, 15) == 0);
        FUZZ_CHECK(music->mciSendString(u"seek MIDI to start", nullptr, 0) == 0);
        FUZZ_CHECK(music->mciSendString(u"play MIDI", nullptr, 0) == 0);
        music->renderMilliseconds(200);
        FUZZ_CHECK(music->positionTicks() >= 0 && music->lengthTicks() >= 0);
    }
    music->mciSendString(u"close MIDI", nullptr, 0);
    return 0;
}
