// The bundled story, played through the real game to each of its four endings by choosing
// feelings by their captions, as a player does.
#include "support/game.h"

#include "craft/judgement.h"
#include "story/events.h"

#include <QDir>
#include <QFile>

#include <algorithm>

using namespace platform;
using test::u8;

namespace {

struct Turn
{
    const char* event; // the event the turn follows
    std::vector<Text> choices;
    int score; // the score after the turn
};

struct Play
{
    const char* ending;
    std::vector<Turn> turns;
    const char* lastWords; // the ending's last line before "～　おわり　～"
    std::vector<std::string> seen; // what kako.dat holds after quitting
};

// The example play-throughs of docs/story.md, one for each ending.
const std::vector<Turn> unsureStart {
    { "0", { u"希望", u"思い出", u"勇気", u"喜び", u"感謝" }, 3 },
    { "1", { u"感謝", u"情熱", u"安らぎ", u"喜び", u"勇気" }, 6 },
    { "2", { u"勇気", u"安らぎ", u"希望", u"喜び", u"感謝" }, 9 },
    { "3", { u"思い出", u"喜び", u"安らぎ", u"勇気", u"希望" }, 12 },
};

std::vector<Turn> then(std::vector<Turn> turns, const std::vector<Turn>& more)
{
    turns.insert(turns.end(), more.begin(), more.end());
    return turns;
}

const std::vector<Play> plays {
    { "bg",
        {
            { "0", { u"希望", u"希望", u"希望", u"勇気", u"優しさ" }, 17 },
            { "1", { u"感謝", u"感謝", u"思い出", u"安らぎ", u"感謝" }, 34 },
            { "2", { u"勇気", u"勇気", u"情熱", u"希望", u"勇気" }, 51 },
            { "3", { u"思い出", u"思い出", u"安らぎ", u"優しさ", u"思い出" }, 68 },
            { "b1", { u"優しさ", u"優しさ", u"希望", u"感謝", u"思い出" }, 81 },
            { "b2", { u"安らぎ", u"安らぎ", u"優しさ", u"思い出", u"安らぎ" }, 98 },
        },
        "想いは、ちゃんと形にやどったよ。", { "0", "1", "2", "3", "b1", "b2", "bg" } },
    { "bb",
        {
            { "0", { u"希望", u"勇気", u"優しさ", u"喜び", u"感謝" }, 7 },
            { "1", { u"感謝", u"思い出", u"安らぎ", u"喜び", u"勇気" }, 14 },
            { "2", { u"勇気", u"情熱", u"希望", u"喜び", u"感謝" }, 21 },
            { "3", { u"思い出", u"優しさ", u"安らぎ", u"勇気", u"希望" }, 28 },
            { "b1", { u"情熱", u"情熱", u"喜び", u"勇気", u"安らぎ" }, 22 },
            { "b2", { u"勇気", u"情熱", u"勇気", u"喜び", u"感謝" }, 13 },
        },
        "あの坂の上の、小さな工房へ。", { "0", "1", "2", "3", "b1", "b2", "bb" } },
    { "ag",
        then(unsureStart,
            {
                { "a1", { u"喜び", u"喜び", u"優しさ", u"希望", u"安らぎ" }, 24 },
                { "a2", { u"情熱", u"喜び", u"勇気", u"安らぎ", u"感謝" }, 31 },
            }),
        "今日も、わたしは、ものを作る。", { "0", "1", "2", "3", "a1", "a2", "ag" } },
    { "ab",
        then(unsureStart,
            {
                { "a1", { u"喜び", u"感謝", u"優しさ", u"安らぎ", u"情熱" }, 15 },
                { "a2", { u"情熱", u"思い出", u"喜び", u"安らぎ", u"感謝" }, 18 },
            }),
        "……ううん。いってきます。", { "0", "1", "2", "3", "a1", "a2", "ab" } },
};

void copyBundledStory(const test::Game& g)
{
    const QDir source(QStringLiteral(PELIRRA_STORY_DIR));
    for (const QString& name : source.entryList(QDir::Files)) {
        if (name == QStringLiteral("kako.dat"))
            continue; // a player's own records, if any
        ASSERT_TRUE(
            QFile::copy(source.filePath(name), QString::fromStdString(g.dat(name.toStdString()))));
    }
}

// Reads on as the player does, clicking each full page away, until the event has run out.
// Returns every page the player was shown a prompt on.
std::vector<std::string> readEvent(test::Game& g)
{
    Fom& f = g.fom();
    std::vector<std::string> pages;
    for (int clicks = 0; clicks < 200 && f.TimIve.Enabled() && !g.exited; ++clicks) {
        g.readOn();
        pages.push_back(g.caption());
        if (f.TimIve.Enabled())
            f.Lbl.press(MouseButton::Left); // paused on a full page
    }
    EXPECT_FALSE(f.TimIve.Enabled()) << "the event should have run out";
    return pages;
}

short button(Fom& f, const Text& caption)
{
    for (short i = 0; i <= f.Com.UBound() - 2; ++i) {
        if (f.Com(i).Caption() == caption)
            return i;
    }
    ADD_FAILURE() << "no button " << u8(caption);
    return 0;
}

} // namespace

TEST(BundledStory, TheExamplePlayThroughsReachEachEndingAndAreRecordedInKakoDat)
{
    for (const Play& play : plays) {
        SCOPED_TRACE(play.ending);
        test::Game g;
        copyBundledStory(g);
        Fom& f = g.start();

        for (const Turn& turn : play.turns) {
            SCOPED_TRACE(turn.event);
            readEvent(g);
            ASSERT_TRUE(f.IveNo.has_value());
            EXPECT_EQ(u8(story::eventName(f.IveRoute, *f.IveNo - 1, f.IveEnd)), turn.event)
                << "the crafting turn follows this event";
            f.Lbl.press(MouseButton::Left); // the crafting turn
            ASSERT_TRUE(f.TxtPic.Visible());
            for (const Text& choice : turn.choices)
                f.Com(button(f, choice)).click();
            while (f.GameTim.ticking())
                f.GameTim.fire();
            EXPECT_EQ(f.Point, turn.score);
            EXPECT_EQ(u8(f.TxtPic.List(5)), u8(judgement::Prompt)) << "the judgement has finished";
            f.TxtPic.clickItem(0); // the next event
        }

        // The route's last event leads on to the ending, whose end line starts the story again.
        const std::vector<std::string> pages = readEvent(g);
        const auto shown = [&](const std::string& words) {
            return std::any_of(pages.begin(), pages.end(),
                [&](const std::string& page) { return page.find(words) != std::string::npos; });
        };
        EXPECT_TRUE(shown(play.lastWords));
        EXPECT_TRUE(shown("～　おわり　～　　▼")) << "the closing line waits for a click";
        EXPECT_EQ(f.Point, 0);
        EXPECT_EQ(u8(f.IveRoute), "");
        EXPECT_EQ(f.IveNo, 1) << "0.dat again";
        EXPECT_EQ(g.listed(), play.seen) << "4, a3 and b3 are never listed";

        f.Com(f.Com.UBound()).click(); // the quit button
        EXPECT_TRUE(g.exited);
        std::vector<std::string> kako;
        for (const Text& line : test::readLines(g.dat("kako.dat")))
            kako.push_back(u8(line));
        EXPECT_EQ(kako, play.seen);
        EXPECT_TRUE(g.errors.empty()) << (g.errors.empty() ? "" : u8(g.errors.front()));
    }
}
