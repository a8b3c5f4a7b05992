// The crafting turn: choosing five feelings, the timed judgement, the score, and the game loop.
#include "support/game.h"

#include "craft/judgement.h"

using namespace platform;
using judgement::Outcome;
using test::u8;

TEST(Judgement, ACaptionMatchesAKeyLineThatHoldsItNotTheOtherWayRound)
{
    EXPECT_TRUE(judgement::occursIn(u"勇気", u"やさしさ、勇気、希望"));
    EXPECT_TRUE(judgement::occursIn(u"勇気", u"勇気づけ")) << "inside a longer word";
    EXPECT_FALSE(judgement::occursIn(u"勇気づけ", u"勇気")) << "one way only";
    EXPECT_FALSE(judgement::occursIn(u"勇気", u"")) << "an empty key line matches nothing";
    EXPECT_FALSE(judgement::occursIn(u"", u""));
    EXPECT_TRUE(judgement::occursIn(u"", u"喜び")) << "an empty caption matches any non-empty line";
    EXPECT_FALSE(judgement::occursIn(u"hope", u"HOPE"));
    EXPECT_FALSE(judgement::occursIn(u"ｈｏｐｅ", u"hope")) << "full and half width differ";

    const std::array<Text, 3> keys { u"喜び", u"喜び、勇気", u"勇気、怒り" };
    EXPECT_EQ(judgement::judge(u"喜び", keys), Outcome::Good)
        << "the first line that holds it decides";
    EXPECT_EQ(judgement::judge(u"勇気", keys), Outcome::Critical);
    EXPECT_EQ(judgement::judge(u"怒り", keys), Outcome::Bad);
    EXPECT_EQ(judgement::judge(u"涙", keys), Outcome::None);

    EXPECT_EQ(u8(judgement::mark(Outcome::Good, u"喜び")), "○　喜び");
    EXPECT_EQ(u8(judgement::mark(Outcome::Critical, u"喜び")), "●　喜び　クリティカル！");
    EXPECT_EQ(u8(judgement::mark(Outcome::Bad, u"喜び")), "×　喜び");
    EXPECT_EQ(u8(judgement::mark(Outcome::None, u"喜び")), "　　喜び");

    EXPECT_EQ(judgement::scoreAfter(2, Outcome::Bad), 0);
    EXPECT_EQ(judgement::scoreAfter(3, Outcome::Bad), 0);
    EXPECT_EQ(judgement::scoreAfter(4, Outcome::Bad), 1);
    EXPECT_EQ(judgement::scoreAfter(4, Outcome::Critical), 9);
    EXPECT_EQ(judgement::scoreAfter(4, Outcome::Good), 5);
    EXPECT_EQ(judgement::scoreAfter(4, Outcome::None), 4);
    EXPECT_EQ(judgement::scoreAfter(32765, Outcome::Critical), 32767) << "the top holds";
    EXPECT_EQ(judgement::scoreAfter(32767, Outcome::Good), 32767);
    EXPECT_EQ(judgement::scoreAfter(32767, Outcome::Bad), 32764);
}

