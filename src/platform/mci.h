// Music command strings: the MIDI device driven by text commands ("open \"PATH\" alias MIDI",
// "play MIDI notify", "status MIDI mode", ...).
#pragma once

#include "platform/text.h"

#include <memory>
#include <optional>
#include <vector>

namespace platform {

class Mci
{
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
class NullMci : public Mci
{
public:
    int mciSendString(TextView, Text*, int) override { return ErrNoDevice; }
};

// A command text split into words at spaces and tabs. A word that starts with a double quote
// runs to the next double quote and keeps its spaces; the quotes are dropped.
struct MciCommand
{
    Text verb; // in lower case
    Text device; // the alias, or the file for "open"
    std::vector<Text> words; // the rest, as written
};

// Empty when the text has no verb or no device, or a quote is not closed.
std::optional<MciCommand> parseMciCommand(TextView command);

// Keywords and aliases compare without regard to the case of ASCII letters.
bool sameWord(TextView a, TextView b);

// Takes the first `keyword` out of `words`; true when it was there.
bool takeWord(std::vector<Text>& words, TextView keyword);
// Takes `keyword` and the word after it out of `words`: the value, empty when the keyword is
// not there, and nullopt (the words unchanged) when it is the last word.
std::optional<Text> takeValue(std::vector<Text>& words, TextView keyword);

// Fills a reply buffer as the command strings do: `answer` from the buffer's start, at most
// `replyLength` - 1 characters, then a terminating zero when there is room. The buffer keeps its
// size; the characters after the zero are left as they were.
void putReply(Text* reply, int replyLength, TextView answer);

// The music device of this machine: FluidSynth where it can play, otherwise silence.
std::unique_ptr<Mci> makeDefaultMci();

} // namespace platform
