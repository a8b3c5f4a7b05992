#include "check/story.h"

#include "check/markers.h"
#include "event/paging.h"
#include "platform/fonts.h"
#include "platform/letters.h"
#include "story/events.h"
#include "story/files.h"
#include "story/script.h"
#include "view/layout_rules.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <optional>
#include <unordered_map>

namespace check {

using story::LineKind;

namespace {

Split splitOf(Text (*rule)(long))
{
    Split split;
    split.low = rule(0);
    split.from = MaxScore + 1;
    for (long score = 1; score <= MaxScore; ++score) {
        if (rule(score) != split.low) {
            split.from = score;
            split.high = rule(score);
            break;
        }
    }
    return split;
}

std::string readAs(LineKind kind)
{
    switch (kind) {
    case LineKind::Hantei:
        return "a route branch";
    case LineKind::Ive:
        return "an ending branch";
    case LineKind::Img:
        return "a picture line";
    case LineKind::End:
        return "an \"end\" line (the play-through starts again from 0.dat)";
    case LineKind::PageBreak:
        return "a page break (the line is not shown)";
    case LineKind::Text:
        break;
    }
    return "text";
}

bool isLetter(char16_t c)
{
    return platform::isLetterOrNumber(c);
}

// What follows a line's marker when the line is shaped like a marker line: one character that
// is not a letter, then the marker, not run into a word ("pp" counts as one page-break marker,
// the form the replay shows as an empty line). Nothing when the marker hides in text.
std::optional<TextView> afterMarker(TextView line, LineKind kind)
{
    const TextView marker = story::markerText(kind);
    if (platform::InStr(line, marker) != 2 || isLetter(line[0]))
        return std::nullopt;
    TextView rest = line.substr(1 + marker.size());
    if (kind == LineKind::PageBreak && line.substr(1).starts_with(story::EmptyLineMarker))
        rest.remove_prefix(story::EmptyLineMarker.size() - marker.size());
    if (!rest.empty() && isLetter(rest[0]))
        return std::nullopt;
    return rest;
}

// A width in full-width characters, to the half.
std::string characters(double twips)
{
    const long halves = std::lround(twips / openingTextWindow().em * 2);
    return std::to_string(halves / 2) + (halves % 2 ? ".5" : "");
}

struct Scan
{
    Exit exit;
    int exitLine;
    bool waits; // a page waited for the player before the script was left
    bool shows; // text or a picture was shown before the script was left
};

// One script, line by line, as the event player reads it: its markers, its pictures, and its
// pages as the page counter lays them out.
class ScriptScan
{
public:
    ScriptScan(const std::string& file, const std::vector<Text>& lines, Report& report,
        std::vector<PictureUse>& pictures)
        : file_(file)
        , lines_(lines)
        , report_(report)
        , pictures_(pictures)
    { }

