// The event player: the line grammar, paging and prompts, clicks, branches and the list rule.
#include "support/game.h"

#include "event/paging.h"
#include "story/events.h"

#include <QString>

using namespace platform;
using story::LineKind;
using test::u8;

TEST(ScriptGrammar, AMarkerCountsOnlyWhenItsFirstOccurrenceIsAfterTheFirstCharacter)
{
    EXPECT_EQ(story::classify(u">hantei"), LineKind::Hantei);
    EXPECT_EQ(story::classify(u"hantei"), LineKind::Text);
    EXPECT_EQ(story::classify(u"hantei hantei"), LineKind::Text) << "the first occurrence decides";
    EXPECT_EQ(story::classify(u"xive"), LineKind::Ive);
    EXPECT_EQ(story::classify(u">img>sea"), LineKind::Img);
    EXPECT_EQ(story::classify(u"?img?sea"), LineKind::Img);
    EXPECT_EQ(story::classify(u">img>give"), LineKind::Ive)
        << "a picture name holding ive is an ending branch";
    EXPECT_EQ(story::classify(u">img>hanteisea"), LineKind::Hantei);
    EXPECT_EQ(story::classify(u">end"), LineKind::End);
    EXPECT_EQ(story::classify(u"end"), LineKind::Text);
    EXPECT_EQ(story::classify(u">pend"), LineKind::End) << "end is tested before p";
    EXPECT_EQ(story::classify(u"　p"), LineKind::PageBreak);
    EXPECT_EQ(story::classify(u"p"), LineKind::Text);
    EXPECT_EQ(story::classify(u"Apple"), LineKind::PageBreak)
        << "a p inside a word breaks the page";
    EXPECT_EQ(story::classify(u"Ｐａｇｅ ＥＮＤ"), LineKind::Text) << "case and width are exact";
    EXPECT_EQ(story::classify(u"END"), LineKind::Text);
    EXPECT_EQ(story::classify(u""), LineKind::Text);
    EXPECT_EQ(story::classify(u"海が見える。"), LineKind::Text);
}

TEST(ScriptGrammar, NamesPicturesAndStars)
{
    EXPECT_EQ(u8(story::pictureName(u">img>花 火")), "花 火");
    EXPECT_EQ(u8(story::pictureName(u">img>")), "");
    EXPECT_EQ(u8(story::pictureName(u"ximg")), "") << "too short to hold a name";
    EXPECT_EQ(u8(story::eventName(u"b", 2, u"")), "b2");
    EXPECT_EQ(u8(story::eventName(u"a", std::nullopt, u"g")), "ag");
    EXPECT_EQ(u8(story::eventName(u"", 0, u"")), "0");
    EXPECT_EQ(u8(story::eventName(u"", std::nullopt, u"b")), "b");
    EXPECT_EQ(u8(script::starBar(0)), "");
    EXPECT_EQ(u8(script::starBar(10)), "★");
    EXPECT_EQ(u8(script::starBar(23)), "★★☆☆☆");
    EXPECT_EQ(u8(script::starBar(37)), "★★★☆☆☆☆☆☆☆");
    EXPECT_EQ(u8(story::routeFor(15)), "a");
    EXPECT_EQ(u8(story::routeFor(16)), "b");
    EXPECT_EQ(u8(story::endingFor(29)), "b");
    EXPECT_EQ(u8(story::endingFor(30)), "g");
}

TEST(ScriptGrammar, ThePageCounterFillsPagesOfFiveAndPausesOnAFullOne)
{
    // Lines after the header, as the counter numbers them: 4 and 5 on the first page.
    std::vector<int> counters;
    int counter = script::PageCounterAtStart;
    for (int line = 0; line < 8; ++line) {
        const script::PageStep page = script::nextPage(counter, LineKind::Text);
        counter = page.counter;
        counters.push_back(counter);
        EXPECT_EQ(page.newPage, counter == 1) << line;
        EXPECT_EQ(page.full, counter == 5) << line;
    }
    EXPECT_EQ(counters, (std::vector<int> { 4, 5, 1, 2, 3, 4, 5, 1 }));

    for (int before : { 1, 3, 5 }) {
        const script::PageStep picture = script::nextPage(before, LineKind::Img);
        EXPECT_EQ(picture.counter, 4) << "whatever the page holds, the next text line ends it";
        EXPECT_FALSE(picture.full) << "a picture line does not pause by itself";
        const script::PageStep pageBreak = script::nextPage(before, LineKind::PageBreak);
        EXPECT_EQ(pageBreak.counter, 5);
        EXPECT_TRUE(pageBreak.full);
        EXPECT_FALSE(pageBreak.newPage);
        const script::PageStep branch = script::nextPage(before, LineKind::Hantei);
        EXPECT_EQ(branch.counter, before);
        EXPECT_FALSE(branch.full);
    }
}

