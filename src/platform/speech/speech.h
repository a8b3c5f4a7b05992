// What the game says, for a player who does not see the screen.
//
// The game asks "say this" once per change of what is shown and never waits. What was asked
// within a short quiet spell goes out as one utterance, in order (a page of lines read at the
// usual pace is one utterance); a request in Replace mode (fast reading) drops what was not sent
// yet, so the newest line cuts off the last. An utterance goes to one of two listeners:
//  - a screen reader (Qt's accessibility bridge is active): a hidden notification in a status
//    bar of the window, shown once per utterance, which the screen reader speaks;
//  - the game's own voice (self-voicing): the voice module, loaded on first use, which also
//    speaks where the keyboard focus goes, as a screen reader would.
// With neither, a request costs one test and nothing is kept. The words the speech adds of its
// own (the cues, the roles of the controls) are the game's, passed in.
#pragma once

#include "platform/speech/voice.h"
#include "platform/text.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QTimer;

namespace platform {

class Form;
class Notice;

// The words the speech says of its own.
struct SpeechWords
{
    Text voiceOn, voiceOff; // the cues when the game's own voice is turned on and off
    Text button, list; // the role of a control the focus went to, said after its name
    Text separator; // between a name and its role, or a list and its current entry
    Text notices; // the name of the status bar whose notifications a screen reader speaks
};

class Speech
{
public:
    enum class Mode {
        Queue, // after what is still to be said
        Replace, // instead of what was not said yet
    };

    Speech(Form& form, SpeechWords words);
    ~Speech();
    Speech(const Speech&) = delete;
    Speech& operator=(const Speech&) = delete;

    // Says `text` once what was asked before it is said (Queue), or instead of it (Replace).
    // Returns at once; an empty text says nothing.
    void say(TextView text, Mode mode = Mode::Queue);

    // Sends what is waiting now; the quiet timer does it QuietMs after the last request.
    void flush();
    bool pending() const { return !pending_.empty() || focusMoved_; }

    // At program start: `onCommandLine` turns the game's own voice on for this run, else the
    // remembered choice does, unless a screen reader is running.
    void start(bool onCommandLine);
    bool selfVoicing() const { return selfVoicing_; }
    // As the player does: turns the voice on or off with a spoken cue and remembers the choice.
    void toggleSelfVoicing();
    void setSelfVoicing(bool on, bool remember);

    // The keyboard focus, or the current entry of a focused list, moved.
    void focusMoved();

    // Tests: every utterance as it is sent, whoever listens; a voice of their own instead of the
    // module; the settings file; where reports go.
    std::function<void(const Text&)> heard;
    std::function<std::unique_ptr<Voice>(VoiceUnavailable)> makeVoice;
    std::string settingsFile;
    std::function<void(const std::string&)> report;

    static constexpr int QuietMs = 250;
    // An utterance is cut at this length: a replay of a long script is not read out whole.
    static constexpr size_t MaxChars = 4000;

private:
    bool listening() const;
    // A screen reader connected: what was asked just before it did is said after all (the
    // game's first heading comes before Qt's accessibility bridge is up).
    void screenReaderConnected();
    bool unheard() const;
    static constexpr std::chrono::milliseconds LateListener { 3000 };
    class Observer;
    std::unique_ptr<Observer> observer_;
    bool screenReader() const;
    Text focusDescription() const;
    void cue(const Text& text);
    Voice* voice();
    void unavailable(const std::u16string& why);
    void startTimer(bool restart);

    Form& form_;
    SpeechWords words_;
    Text pending_;
    // When pending_ was asked while nobody listened.
    std::optional<std::chrono::steady_clock::time_point> unheardSince_;
    bool focusMoved_ = false;
    bool selfVoicing_ = false;
    // The voice is on because it was remembered, not because the player asked in this run: a
    // screen reader turns it off.
    bool onlyRemembered_ = false;
    std::optional<bool> decideAtFirstUtterance_;
    bool toldUnavailable_ = false;
    bool voiceFailed_ = false;
    std::unique_ptr<Voice> voice_;
    QTimer* timer_ = nullptr;
    std::unique_ptr<Notice> notice_;
};

} // namespace platform