    Scan run()
    {
        for (size_t i = 0; i < lines_.size(); ++i) {
            const Text& line = lines_[i];
            const int no = static_cast<int>(i) + 1;
            const LineKind kind = story::classify(line);
            // A marker hidden in text still does what the marker does.
            const bool written = kind == LineKind::Text || markerWritten(line, no, kind);
            const script::PageStep page = script::nextPage(cnt_, kind);
            switch (kind) {
            case LineKind::Hantei:
            case LineKind::Ive:
            case LineKind::End:
                if (unseen_)
                    report_.warning(file_, no,
                        std::string("the game leaves the script here at once, so what it showed "
                                    "since the last "
                                    "pause stays only for a moment before ")
                            + (kind == LineKind::End ? "the story starts again"
                                                     : "the next event begins")
                            + ": put a page break (\">p\") before this line");
                unreadAfter(i);
                return { kind == LineKind::Hantei ? Exit::Hantei
                        : kind == LineKind::Ive   ? Exit::Ive
                                                  : Exit::End,
                    no, waited_, showed_ };
            case LineKind::Img:
                picture(line, no, written);
                break;
            case LineKind::PageBreak:
                if (paused_ && !pictureSincePause_)
                    report_.warning(file_, no,
                        "the page has just paused; this page break makes the game pause again on "
                        "the same page");
                break;
            case LineKind::Text:
                text(line, no, page);
                break;
            }
            cnt_ = page.counter;
            // The player pauses on a full page, and shows the prompt at the end of the script.
            const bool last = i + 1 == lines_.size();
            if (page.full || last)
                prompt();
        }
        return { Exit::Turn, static_cast<int>(lines_.size()), true, showed_ };
    }

private:
    // False when the marker hides in a line that is not written as a marker line.
    bool markerWritten(const Text& line, int no, LineKind kind)
    {
        const TextView marker = story::markerText(kind);
        const TextView img = story::markerText(LineKind::Img);
        if (platform::Mid(line, 2, static_cast<int>(img.size())) == img
            && (kind == LineKind::Hantei || kind == LineKind::Ive)) {
            report_.warning(file_, no,
                "written as a picture line, but the game reads it as " + readAs(kind)
                    + ", since the name holds \"" + u8(marker) + "\": " + shown(line));
            return true;
        }
        // A picture line goes on with its picture's name; other markers stand alone.
        if (const auto rest = afterMarker(line, kind)) {
            if (kind != LineKind::Img && !story::isBlank(*rest))
                report_.warning(file_, no,
                    "the game reads this line as " + readAs(kind)
                        + " and ignores the rest of it: " + shown(line));
            return true;
        }
        const auto meant = meantMarker(line);
        report_.error(file_, no,
            "the game reads this line as " + readAs(kind) + ", not as text: \"" + u8(marker)
                + "\" at character " + std::to_string(platform::InStr(line, marker)) + " of "
                + shown(line) + (meant ? ": " + didYouMean(*meant) : ""));
        return false;
    }

    void unreadAfter(size_t i)
    {
        const auto after = std::find_if(lines_.begin() + static_cast<long>(i) + 1, lines_.end(),
            [](const Text& l) { return !story::isBlank(l); });
        if (after != lines_.end())
            report_.warning(file_, static_cast<int>(after - lines_.begin()) + 1,
                "never read: the game leaves the script at line " + std::to_string(i + 1) + " ("
                    + shown(lines_[i]) + ")");
    }

    void picture(const Text& line, int no, bool written)
    {
        const Text name = story::pictureName(line);
        if (written && name.empty())
            report_.warning(file_, no,
                "the picture line names no picture; the game only repaints the one it shows");
        else if (written)
            pictures_.push_back({ file_, no, name });
        pictureLine_ = no;
        pictureSincePause_ = true;
        unseen_ = true;
        showed_ = true;
    }

    void text(const Text& line, int no, const script::PageStep& page)
    {
        // Safe only while they spell no marker after the first character: one letter more or
        // one character put before them, and the line is a page break or worse.
        const auto lowercase = std::find_if(
            line.begin(), line.end(), [](char16_t c) { return c >= u'a' && c <= u'z'; });
        if (const auto meant = meantMarker(line)) {
            // A branch or an "end" shown as text leaves the story on another way than meant.
            const std::string message = "the game shows this line as text, not as "
                + readAs(meant->kind) + ": " + didYouMean(*meant);
            if (meant->kind == LineKind::Img || meant->kind == LineKind::PageBreak)
                report_.warning(file_, no, message);
            else
                report_.serious(file_, no, message);
        } else if (lowercase != line.end())
            report_.warning(file_, no,
                "lowercase Latin letters in a text line (" + shown(line)
                    + "): a \"p\" after the first character, or \"end\", \"img\", \"ive\" or "
                      "\"hantei\", makes a line a marker line, so a small change can hide this "
                      "line "
                      "or end the event here; write Latin letters full-width (ｐ, ｅｎｄ)");
        const TextWindow& window = openingTextWindow();
        if (const double width = window.lineWidth(line); width > window.width)
            report_.warning(file_, no,
                "the line is " + characters(width)
                    + " full-width characters wide; the text window holds about "
                    + characters(window.width)
                    + " in the game's type when the window opens, so the line wraps and its end "
                      "may be cut off");
        const bool afterPicture = pictureLine_ > 0;
        if (page.newPage) {
            pageLines_ = 1;
            overflowSeen_ = false;
        } else {
            ++pageLines_;
        }
        if (pageLines_ > PageLines && !overflowSeen_) {
            overflowSeen_ = true;
            report_.warning(file_, no,
                "the page holds " + std::to_string(pageLines_)
                    + " lines, but the text window shows " + std::to_string(PageLines)
                    + (afterPicture ? ": the picture line at " + std::to_string(pictureLine_)
                                + " leaves the page counter at 4, so this line goes on the full "
                                  "page above it"
                                    : ""));
        }
        lastText_ = no;
        paused_ = false;
        unseen_ = true;
        showed_ = true;
        pictureLine_ = 0;
    }