namespace {

const std::vector<Text> Feelings { u"喜び", u"優しさ", u"勇気", u"怒り", u"涙" };

// A game whose first event has ended: the next click on the text window starts a turn.
struct Turn : test::Game
{
    Fom& f;
    explicit Turn(std::vector<Text> keys = { u"喜び", u"優しさ", u"怒り" })
        : f((file("txt.dat", Feelings), file("0.dat", { u"はじまり" }), file("1.dat", { u"つぎ" }),
            file("0_han.dat", keys), start()))
    {
        readOn();
    }
    void begin() { f.Lbl.press(MouseButton::Left); }
    void choose(const Text& caption)
    {
        for (int i = 0; i <= f.Com.UBound(); ++i) {
            if (f.Com(i).Caption() == caption) {
                f.Com(i).click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << u8(caption);
    }
    void chooseFive(const Text& caption)
    {
        for (int i = 0; i < 5; ++i)
            choose(caption);
    }
    int judgeAll()
    {
        int ticks = 0;
        while (f.GameTim.ticking() && ticks < 100) {
            f.GameTim.fire();
            ++ticks;
        }
        return ticks;
    }
    std::vector<std::string> board()
    {
        std::vector<std::string> items;
        for (int i = 0; i < f.TxtPic.ListCount(); ++i)
            items.push_back(u8(f.TxtPic.List(i)));
        return items;
    }
    std::vector<bool> enabled()
    {
        std::vector<bool> out;
        for (int i = 0; i <= f.Com.UBound(); ++i)
            out.push_back(f.Com(i).Enabled());
        return out;
    }
};

} // namespace

TEST(Crafting, AClickAfterTheEventTurnsTheScreenIntoTheCraftingScreen)
{
    Turn t;
    test::writePicture(t.dat("game.dat"), 8, 8, "PNG", 0x00ff00);
    EXPECT_EQ(t.enabled(), std::vector<bool>({ false, false, false, false, false, false, true }));
    t.begin();
    EXPECT_FALSE(t.f.Lbl.Visible());
    EXPECT_TRUE(t.f.TxtPic.Visible());
    EXPECT_TRUE(t.f.LblCom.Visible());
    EXPECT_TRUE(t.f.Linel(3).Visible());
    EXPECT_EQ(t.enabled(), std::vector<bool>(7, true));
    EXPECT_TRUE(t.f.GameTim.Enabled());
    EXPECT_FALSE(t.f.GameTim.ticking()) << "no judging while choosing";
    EXPECT_EQ(t.f.TxtPic.ListCount(), 0);
    EXPECT_EQ(t.f.Img.surfacePixel(5, 5).g, 255) << "the picture game is shown";
}

TEST(Crafting, FourChoicesOnlyFillTheBoardAndTheFifthLocksTheButtonsAndJudges)
{
    Turn t;
    t.begin();
    for (const char16_t* c : { u"喜び", u"涙", u"喜び", u"怒り" })
        t.choose(c);
    EXPECT_EQ(t.board(), (std::vector<std::string> { "喜び", "涙", "喜び", "怒り" }));
    EXPECT_EQ(t.f.Cnt, 4);
    EXPECT_EQ(t.enabled(), std::vector<bool>(7, true));
    EXPECT_FALSE(t.f.GameTim.ticking());

    t.choose(u"優しさ");
    EXPECT_EQ(t.enabled(), std::vector<bool>({ false, false, false, false, false, false, true }));
    EXPECT_EQ(t.f.GameTim.Interval(), 100);
    EXPECT_TRUE(t.f.GameTim.ticking());
    EXPECT_EQ(t.f.Cnt, 0);
    EXPECT_EQ(u8(t.f.HanKey[1]), "優しさ");

    t.f.GameTim.fire();
    EXPECT_EQ(t.board(), (std::vector<std::string> { "○　喜び", "涙", "喜び", "怒り", "優しさ" }));
    EXPECT_EQ(t.f.Point, 1);
    EXPECT_EQ(t.judgeAll(), 4);
    EXPECT_EQ(t.board(),
        (std::vector<std::string> { "○　喜び", "　　涙", "○　喜び", "×　怒り",
            "●　優しさ　クリティカル！", "ここをクリックして下さい▼" }));
    EXPECT_EQ(t.f.Point, 5); // 1, 1, 2, 0, 5
    EXPECT_FALSE(t.f.GameTim.Enabled());
}

TEST(Crafting, FiveIdenticalChoicesAreFiveItems)
{
    Turn t;
    t.begin();
    t.chooseFive(u"勇気");
    EXPECT_EQ(t.board(), std::vector<std::string>(5, "勇気"));
}

TEST(Crafting, ThePastRecordButtonBetweenChoicesChangesNothingAndTheNextChoiceHidesTheList)
{
    Turn t;
    t.begin();
    t.choose(u"喜び");
    t.choose(u"過去見");
    EXPECT_TRUE(t.f.Lst.Visible());
    EXPECT_FALSE(t.f.Txt.Visible());
    EXPECT_EQ(t.f.Cnt, 1);
    EXPECT_EQ(t.board(), std::vector<std::string> { "喜び" });
    t.f.Txt.setVisible(true); // as a replay would show it
    t.choose(u"涙");
    EXPECT_FALSE(t.f.Lst.Visible());
    EXPECT_FALSE(t.f.Txt.Visible());
    EXPECT_EQ(t.board(), (std::vector<std::string> { "喜び", "涙" }));
}

TEST(Crafting, TheBoardIgnoresClicksUntilThePromptThenBeginsTheNextEvent)
{
    Turn t;
    t.begin();
    t.choose(u"喜び");
    t.f.TxtPic.clickItem(0);
    EXPECT_TRUE(t.f.TxtPic.Visible()) << "choosing";
    t.chooseFive(u"喜び");
    t.f.GameTim.fire();
    t.f.TxtPic.clickItem(0);
    EXPECT_TRUE(t.f.TxtPic.Visible()) << "judging";
    t.judgeAll();
    t.f.TxtPic.clickItem(2); // any item, not only the prompt
    EXPECT_FALSE(t.f.TxtPic.Visible());
    EXPECT_FALSE(t.f.LblCom.Visible());
    EXPECT_TRUE(t.f.Lbl.Visible());
    EXPECT_EQ(t.caption(), "Quillet > ☆☆☆☆☆\r\n");
    EXPECT_EQ(t.listed(), (std::vector<std::string> { "0", "1" }));
}

TEST(Crafting, BadItemsNeverTakeTheScoreBelowZero)
{
    for (auto [start, after] : { std::pair { 2, 0 }, { 3, 0 }, { 4, 1 } }) {
        Turn t;
        t.begin();
        t.f.Point = static_cast<short>(start);
        t.chooseFive(u"怒り");
        t.f.GameTim.fire();
        EXPECT_EQ(t.f.Point, after) << start;
    }
    Turn t;
    t.begin();
    t.f.Point = 10;
    t.chooseFive(u"怒り");
    std::vector<int> points;
    while (t.f.GameTim.ticking()) {
        t.f.GameTim.fire();
        points.push_back(t.f.Point);
    }
    EXPECT_EQ(points, (std::vector<int> { 7, 4, 1, 0, 0 }));

    // A score at the top (--score 32767) stays there: critical items never end the game.
    Turn top({ u"", u"優しさ", u"" });
    top.begin();
    top.f.Point = 32765;
    top.chooseFive(u"優しさ");
    top.judgeAll();
    EXPECT_EQ(top.f.Point, 32767);
    EXPECT_TRUE(top.errors.empty());
}

TEST(Crafting, TheScoreAddsUpOverTurns)
{
    Turn t;
    t.file("1_han.dat", { u"", u"優しさ", u"" });
    t.file("2.dat", { u"さらに" });
    for (int turn = 0; turn < 2; ++turn) {
        t.begin();
        t.chooseFive(u"優しさ");
        t.judgeAll();
        t.f.TxtPic.clickItem(5);
        t.readOn();
    }
    EXPECT_EQ(t.f.Point, 50);
    EXPECT_EQ(t.caption(), "Quillet > ★★★★★\r\n\r\nさらに　　▼");
}

TEST(Crafting, EmptyShortAndLongKeyFiles)
{
    {
        Turn t({ u"", u"", u"" });
        t.begin();
        t.chooseFive(u"喜び");
        t.judgeAll();
        EXPECT_EQ(t.board().front(), "　　喜び");
        EXPECT_EQ(t.f.Point, 0);
    }
    {
        Turn t({ u"涙" }); // the missing lines match nothing
        t.begin();
        t.chooseFive(u"怒り");
        t.judgeAll();
        EXPECT_EQ(t.board().front(), "　　怒り");
        EXPECT_TRUE(t.errors.empty());
    }
    {
        Turn t({ u"", u"", u"", u"喜び" }); // a fourth line is not read
        t.begin();
        t.chooseFive(u"喜び");
        t.judgeAll();
        EXPECT_EQ(t.board().front(), "　　喜び");
    }
}

TEST(Crafting, AMissingKeyFileIsReportedAndTheListSaved)
{
    test::Game g;
    g.file("txt.dat", Feelings);
    g.file("0.dat", { u"はじまり" });
    Fom& f = g.start();
    g.readOn();
    f.Lbl.press(MouseButton::Left);
    for (int i = 0; i < 5; ++i)
        f.Com(0).click();
    ASSERT_EQ(g.errors.size(), 1u);
    EXPECT_EQ(u8(g.errors[0]).rfind("dat/0_han.dat: not found", 0), 0u) << u8(g.errors[0]);
    EXPECT_EQ(test::readBytes(g.dat("kako.dat")), "0\r\n");
    EXPECT_TRUE(g.exited);
}

TEST(Crafting, TheQuitButtonEndsTheGameWhileChoosingAndWhileJudging)
{
    for (int choices : { 2, 5 }) {
        Turn t;
        t.begin();
        for (int i = 0; i < choices; ++i)
            t.choose(u"涙");
        t.choose(u"終了");
        EXPECT_TRUE(t.exited);
        EXPECT_EQ(t.exitCode, 0);
        EXPECT_EQ(test::readBytes(t.dat("kako.dat")), "0\r\n");
    }
}

TEST(PlayThrough, GoodChoicesLeadToRouteBAndTheGoodEndingBadOnesToRouteAAndTheSadEnding)
{
    struct Case
    {
        const char16_t* choice;
        std::vector<std::string> seen;
        const char* lastPage;
    };
    for (const Case& c : { Case { u"良い", { "0", "1", "b1", "b2", "bg" }, "きらきら" },
             Case { u"悪い", { "0", "1", "a1", "a2", "ab" }, "しょんぼり" } }) {
        test::Game g;
        g.file("txt.dat", { u"良い", u"悪い" });
        g.file("0.dat", { u"はじまり" });
        g.file("0_han.dat", { u"", u"良い", u"悪い" });
        g.file("1.dat", { u"わかれみち", u">hantei" });
        for (const char* route : { "a", "b" }) {
            const Text r = fromUtf8(route);
            g.file(std::string(route) + "1.dat", { r + u"の道" });
            g.file(std::string(route) + "1_han.dat", { u"", u"良い", u"悪い" });
            g.file(std::string(route) + "2.dat", { u"いよいよ", u">ive" });
        }
        for (const char* name : { "ag", "ab", "bg", "bb" })
            g.file(std::string(name) + ".dat",
                { std::string(name).back() == 'g' ? u"きらきら" : u"しょんぼり", u">p", u">end" });
        Fom& f = g.start();
        for (int turn = 0; turn < 2; ++turn) {
            g.readOn();
            f.Lbl.press(MouseButton::Left); // the crafting turn
            for (int i = 0; i < 5; ++i)
                f.Com(std::u16string(c.choice) == u"良い" ? 0 : 1).click();
            while (f.GameTim.ticking())
                f.GameTim.fire();
            f.TxtPic.clickItem(0);
        }
        // The route event's branch line leads straight on to the ending.
        g.readOn();
        EXPECT_NE(g.caption().find(c.lastPage), std::string::npos) << g.caption();
        f.Lbl.press(MouseButton::Left);
        EXPECT_EQ(g.caption(), "Quillet > \r\n") << "the end line started again from 0.dat";
        EXPECT_EQ(f.Point, 0);
        EXPECT_EQ(g.listed(), c.seen);
        f.Com(f.Com.UBound()).click();
        EXPECT_EQ(test::readLines(g.dat("kako.dat")).size(), c.seen.size());
        EXPECT_TRUE(g.errors.empty());
    }
}
