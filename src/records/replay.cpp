// Reading a past event again: a click on a name of the past-record list shows that event's
// script as plain text in the replay box, with the pictures it names.
#include "shell/fom.h"

#include "records/replay_rules.h"
#include "records/spoken.h"
#include "shell/paths.h"
#include "story/files.h"
#include "story/script.h"

using namespace platform;

void Fom::Lst_Click()
{
    const Text name = Lst.SelectedText();
    if (name.empty())
        return;

    // The whole script is read within the click: the text is built here and set once.
    replayText_ = replay::heading(name);
    replaySaid_ = spoken::replayHeading(name);
    replayPictures_.clear();
    const Text path = DatPath + story::dataFile(storyFileName(name));
    ReplayNo = sys.files.FreeFile();
    try {
        if (!staysInDataFolder(name))
            throw RuntimeError(u"outside the data folder");
        sys.files.OpenInput(ReplayNo, path);
        for (int lines = 0; !sys.files.Eof(ReplayNo); ++lines) {
            if (lines == replay::MaxLines || replayText_.size() >= replay::MaxChars) {
                addNote(replay::CutShort);
                break;
            }
            ReplayLine = sys.files.LineInput(ReplayNo);
            AddReplayLine();
        }
        sys.files.Close(ReplayNo);
    } catch (const RuntimeError&) {
        // A record whose script is gone (a renamed file, a list from another story) is not worth
        // ending the game for: say so in the replay and play on.
        sys.files.Close(ReplayNo);
        addNote(u"（この記録の台本 " + sys.files.displayName(path)
            + (staysInDataFolder(name) && Files::exists(path) ? u" を読めなかったため、"
                                                              : u" が見つからないため、")
            + u"読み返せません）");
    }
    ShowReplayPictures();
    Txt.setText(std::move(replayText_));
    replayText_.clear();
    Txt.setVisible(true);
    speech.say(replaySaid_, Speech::Mode::Replace);
    replaySaid_.clear();
}

void Fom::AddReplayLine()
{
    const replay::Effect effect = replay::classify(ReplayLine);
    if (effect == replay::Effect::Picture)
        replayPictures_.push_back(story::pictureName(ReplayLine));
    else
        replayText_ += replay::addition(effect, ReplayLine);
    spoken::addReplayLine(replaySaid_, effect, ReplayLine);
}

void Fom::addNote(TextView note)
{
    replayText_ += replay::addition(replay::Effect::Text, note);
    spoken::addReplayLine(replaySaid_, replay::Effect::Text, note);
}

// Nothing is drawn while the replay reads its script, so showing every picture it names in
// turn leaves the box with the last one that loads: that one alone is loaded.
void Fom::ShowReplayPictures()
{
    const std::vector<Text> names = std::move(replayPictures_);
    replayPictures_.clear();
    bool repaint = false;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        if (it->empty()) {
            repaint = true;
            continue;
        }
        const uint64_t held = Dfe.picture().id();
        ShowImg(*it);
        if (Dfe.picture().id() != held)
            return;
    }
    if (repaint)
        ShowImg(u"");
}

void Fom::Txt_Click()
{
    Lst.setVisible(false);
    Txt.setVisible(false);
    speech.say(spoken::replayClosed(), Speech::Mode::Replace);
}
