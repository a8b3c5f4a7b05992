// The game's own voice, as the voice module gives it: speech through the desktop's speech
// service, loaded only when the player first turns the voice on. Nothing here waits for the
// service: a request is handed to the module's own thread and the call returns at once.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace platform {

class Voice
{
public:
    virtual ~Voice() = default;
    // Stops what is being said and says `text` instead. Returns at once.
    virtual void say(const std::u16string& text) = 0;
};

// Told on the event thread, once, when no voice can be had (no speech service, no engine); the
// text says why.
using VoiceUnavailable = std::function<void(const std::u16string& why)>;

// The module's one entry point, resolved by name when it is loaded.
using MakeVoice = Voice* (*)(VoiceUnavailable unavailable);
inline constexpr char MakeVoiceSymbol[] = "pelirra_make_voice";
// The module's file name beside the program.
inline constexpr char VoiceModuleName[] = "pelirra-voice.so";

} // namespace platform