namespace {
std::vector<Text> numbered(int n)
{
    std::vector<Text> lines;
    for (int i = 1; i <= n; ++i)
        lines.push_back(u"L" + Str(i));
    return lines;
}
} // namespace

TEST(EventPlayer, ElevenLinesMakeAPageOfTwoAPageOfFiveAndAPageOfFour)
{
    test::Game g;
    g.file("txt.dat", { u"喜び" });
    g.file("0.dat", numbered(11));
    Fom& f = g.start();
    EXPECT_EQ(g.caption(), "Quillet > \r\n");
    EXPECT_TRUE(f.TimIve.ticking());
    EXPECT_EQ(f.TimIve.Interval(), 100);
    EXPECT_EQ(f.IveNo, 1);
    EXPECT_EQ(g.listed(), std::vector<std::string> { "0" });

    EXPECT_EQ(g.readOn(), 2);
    EXPECT_EQ(g.caption(), "Quillet > \r\n\r\nL1\r\nL2　　▼");
    EXPECT_TRUE(f.TimIve.Enabled());
    EXPECT_EQ(f.TimIve.Interval(), 0) << "paused";

    f.Lbl.press(MouseButton::Left);
    EXPECT_EQ(g.caption(), "L3");
    EXPECT_EQ(g.readOn(), 4);
    EXPECT_EQ(g.caption(), "L3\r\nL4\r\nL5\r\nL6\r\nL7　　▼");

    f.Lbl.press(MouseButton::Middle);
    EXPECT_EQ(f.TimIve.Interval(), 100);
    g.readOn();
    EXPECT_EQ(g.caption(), "L8\r\nL9\r\nL10\r\nL11　　▼");
    EXPECT_FALSE(f.TimIve.Enabled()) << "idle: the crafting turn is next";
}

TEST(EventPlayer, ARightClickReadsOnFastWithoutPausesToTheEnd)
{
    test::Game g;
    g.file("txt.dat", {});
    g.file("0.dat", numbered(14));
    Fom& f = g.start();
    g.readOn();
    f.Lbl.press(MouseButton::Right);
    EXPECT_EQ(f.TimIve.Interval(), 1);
    EXPECT_EQ(g.readOn(), 11) << "no page waits for a click";
    EXPECT_EQ(g.caption(), "L13\r\nL14　　▼");
    EXPECT_FALSE(f.TimIve.Enabled());
}

TEST(EventPlayer, ALeftClickWhileReadingShowsTheNextLineAtOnce)
{
    test::Game g;
    g.file("txt.dat", {});
    g.file("0.dat", numbered(3));
    Fom& f = g.start();
    f.Lbl.press(MouseButton::Left);
    EXPECT_EQ(g.caption(), "Quillet > \r\n\r\nL1");
    EXPECT_EQ(f.TimIve.Interval(), 100);
    EXPECT_TRUE(f.TimIve.ticking());
}

TEST(EventPlayer, PageBreaksPicturesAndMarkerWordsShownAsText)
{
    test::Game g;
    g.file("txt.dat", {});
    g.file("0.dat", { u"hantei", u">p", u"p", u"end", u">img>sea", u"絵のあと", u"last" });
    Fom& f = g.start();
    g.readOn();
    EXPECT_EQ(g.caption(), "Quillet > \r\n\r\nhantei　　▼") << "a page break fills the page";
    f.Lbl.press(MouseButton::Left);
    g.readOn();
    // The picture line hides the lines and leaves the counter at 4: the next line ends the page.
    EXPECT_EQ(g.caption(), "p\r\nend\r\n絵のあと　　▼");
    EXPECT_EQ(f.Cnt, 5);
    EXPECT_FALSE(f.Linel(0).Visible());
    EXPECT_EQ(f.Linel(2).BorderColor(), (Color { 100, 255, 255 }));
    f.Lbl.press(MouseButton::Left);
    EXPECT_EQ(g.caption(), "last　　▼");
    EXPECT_FALSE(f.TimIve.Enabled());
}

TEST(EventPlayer, APictureLineAtTheEndLeavesThePlayerIdleWithThePrompt)
{
    test::Game g;
    g.file("txt.dat", {});
    g.file("0.dat", { u"one", u">img>" });
    Fom& f = g.start();
    g.readOn();
    EXPECT_EQ(g.caption(), "Quillet > \r\n\r\none　　▼");
    EXPECT_FALSE(f.TimIve.Enabled());
    EXPECT_TRUE(g.errors.empty());
}