    void prompt()
    {
        // The prompt goes at the end of the page's last line.
        if (!paused_ && lastText_ > 0) {
            const TextWindow& window = openingTextWindow();
            const Text& line = lines_[static_cast<size_t>(lastText_) - 1];
            if (window.lineWidth(line) <= window.width
                && window.lineWidth(line + Text(script::PagePrompt)) > window.width)
                report_.warning(file_, lastText_,
                    "with the prompt " + shown(script::PagePrompt)
                        + " after it the line is wider than the text window, "
                          "and the prompt wraps");
        }
        paused_ = true;
        waited_ = true;
        pictureSincePause_ = false;
        unseen_ = false;
    }

    const std::string& file_;
    const std::vector<Text>& lines_;
    Report& report_;
    std::vector<PictureUse>& pictures_;
    int cnt_ = script::PageCounterAtStart;
    int pageLines_ = 2;
    bool overflowSeen_ = false;
    int lastText_ = 0; // the last text line on the page; 0 while it holds only the header
    int pictureLine_ = 0; // the last picture line since the last text line, if any
    bool paused_ = false; // the page shows the prompt, and no text has been added since
    bool waited_ = false; // a page has waited for the player
    bool showed_ = false; // text or a picture has been shown
    bool pictureSincePause_ = false; // a pause to look at a new picture is no extra pause
    bool unseen_ = false; // text or a picture has come since the last pause
};

} // namespace

std::string Split::describe(const Text& letter) const
{
    return letter == low ? "score " + std::to_string(from - 1) + " or less"
                         : "score " + std::to_string(from) + " or more";
}

Split routeSplit()
{
    return splitOf(story::routeFor);
}
Split endingSplit()
{
    return splitOf(story::endingFor);
}

double TextWindow::lineWidth(TextView line) const
{
    return platform::textWidthTwips(line, points);
}

const TextWindow& openingTextWindow()
{
    // The layout at the opening size, without a frame: a window manager's frame takes its
    // height from the client, and so a little of the text window's width too.
    static const TextWindow window = [] {
        const double height = layout::OpeningHeightTwips;
        const double points = layout::textFontSizeFor(height);
        return TextWindow { layout::textWindowWidthFor(*layout::outerWidthFor(height)), points,
            platform::textWidthTwips(u"一", points) };
    }();
    return window;
}

int Story::findEvent(TextView name) const
{
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i].name == name)
            return static_cast<int>(i);
    }
    return -1;
}

namespace {

// The walk through the story: every event the game can reach, met in the order a queue of the
// events met but not yet read gives, each read once.
class Walk
{
public:
    Walk(Folder& folder, Report& report)
        : folder_(folder)
        , report_(report)
    { }

