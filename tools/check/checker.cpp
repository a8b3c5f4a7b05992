#include "check/checker.h"

#include "check/folder.h"
#include "craft/judgement.h"
#include "platform/music/midi_file.h"
#include "shell/paths.h"
#include "story/events.h"
#include "story/files.h"

#include <algorithm>
#include <cstdlib>
#include <set>

namespace check {
namespace {

const std::string CaptionFile = u8(story::dataFile(story::CaptionsName));

// The feelings a key line names: the game looks for captions anywhere in the line, but
// authors separate them, so the parts between separators are the feelings meant.
std::vector<Text> feelingsOf(TextView line)
{
    constexpr TextView separators = u"、,，・/／ \t　;；|｜。";
    std::vector<Text> feelings;
    Text part;
    for (char16_t c : line) {
        if (separators.find(c) != TextView::npos) {
            if (!part.empty())
                feelings.push_back(std::move(part));
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        feelings.push_back(std::move(part));
    return feelings;
}

const char* keyLineMeaning(size_t line)
{
    static const char* meanings[] = { "good (+1)", "critical (+5)", "bad (-3)" };
    return meanings[line];
}

class Checker
{
public:
    Checker(const std::filesystem::path& dir, Result& result)
        : result_(result)
        , report_(result.report)
        , folder_(dir, result.report)
    { }

    void run()
    {
        readCaptions();
        result_.story = walkStory(folder_, report_);
        checkKeyFiles();
        checkCaptions();
        checkPictures();
        checkMusic();
        checkUnused();
        result_.scores = reachableScores(result_.story, result_.captions, keys_);
        reportScores();
    }

private:
    bool hasTurns() const
    {
        return std::any_of(result_.story.events.begin(), result_.story.events.end(),
            [](const Event& e) { return e.exit == Exit::Turn; });
    }

    std::string firstTurn() const
    {
        for (const Event& e : result_.story.events) {
            if (e.exit == Exit::Turn)
                return e.file;
        }
        return {};
    }

    void readCaptions()
    {
        if (const std::vector<Text>* lines = folder_.text(CaptionFile))
            result_.captions = *lines;
        else
            report_.error(CaptionFile, 0,
                "missing: the game reads its feelings from it at start-up, and stops without it");
    }

    void checkKeyFiles()
    {
        std::map<std::string, std::array<Text, 3>> read;
        for (size_t i = 0; i < result_.story.events.size(); ++i) {
            const Event& event = result_.story.events[i];
            if (event.exit != Exit::Turn)
                continue;
            if (const auto known = read.find(event.keyFile); known != read.end()) {
                keys_[static_cast<int>(i)] = known->second;
                continue;
            }
            const std::vector<Text>* lines = folder_.text(event.keyFile);
            if (!lines) {
                if (!folder_.has(event.keyFile)) // one that cannot be read is reported already
                    report_.error(event.keyFile, 0,
                        "missing: the crafting turn after " + event.file
                            + " reads it at the fifth choice, and the game stops there");
                continue;
            }
            std::array<Text, 3> keys;
            for (size_t k = 0; k < keys.size() && k < lines->size(); ++k)
                keys[k] = (*lines)[k];
            if (lines->size() < keys.size())
                report_.warning(event.keyFile, 0,
                    "holds " + std::to_string(lines->size())
                        + " line(s) of three; a missing line matches no feeling (line 1: good, 2: "
                          "critical, 3: bad)");
            if (lines->size() > keys.size())
                report_.warning(event.keyFile, 4,
                    "the game reads three lines; this line and those after it are ignored");
            checkKeyLines(event.keyFile, keys);
            read.emplace(event.keyFile, keys);
            keys_[static_cast<int>(i)] = keys;
        }
    }

    void checkKeyLines(const std::string& file, const std::array<Text, 3>& keys)
    {
        const std::vector<Text>& captions = result_.captions;
        if (captions.empty())
            return;
        for (size_t k = 0; k < keys.size(); ++k) {
            for (const Text& feeling : feelingsOf(keys[k])) {
                const bool matches = std::any_of(captions.begin(), captions.end(),
                    [&](const Text& c) { return !c.empty() && judgement::occursIn(c, feeling); });
                if (!matches)
                    report_.warning(file, static_cast<int>(k) + 1,
                        shown(feeling) + " matches no feeling of txt.dat, so it never scores");
            }
        }
        for (const Text& caption : captions) {
            if (caption.empty())
                continue;
            std::vector<size_t> on;
            for (size_t k = 0; k < keys.size(); ++k) {
                if (judgement::occursIn(caption, keys[k]))
                    on.push_back(k);
            }
            for (size_t n = 1; n < on.size(); ++n)
                report_.warning(file, static_cast<int>(on[n]) + 1,
                    shown(caption) + " is on line " + std::to_string(on[0] + 1)
                        + " too; the first line that holds a feeling decides, so it counts as "
                        + keyLineMeaning(on[0]) + ", never as " + keyLineMeaning(on[n]));
        }
    }

    void checkCaptions()
    {
        const std::vector<Text>& captions = result_.captions;
        if (!folder_.has(CaptionFile))
            return;
        if (captions.empty() && hasTurns())
            report_.error(CaptionFile, 0,
                "holds no feelings: the crafting turn after " + firstTurn()
                    + " can never be finished");
        for (size_t i = 0; i < captions.size(); ++i) {
            const int line = static_cast<int>(i) + 1;
            if (captions[i].empty()) {
                report_.warning(CaptionFile, line,
                    "empty feeling: its button has no caption, and it matches every key line that "
                    "is not empty");
                continue;
            }
            for (size_t j = 0; j < captions.size(); ++j) {
                if (j == i || captions[j].empty())
                    continue;
                if (captions[j] == captions[i]) {
                    if (j < i)
                        report_.warning(CaptionFile, line,
                            shown(captions[i]) + " is on line " + std::to_string(j + 1)
                                + " too: two buttons with the same feeling");
                } else if (judgement::occursIn(captions[i], captions[j])) {
                    report_.warning(CaptionFile, line,
                        shown(captions[i]) + " is part of " + shown(captions[j]) + " (line "
                            + std::to_string(j + 1) + "): a key line that names "
                            + shown(captions[j]) + " matches " + shown(captions[i]) + " too");
                }
            }
            if (!keys_.empty() && std::all_of(keys_.begin(), keys_.end(), [&](const auto& entry) {
                    return judgement::judge(captions[i], entry.second) == judgement::Outcome::None;
                }))
                report_.warning(CaptionFile, line,
                    shown(captions[i])
                        + " never scores: no key file of the story's crafting turns holds it");
        }
    }

    void checkPicture(const std::string& file, const std::string& when)
    {
        used_.insert(file);
        pictures_.insert(file);
        if (!folder_.has(file))
            report_.warning(file, 0,
                "missing: the game shows it " + when
                    + ", and without it keeps the picture it showed before");
        else if (const auto problem = folder_.pictureProblem(file))
            report_.error(file, 0, "the game shows it " + when + ", but cannot: " + *problem);
    }

    void checkPictures()
    {
        if (!result_.story.events.empty())
            checkPicture(u8(story::dataFile(story::EventPicture)), "whenever an event begins");
        if (hasTurns())
            checkPicture(u8(story::dataFile(story::TurnPicture)), "for every crafting turn");
        for (const PictureUse& use : result_.story.pictures) {
            // "pics\sea" and "pics/sea" both name pics/sea.dat.
            const std::string file = u8(story::dataFile(storyFileName(use.name)));
            if (!staysInDataFolder(use.name)) {
                report_.error(use.file, use.line,
                    "the picture name " + shown(use.name)
                        + " leaves the story folder (it starts at the root or climbs out with "
                          "\"..\"); the game never opens it, and keeps the picture it showed");
                continue;
            }
            if (result_.story.findEvent(use.name) >= 0) {
                report_.error(
                    use.file, use.line, file + " is an event script of the story, not a picture");
            } else if (story::isDataName(use.name)) {
                report_.error(use.file, use.line,
                    "the picture name " + shown(use.name)
                        + " is the name of a data file of the game (" + file + ")");
            } else if (const auto problem = folder_.pictureProblem(file)) {
                report_.error(use.file, use.line, "the game cannot show this picture: " + *problem);
            } else {
                pictures_.insert(file);
            }
            used_.insert(file);
        }
        // The game stretches every picture to its 4 : 3 box, which is drawn for 640 x 480.
        for (const std::string& file : pictures_) {
            if (const long long skipped = folder_.pictureSkippedMetadata(file))
                report_.warning(file, 0,
                    "holds " + std::to_string(skipped)
                        + " bytes of metadata (text, colour profiles, Exif, depth maps ...): more "
                          "than a picture may keep, so the game reads the picture without them");
            const auto size = folder_.pictureSize(file);
            if (!size || *size == std::pair(640, 480))
                continue;
            const auto [w, h] = *size;
            if (folder_.pictureIsMetafile(file)) {
                // Drawn on the bounded surface in the frame's shape, rounded to whole pixels.
                if (std::abs(w * 3 - h * 4) > h * 4 / 100)
                    report_.warning(file, 0,
                        "the metafile's frame is not 4 : 3: the game stretches every picture to "
                        "its 4 : 3 picture box, so this one shows distorted");
                continue;
            }
            report_.warning(file, 0,
                "the picture is " + std::to_string(w) + " x " + std::to_string(h)
                    + " pixels, not 640 x 480: the game stretches every picture to its 4 : 3 "
                      "picture box"
                    + (w * 3 == h * 4 ? "" : ", so this one shows distorted"));
        }
    }

    void checkMusic()
    {
        const std::string file = u8(story::MusicFile);
        if (!folder_.has(file))
            report_.warning(file, 0, "missing: the game plays without music");
        else if (!folder_.bytes(file, 4).starts_with("MThd"))
            report_.warning(file, 0, "not a standard MIDI file: the game plays without music");
        else if (!folder_.playsAsMusic(file))
            report_.error(file, 0,
                "a MIDI file the game cannot play (tracks missing or cut short, time in SMPTE "
                "frames, or larger than "
                    + std::to_string(platform::MaxMidiBytes >> 20)
                    + " MiB): the game plays without music");
    }

    void checkUnused()
    {
        const Story& story = result_.story;
        if (story.events.empty())
            return; // nothing is reached: every file would be unused
        used_.insert(CaptionFile);
        used_.insert(u8(story::dataFile(story::RecordsName)));
        for (const Event& event : story.events) {
            used_.insert(event.file);
            if (!event.keyFile.empty())
                used_.insert(event.keyFile);
        }
        for (const std::string& file : folder_.files()) {
            if (file.ends_with(u8(story::DataExtension)) && !used_.contains(file))
                report_.warning(file, 0,
                    "not used: no event, crafting turn or picture line of the story reaches it");
        }
    }

    std::string choices(const TurnChoices& turn) const
    {
        std::string out
            = "after " + result_.story.events[static_cast<size_t>(turn.event)].file + ":";
        for (int c : turn.captions)
            out += " " + u8(result_.captions[static_cast<size_t>(c)]);
        return out;
    }

    void reportScores()
    {
        const Story& story = result_.story;
        std::vector<std::string>& summary = report_.summary;
        int turns = 0;
        std::string names;
        for (const Event& event : story.events) {
            turns += event.exit == Exit::Turn;
            names += (names.empty() ? "" : " ") + u8(event.name);
        }
        const auto pictures = std::count_if(pictures_.begin(), pictures_.end(),
            [&](const std::string& file) { return !folder_.pictureProblem(file); });
        summary.push_back(std::to_string(story.events.size()) + " events (" + names + "), "
            + std::to_string(turns) + " crafting turns, " + std::to_string(pictures) + " pictures, "
            + std::to_string(result_.captions.size()) + " feelings");

        const Split routes = routeSplit();
        const Split endings = endingSplit();
        for (const BranchScores& branch : result_.scores.branches) {
            const Event& event = story.events[static_cast<size_t>(branch.event)];
            const bool route = event.exit == Exit::Hantei;
            const Split& split = route ? routes : endings;
            const std::string kind = route ? "route" : "ending";
            summary.push_back("Scores at " + event.file + ":" + std::to_string(event.exitLine)
                + " (" + (route ? "hantei" : "ive") + "): " + formatSet(branch.scores));
            for (const Way& way : branch.ways) {
                const std::string target = way.target >= 0
                    ? story.events[static_cast<size_t>(way.target)].file
                    : u8(story::dataFile(story::eventName(route
                              ? story::afterRouteBranch(event.parts(), way.letter)
                              : story::afterEndingBranch(event.parts(), way.letter))))
                        + " (missing)";
                std::string head = "  " + kind + " " + u8(way.letter) + " ("
                    + split.describe(way.letter) + ") -> " + target;
                if (way.scores.empty()) {
                    summary.push_back(head + ": never taken");
                    report_.warning(event.file, event.exitLine,
                        kind + " " + u8(way.letter) + " (" + split.describe(way.letter)
                            + ") can never be taken: the scores here are "
                            + formatSet(branch.scores));
                    continue;
                }
                summary.push_back(head + ": " + formatSet(way.scores) + ", e.g. "
                    + std::to_string(way.exampleScore)
                    + (way.example.empty() ? "" : " by choosing"));
                for (const TurnChoices& turn : way.example)
                    summary.push_back("      " + choices(turn));
            }
        }
        for (const Loop& loop : result_.scores.loops) {
            const Event& first = story.events[static_cast<size_t>(loop.events.front())];
            std::string round;
            for (int index : loop.events)
                round += story.events[static_cast<size_t>(index)].file + " -> ";
            report_.error(first.file, first.exitLine,
                "with the scores " + formatSet(loop.scores)
                    + " the game goes round for ever: " + round + first.file
                    + ", with a blank text window: nothing on the way is shown, no page waits "
                      "for the player and no crafting turn comes, so the game can never be played "
                      "on (put text and a page break (\">p\") before the branch line)");
        }
        if (result_.scores.overflow)
            report_.warning("", 0,
                "a play-through can take the score past " + std::to_string(MaxScore)
                    + ", the most the game holds: it stays there, and good choices add nothing "
                      "more");
        summary.push_back(std::to_string(report_.errors()) + " error(s), "
            + std::to_string(report_.warnings()) + " warning(s)");
    }

    Result& result_;
    Report& report_;
    Folder folder_;
    std::map<int, std::array<Text, 3>> keys_;
    std::set<std::string> used_; // the files the story reads
    std::set<std::string> pictures_; // the pictures it shows
};

} // namespace

Result checkFolder(const std::filesystem::path& dir, const Options& options)
{
    Result result;
    result.report.strict = options.strict;
    Checker(dir, result).run();
    return result;
}

} // namespace check