TEST(EventPlayer, TheScoreChoosesTheRouteAndTheEnding)
{
    struct Case
    {
        short point;
        const char* line;
        Text route;
        std::optional<long> no;
        const char* opened;
    };
    for (const Case& c :
        { Case { 15, ">hantei", u"", 3, "a1" }, Case { 16, ">hantei", u"", 3, "b1" },
            Case { 29, ">ive", u"a", 3, "ab" }, Case { 30, ">ive", u"a", 3, "ag" } }) {
        test::Game g;
        g.file("txt.dat", {});
        g.file("0.dat", { u"x" });
        for (const char* name : { "2.dat", "a2.dat" })
            g.file(name, { u"before", QString(c.line).toStdU16String(), u"never read" });
        for (const char* name : { "a1", "b1", "ab", "ag" })
            g.file(std::string(name) + ".dat", { QString(name).toStdU16String() });
        Fom& f = g.start();
        g.run([&] {
            f.Point = c.point;
            f.IveRoute = c.route;
            f.IveNo = 2;
            f.StartIve();
        });
        g.readOn();
        EXPECT_EQ(g.caption(),
            "Quillet > " + u8(script::starBar(c.point)) + "\r\n\r\n" + c.opened + "　　▼")
            << c.point << " " << c.line;
        EXPECT_EQ(g.listed().back(), c.opened);
        EXPECT_TRUE(g.errors.empty()) << u8(g.errors.front());
    }
}

TEST(EventPlayer, AnEndLineRestartsThePlayThroughWithTheScoreReset)
{
    test::Game g;
    g.file("txt.dat", {});
    g.file("0.dat", { u"first" });
    g.file("bg.dat", { u"おわり", u">end", u"never read" });
    Fom& f = g.start();
    g.run([&] {
        f.Point = 37;
        f.IveRoute = u"b";
        f.IveNo.reset();
        f.IveEnd = u"g";
        f.StartIve();
    });
    EXPECT_EQ(g.caption(), "Quillet > ★★★☆☆☆☆☆☆☆\r\n");
    f.Lbl.press(MouseButton::Left);
    f.Lbl.press(MouseButton::Left);
    EXPECT_EQ(f.Point, 0);
    EXPECT_EQ(u8(f.IveRoute), "");
    EXPECT_EQ(u8(f.IveEnd), "");
    EXPECT_EQ(f.IveNo, 1);
    EXPECT_EQ(g.caption(), "Quillet > \r\n");
    g.readOn();
    EXPECT_EQ(g.caption(), "Quillet > \r\n\r\nfirst　　▼");
}

TEST(EventPlayer, TheListGetsEachEventOnceAndNever4A3OrB3)
{
    test::Game g;
    g.file("txt.dat", {});
    for (const char* name : { "0", "4", "a3", "b3", "a1" })
        g.file(std::string(name) + ".dat", { u"x" });
    test::writeBytes(g.dat("kako.dat"), "a1\r\n");
    Fom& f = g.start();
    const auto play = [&](Text route, std::optional<long> no) {
        g.run([&] {
            f.IveRoute = route;
            f.IveNo = no;
            f.StartIve();
        });
    };
    play(u"", 4);
    play(u"a", 3);
    play(u"b", 3);
    play(u"a", 1);
    play(u"", 0);
    EXPECT_EQ(g.listed(), (std::vector<std::string> { "a1", "0" }));
    EXPECT_TRUE(g.errors.empty());
}

TEST(EventPlayer, ARunningEventIsNotRestartedByTheWindowShowingUp)
{
    test::Game g;
    g.file("txt.dat", {});
    g.file("0.dat", numbered(3));
    Fom& f = g.start();
    f.Me.Show(); // activation on the first showing restarts 0.dat once, before any tick
    EXPECT_EQ(g.listed(), std::vector<std::string> { "0" });
    g.readOn();
    f.Me.paint();
    EXPECT_EQ(g.caption(), "Quillet > \r\n\r\nL1\r\nL2　　▼");
}