    Story run()
    {
        reach(story::firstEvent(), "", 0, "every play-through begins with it");
        while (!queue_.empty()) {
            const int index = queue_.front();
            queue_.pop_front();
            read(index);
        }
        return std::move(story_);
    }

private:
    // The event the state names, met for the first time or again; -1 when its script is missing.
    int reach(story::EventParts parts, const std::string& from, int line, const std::string& why)
    {
        const Text name = story::eventName(parts);
        if (const auto known = index_.find(name); known != index_.end())
            return known->second;
        const std::string file = u8(story::dataFile(name));
        const bool missing = !folder_.has(file);
        if (missing || folder_.looksLikePicture(file)) {
            const std::string problem = missing ? "missing" : "a picture, not an event script";
            if (from.empty())
                report_.error(file, 0, (missing ? "" : "is ") + problem + ": " + why);
            else
                report_.error(from, line, why + file + ", which is " + problem);
            return -1;
        }
        Event event;
        event.route = std::move(parts.route);
        event.number = parts.number;
        event.ending = std::move(parts.ending);
        event.name = name;
        event.file = file;
        story_.events.push_back(std::move(event));
        const int index = static_cast<int>(story_.events.size()) - 1;
        index_.emplace(name, index);
        queue_.push_back(index);
        return index;
    }

    // Reads an event's script: how it leaves, and where to.
    void read(int index)
    {
        const Event here = story_.events[static_cast<size_t>(index)];
        const std::vector<Text>* lines = folder_.text(here.file);
        Exit exit = Exit::Stuck;
        int exitLine = 0;
        bool waits = false, shows = false;
        if (!lines) {
            // Reported where it was read: the flow stops here.
        } else if (lines->empty()) {
            report_.error(here.file, 0,
                "is empty: the game reads a line of every event before it looks for the end, and "
                "stops");
        } else {
            const Scan scan = ScriptScan(here.file, *lines, report_, story_.pictures).run();
            exit = scan.exit;
            exitLine = scan.exitLine;
            waits = scan.waits;
            shows = scan.shows;
        }
        std::vector<int> next;
        std::string keyFile;
        if (exit == Exit::Turn && !here.number) {
            report_.error(here.file, exitLine,
                "the ending runs out here without an \"end\" line; no key file can be named for "
                "the crafting turn that would follow, so the game stops");
            exit = Exit::Stuck;
        } else if (exit == Exit::Turn) {
            keyFile = u8(story::keyFile(here.route, *here.number));
            next.push_back(reach(story::afterTurn(here.parts()), here.file, exitLine,
                "after the crafting turn that follows this event the game opens "));
        } else if (exit == Exit::Hantei || exit == Exit::Ive) {
            next = branches(here, exit, exitLine);
        }
        Event& event = story_.events[static_cast<size_t>(index)];
        event.exit = exit;
        event.exitLine = exitLine;
        event.waits = waits;
        event.shows = shows;
        event.next = std::move(next);
        event.keyFile = std::move(keyFile);
    }

    // The events of the two letters of a branch line.
    std::vector<int> branches(const Event& here, Exit exit, int line)
    {
        std::vector<int> next;
        if (exit == Exit::Hantei) {
            const Split routes = routeSplit();
            for (const Text& letter : { routes.low, routes.high })
                next.push_back(reach(story::afterRouteBranch(here.parts(), letter), here.file, line,
                    "route " + u8(letter) + " (" + routes.describe(letter) + ") goes on to "));
        } else {
            const Split endings = endingSplit();
            for (const Text& letter : { endings.low, endings.high })
                next.push_back(reach(story::afterEndingBranch(here.parts(), letter), here.file,
                    line,
                    "ending " + u8(letter) + " (" + endings.describe(letter) + ") goes on to "));
        }
        return next;
    }

    Folder& folder_;
    Report& report_;
    Story story_;
    std::deque<int> queue_;
    std::unordered_map<Text, int> index_; // the events met, by name
};

} // namespace

Story walkStory(Folder& folder, Report& report)
{
    return Walk(folder, report).run();
}

} // namespace check
