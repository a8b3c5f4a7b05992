// Music command strings: the MIDI device driven by text commands ("open \"PATH\" alias MIDI",
// "play MIDI notify", "status MIDI mode", ...).
#pragma once

#include "platform/text.h"

namespace platform {

class Mci {
public:
    static constexpr int ErrUnsupported = 274; // the command is not understood
    static constexpr int ErrNoDevice = 263; // nothing is open under the alias
    static constexpr int ErrCannotOpen = 275; // the file or the sound output could not be opened

    virtual ~Mci() = default;
    // Sends one command. Returns 0 on success or an error code; on an error the reply is left
    // untouched. A status reply is written into `reply`, at most `replyLength` characters.
    virtual int mciSendString(TextView command, Text* reply, int replyLength) = 0;
};

// A machine without music: every command fails.
class NullMci : public Mci {
public:
    int mciSendString(TextView, Text*, int) override { return ErrNoDevice; }
};

} // namespace platform
