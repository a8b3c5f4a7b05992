// Background music: bgm.mid played through the music device under the name "MIDI", started
// again by a watchdog each time it has played to its end. No result of a command is looked at:
// without music the game simply stays silent.
#include "shell/fom.h"

using namespace platform;

namespace {
void send(System& sys, TextView command)
{
    sys.mci->mciSendString(command, nullptr, 0);
}
} // namespace

void Fom::BgmOpen(const Text& path)
{
    send(sys, u"close MIDI notify");
    send(sys, u"open \"" + path + u"\" alias MIDI");
}

void Fom::BgmClose()
{
    send(sys, u"close MIDI notify");
}

void Fom::BgmPlay()
{
    BgmOn = true;
    send(sys, u"play MIDI notify");
}

void Fom::BgmStop()
{
    BgmOn = false;
    send(sys, u"stop MIDI notify");
}

void Fom::Bgm_Check_Timer()
{
    Text reply(16, u' ');
    sys.mci->mciSendString(u"status MIDI mode", &reply, 15);
    if (UCase(Left(reply, 7)) == u"STOPPED" && BgmOn) {
        send(sys, u"seek MIDI to start");
        send(sys, u"play MIDI from 0");
    }
}
