#include "platform/mci.h"
#include "platform/system.h"

#include "platform/mci_background.h"
#include "platform/music/fluidsynth_mci.h"

#include <algorithm>

namespace platform {

std::optional<MciCommand> parseMciCommand(TextView command)
{
    std::vector<Text> words;
    size_t i = 0;
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    while (i < command.size()) {
        if (blank(command[i])) {
            ++i;
            continue;
        }
        if (command[i] == u'"') {
            const size_t end = command.find(u'"', i + 1);
            if (end == TextView::npos)
                return std::nullopt;
            words.emplace_back(command.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        const size_t start = i;
        while (i < command.size() && !blank(command[i]))
            ++i;
        words.emplace_back(command.substr(start, i - start));
    }
    if (words.size() < 2)
        return std::nullopt;
    MciCommand c;
    for (char16_t ch : words[0])
        c.verb += ch >= u'A' && ch <= u'Z' ? static_cast<char16_t>(ch - u'A' + u'a') : ch;
    c.device = std::move(words[1]);
    c.words.assign(
        std::make_move_iterator(words.begin() + 2), std::make_move_iterator(words.end()));
    return c;
}

bool sameWord(TextView a, TextView b)
{
    return UCase(a) == UCase(b);
}

namespace {
std::vector<Text>::iterator findWord(std::vector<Text>& words, TextView keyword)
{
    return std::find_if(
        words.begin(), words.end(), [&](const Text& w) { return sameWord(w, keyword); });
}
} // namespace

bool takeWord(std::vector<Text>& words, TextView keyword)
{
    const auto at = findWord(words, keyword);
    if (at == words.end())
        return false;
    words.erase(at);
    return true;
}

std::optional<Text> takeValue(std::vector<Text>& words, TextView keyword)
{
    const auto at = findWord(words, keyword);
    if (at == words.end())
        return Text();
    if (at + 1 == words.end())
        return std::nullopt;
    Text value = std::move(*(at + 1));
    words.erase(at, at + 2);
    return value;
}

void putReply(Text* reply, int replyLength, TextView answer)
{
    if (!reply || replyLength <= 0)
        return;
    const size_t room = std::min(reply->size(), static_cast<size_t>(replyLength - 1));
    const size_t n = std::min(answer.size(), room);
    reply->replace(0, n, answer.substr(0, n));
    if (n < reply->size())
        (*reply)[n] = u'\0';
}

// The one place a port to another system starts for the music: the platform layer is POSIX and
// X11 (files, processes, the frame of the window) and FluidSynth here; another system gives its
// own Mci.
std::unique_ptr<Mci> makeDefaultMci()
{
    // FluidSynth is loaded and the sound output opened on the music's own thread, once the
    // window has appeared: its first appearance neither waits for them nor shares the processor
    // and the dynamic loader with them.
    return std::make_unique<BackgroundMci>(
        std::make_unique<FluidSynthMci>(), BackgroundMci::Start::AfterFirstFrame);
}

} // namespace platform