TEST(EventFailures, AMissingOrEmptyScriptIsReportedAndTheListIsSaved)
{
    for (bool empty : { false, true }) {
        test::Game g;
        g.file("txt.dat", {});
        g.file("0.dat", { u">hantei" });
        if (empty)
            test::writeBytes(g.dat("a1.dat"), "");
        test::writeBytes(g.dat("kako.dat"), "old\r\n");
        g.start();
        g.readOn();
        ASSERT_EQ(g.errors.size(), 1u);
        const std::string report = u8(g.errors[0]);
        EXPECT_EQ(report.rfind(empty ? "dat/a1.dat: is empty" : "dat/a1.dat: not found", 0), 0u)
            << report;
        EXPECT_TRUE(g.exited);
        EXPECT_EQ(test::readBytes(g.dat("kako.dat")), "old\r\n0\r\n")
            << "the list was saved on the way out";
    }
}

TEST(EventFailures, AnEndingThatRunsOutWithoutEndIsReported)
{
    test::Game g;
    g.file("txt.dat", {});
    g.file("0.dat", { u">ive" });
    g.file("b.dat", { u"no way out" });
    Fom& f = g.start();
    g.readOn();
    EXPECT_EQ(g.caption(), "Quillet > \r\n\r\nno way out　　▼");
    f.Lbl.press(MouseButton::Left);
    ASSERT_EQ(g.errors.size(), 1u);
    EXPECT_NE(u8(g.errors[0]).find("dat/b.dat: the ending ran out without an \"end\" line"),
        std::string::npos);
    EXPECT_TRUE(g.exited);
}

TEST(EventPlayer, AnAuthorsTrialBeginsAtItsEventWithItsScoreUntilTheStoryStartsOver)
{
    test::Game g;
    g.file("txt.dat", {});
    g.file("0.dat", { u"first" });
    g.file("a2.dat", { u"late", u">p", u">end" });
    test::writeBytes(g.dat("kako.dat"), "0\r\nb1");
    StartOptions trial;
    trial.event = story::splitEventName(u"a2");
    trial.score = 12;
    Fom f(g.sys);
    f.setStart(trial);
    f.load();
    f.Me.Show(); // the second activation begins the trial again, as it begins 0.dat
    EXPECT_EQ(u8(f.Lbl.Caption()), "Quillet > ★☆☆\r\n");
    EXPECT_EQ(f.Point, 12);
    EXPECT_EQ(u8(f.IveRoute), "a");
    EXPECT_EQ(f.IveNo, 3);
    g.run([&] { f.TimIve_Timer(); });
    EXPECT_EQ(u8(f.Lbl.Caption()), "Quillet > ★☆☆\r\n\r\nlate");
    f.Lbl.press(MouseButton::Left); // the page break
    f.Lbl.press(MouseButton::Left); // the end line: the story starts over
    EXPECT_EQ(f.Point, 0);
    EXPECT_EQ(u8(f.IveRoute), "");
    EXPECT_EQ(u8(f.Lbl.Caption()), "Quillet > \r\n");
    EXPECT_TRUE(g.errors.empty());

    // A trial shows the list and says what it is, but leaves the list on disk as it was.
    EXPECT_EQ(u8(f.Me.Caption()), "Pelirra — trial run");
    ASSERT_EQ(f.Lst.ListCount(), 3);
    EXPECT_EQ(u8(f.Lst.List(2)), "a2");
    f.Com(f.Com.UBound()).click();
    EXPECT_EQ(test::readBytes(g.dat("kako.dat")), "0\r\nb1");
}

TEST(ScriptGrammar, EventNamesSplitIntoRouteNumberAndEnding)
{
    const auto parts = [](TextView name) {
        const auto p = story::splitEventName(name);
        if (!p)
            return std::string("none");
        return u8(p->route) + "|" + (p->number ? std::to_string(*p->number) : "-") + "|"
            + u8(p->ending);
    };
    EXPECT_EQ(parts(u"0"), "|0|");
    EXPECT_EQ(parts(u"12"), "|12|");
    EXPECT_EQ(parts(u"a2"), "a|2|");
    EXPECT_EQ(parts(u"b1"), "b|1|");
    EXPECT_EQ(parts(u"ag"), "a|-|g");
    EXPECT_EQ(parts(u"bb"), "b|-|b");
    EXPECT_EQ(parts(u"g"), "|-|g");
    EXPECT_EQ(parts(u"b"), "|-|b");
    for (TextView bad : { u"", u"a", u"c1", u"ba", u"01", u"a-1", u"1g", u"gg", u"a1b", u"１" })
        EXPECT_EQ(parts(bad), "none") << u8(Text(bad));
    for (TextView name : { u"0", u"a2", u"bg", u"g" }) {
        const auto p = story::splitEventName(name);
        EXPECT_EQ(story::eventName(p->route, p->number, p->ending), name);
    }
}
