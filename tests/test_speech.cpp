// What a player who does not see the screen hears: the spoken text of each state of the game,
// how requests become utterances, the game's own voice and its remembered setting, and the
// names and roles a screen reader finds.
#include "support/game.h"

#include "craft/spoken.h"
#include "event/spoken.h"
#include "platform/settings.h"
#include "records/spoken.h"

#include <QAccessible>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdlib>
#include <filesystem>
#include <set>

using namespace platform;
using test::u8;

// ---- the spoken text, plain cases ----------------------------------------------------------

TEST(Spoken, TheHeadingSaysTheStarsInWords)
{
    EXPECT_EQ(u8(spoken::heading(0)), "Quillet、星なし");
    EXPECT_EQ(u8(spoken::heading(23)), "Quillet、黒い星 2つ、白い星 3つ");
    EXPECT_EQ(u8(spoken::heading(30)), "Quillet、黒い星 3つ");
    EXPECT_EQ(u8(spoken::heading(4)), "Quillet、白い星 4つ");
}

TEST(Spoken, LinesAreSaidAsShownAndThePromptIsACueNotItsSymbol)
{
    EXPECT_EQ(
        u8(spoken::storyLine(u"「まかせて。心をこめて作るね」")), "「まかせて。心をこめて作るね」");
    EXPECT_EQ(u8(spoken::storyLine(u"　 ")), "");
    EXPECT_EQ(u8(spoken::storyLine(u"")), "");
    EXPECT_EQ(u8(Text(spoken::Prompt)), "続く");
}

TEST(Spoken, ACraftingTurnSaysItsHeadingTheCountAndEachVerdictInWords)
{
    EXPECT_EQ(u8(spoken::turnBegins()), "ものを作ります。ものにこめる想いを選んでね");
    EXPECT_EQ(u8(spoken::chosen(u"喜び", 1)), "喜び、1つめ");
    EXPECT_EQ(u8(spoken::chosen(u"勇気", 5)), "勇気、5つめ。判定します");
    using judgement::Outcome;
    EXPECT_EQ(u8(spoken::verdict(Outcome::Good, u"喜び")), "喜び、良い");
    EXPECT_EQ(u8(spoken::verdict(Outcome::Critical, u"希望")), "希望、クリティカル");
    EXPECT_EQ(u8(spoken::verdict(Outcome::Bad, u"思い出")), "思い出、悪い");
    EXPECT_EQ(u8(spoken::verdict(Outcome::None, u"勇気")), "勇気、どちらでもない");
    EXPECT_EQ(u8(spoken::boardWaits()), "判定が終わりました。ここをクリックして下さい");
}

TEST(Spoken, PastRecordsAndTheirReplay)
{
    EXPECT_EQ(u8(spoken::listShown(3)), "過去見、記録 3件");
    EXPECT_EQ(u8(spoken::listShown(0)), "過去見、記録はありません");
    EXPECT_EQ(u8(spoken::entry(u"a1")), "a1");
    EXPECT_EQ(u8(spoken::entry(u"")), "空の記録");
    // The replay of "T1 / page break / T2 / pp / T3 / end", said as it is built.
    using replay::Effect;
    Text said = spoken::replayHeading(u"a2");
    for (TextView line : { u"T1", u"■p", u"T2", u"■pp", u"　", u"T3", u"■end" })
        spoken::addReplayLine(said, replay::classify(line), line);
    EXPECT_EQ(u8(said), "過去見 a2\nT1\nT2\nT3\nエンディング");
    EXPECT_EQ(u8(spoken::replayClosed()), "過去見を閉じました");

    Text huge = spoken::replayHeading(u"0");
    for (int i = 0; i < 20000; ++i)
        spoken::addReplayLine(huge, Effect::Text, u"長い行です");
    EXPECT_LE(huge.size(), spoken::MaxReplayChars + 10);
}

// ---- the settings file ---------------------------------------------------------------------

namespace {
struct Env
{
    Env(const char* name, const std::string& value)
        : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~Env()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    const char* name_;
    std::optional<std::string> old_;
};
} // namespace

TEST(Settings, TheChoiceIsKeptInTheXdgConfigurationFolder)
{
    {
        Env config("XDG_CONFIG_HOME", "/somewhere/config");
        EXPECT_EQ(settings::file(), "/somewhere/config/pelirra/pelirra.conf");
    }
    Env config("XDG_CONFIG_HOME", "");
    Env home("HOME", "/home/mio");
    EXPECT_EQ(settings::file(), "/home/mio/.config/pelirra/pelirra.conf");

    QTemporaryDir dir;
    const std::string file = dir.path().toStdString() + "/new/pelirra/pelirra.conf";
    EXPECT_EQ(settings::selfVoicing(file), std::nullopt);
    EXPECT_EQ(settings::setSelfVoicing(file, true), "");
    EXPECT_EQ(settings::selfVoicing(file), true);
    test::writeBytes(file, "font=big\nself-voicing=on\n");
    EXPECT_EQ(settings::setSelfVoicing(file, false), "");
    EXPECT_EQ(test::readBytes(file), "font=big\nself-voicing=off\n"); // other lines are kept
    EXPECT_EQ(settings::selfVoicing(file), false);
}

TEST(Settings, AFileThatCannotBeReadOrWrittenChangesNothing)
{
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    std::filesystem::create_directories(base + "/folder.conf");
    EXPECT_EQ(settings::selfVoicing(base + "/folder.conf"), std::nullopt);
    test::writeBytes(base + "/garbage.conf", std::string("\xff\0self-voicing=maybe\n", 21));
    EXPECT_EQ(settings::selfVoicing(base + "/garbage.conf"), std::nullopt);
    test::writeBytes(base + "/huge.conf", std::string(100000, 'x') + "\nself-voicing=on\n");
    EXPECT_EQ(settings::selfVoicing(base + "/huge.conf"), std::nullopt);

    test::writeBytes(base + "/file", "");
    const std::string problem = settings::setSelfVoicing(base + "/file/pelirra/pelirra.conf", true);
    EXPECT_NE(problem.find(base + "/file"), std::string::npos) << problem;
}

// ---- requests and utterances ---------------------------------------------------------------

namespace {
class FakeVoice : public Voice
{
public:
    explicit FakeVoice(std::vector<Text>& said)
        : said_(said)
    { }
    void say(const std::u16string& text) override { said_.push_back(text); }
    std::vector<Text>& said_;
};

// A game whose speech is heard by the test, and whose own voice is a fake.
struct Heard
{
    explicit Heard(test::Game& g)
        : speech(g.fom().speech)
    {
        speech.heard = [this](const Text& t) { utterances.push_back(u8(t)); };
        speech.makeVoice = [this](VoiceUnavailable unavailable) {
            unavailable_ = std::move(unavailable);
            return std::make_unique<FakeVoice>(voiced);
        };
        speech.settingsFile = dir.path().toStdString() + "/pelirra/pelirra.conf";
        speech.report = [this](const std::string& m) { reports.push_back(m); };
    }
    // What was said since the last call, once the quiet spell is over.
    std::vector<std::string> next()
    {
        speech.flush();
        return std::exchange(utterances, {});
    }
    Speech& speech;
    QTemporaryDir dir;
    std::vector<std::string> utterances, reports;
    std::vector<Text> voiced;
    VoiceUnavailable unavailable_;
};

void writeStory(test::Game& g, int lines)
{
    std::vector<Text> script;
    for (int i = 1; i <= lines; ++i)
        script.push_back(u"行" + Str(i));
    g.file("txt.dat", { u"喜び", u"優しさ", u"勇気" });
    g.file("0.dat", script);
    g.file("0_han.dat", { u"喜び", u"優しさ", u"勇気" });
}
} // namespace

// The board says each row from the judgement itself, not from the marks it shows: a caption that
// looks like a mark is said as itself.
TEST(Spoken, EveryItemOfTheBoardReadsAsItsVerdict)
{
    test::Game g;
    g.file("txt.dat", { u"喜び", u"優しさ", u"勇気", u"○　思い出" });
    g.file("0.dat", { u"行1" });
    g.file("0_han.dat", { u"喜び", u"優しさ", u"勇気" });
    Fom& fom = g.start();
    g.readOn();
    fom.Lbl.press(MouseButton::Left);
    for (short i : { 0, 1, 2, 3, 0 })
        fom.Com(i).click();
    EXPECT_EQ(u8(fom.TxtPic.spokenItem(3)), "○　思い出") << "not judged yet";
    for (int i = 0; i < 5; ++i)
        fom.GameTim.fire();
    using judgement::Outcome;
    const std::vector<std::pair<Outcome, Text>> judged { { Outcome::Good, u"喜び" },
        { Outcome::Critical, u"優しさ" }, { Outcome::Bad, u"勇気" },
        { Outcome::None, u"○　思い出" } };
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(u8(fom.TxtPic.spokenItem(row)),
            u8(spoken::verdict(judged[size_t(row)].first, judged[size_t(row)].second)));
    EXPECT_EQ(u8(fom.TxtPic.spokenItem(5)), u8(spoken::boardWaits()));
}

TEST(Speech, APageIsOneUtteranceInOrderEndingWithTheCue)
{
    test::Game g;
    writeStory(g, 9);
    g.start();
    Heard h(g);
    g.readOn(); // the heading was asked for before anyone listened: it is kept a moment
    EXPECT_EQ(h.next(), (std::vector<std::string> { "Quillet、星なし\n行1\n行2\n続く" }));
    g.fom().Lbl.press(MouseButton::Left);
    g.readOn();
    EXPECT_EQ(h.next(), (std::vector<std::string> { "行3\n行4\n行5\n行6\n行7\n続く" }));
    EXPECT_EQ(h.next(), std::vector<std::string> {}); // said once
}

TEST(Speech, ReadFastTheNewestLineCutsOffTheLast)
{
    test::Game g;
    writeStory(g, 12);
    g.start();
    g.readOn();
    Heard h(g);
    g.fom().Lbl.press(MouseButton::Right);
    g.readOn();
    EXPECT_EQ(h.next(), (std::vector<std::string> { "行12\n続く" }));
}

TEST(Speech, ACraftingTurnIsHeardFromItsHeadingToTheWaitingBoard)
{
    test::Game g;
    writeStory(g, 1);
    g.file("0_han.dat", { u"喜び", u"優しさ", u"勇気" });
    Fom& fom = g.start();
    g.readOn();
    Heard h(g);
    h.next();
    fom.Lbl.press(MouseButton::Left);
    EXPECT_EQ(
        h.next(), (std::vector<std::string> { "ものを作ります。ものにこめる想いを選んでね" }));
    const short pastRecords = static_cast<short>(fom.Com.UBound() - 1);
    fom.Com(pastRecords).click();
    EXPECT_EQ(h.next(), (std::vector<std::string> { "過去見、記録 1件" }));
    for (short i : { 0, 1, 2, 0, 2 })
        fom.Com(i).click();
    EXPECT_EQ(h.next(),
        (std::vector<std::string> {
            "喜び、1つめ\n優しさ、2つめ\n勇気、3つめ\n喜び、4つめ\n勇気、5つめ。判定します" }));
    for (int i = 0; i < 5; ++i)
        fom.GameTim.fire();
    EXPECT_EQ(h.next(),
        (std::vector<std::string> { "喜び、良い\n優しさ、クリティカル\n勇気、悪い\n喜び、良い\n"
                                    "勇気、悪い\n判定が終わりました。ここをクリックして下さい" }));
    EXPECT_EQ(u8(fom.TxtPic.spokenItem(1)), "優しさ、クリティカル");
}

TEST(Speech, APastEventIsReadOutAndClosing)
{
    test::Game g;
    writeStory(g, 2);
    Fom& fom = g.openPastRecords();
    Heard h(g);
    fom.Lst.clickItem(0);
    EXPECT_EQ(h.next(), (std::vector<std::string> { "過去見 0\n行1\n行2" }));
    fom.Txt.click();
    EXPECT_EQ(h.next(), (std::vector<std::string> { "過去見を閉じました" }));
    EXPECT_EQ(u8(fom.Lst.spokenItem(0)), "0");
}

TEST(Speech, NobodyListeningKeepsNothingForLong)
{
    test::Game g;
    writeStory(g, 3);
    Fom& fom = g.start();
    Speech& speech = fom.speech;
    EXPECT_FALSE(speech.selfVoicing());
    g.readOn();
    // Kept a moment for a screen reader that is connecting, cut to a bounded length.
    for (int i = 0; i < 1000; ++i)
        speech.say(Text(100, u'あ'));
    EXPECT_TRUE(speech.pending());
    std::vector<std::string> heard;
    speech.heard = [&](const Text& t) { heard.push_back(u8(t)); };
    speech.flush();
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_LE(heard[0].size(), Speech::MaxChars * 3);
}

// ---- the game's own voice ------------------------------------------------------------------

TEST(SelfVoicing, VTurnsTheVoiceOnAndOffWithACueAndRemembersIt)
{
    test::Game g;
    writeStory(g, 9);
    g.start();
    Heard h(g);
    h.speech.toggleSelfVoicing();
    EXPECT_TRUE(h.speech.selfVoicing());
    EXPECT_EQ(settings::selfVoicing(h.speech.settingsFile), true);
    g.fom().Lbl.press(MouseButton::Left);
    g.readOn();
    h.next();
    h.speech.toggleSelfVoicing();
    EXPECT_FALSE(h.speech.selfVoicing());
    EXPECT_EQ(settings::selfVoicing(h.speech.settingsFile), false);
    ASSERT_EQ(h.voiced.size(), 3u);
    EXPECT_EQ(u8(h.voiced[0]), "声をオンにしました");
    EXPECT_EQ(u8(h.voiced[1]), "行1\n行2\n続く");
    EXPECT_EQ(u8(h.voiced[2]), "声をオフにしました");
    EXPECT_TRUE(h.reports.empty());
}

TEST(SelfVoicing, TheRememberedChoiceOrTheCommandLineTurnsItOnAtStart)
{
    {
        test::Game g;
        writeStory(g, 9);
        g.start();
        Heard h(g);
        settings::setSelfVoicing(h.speech.settingsFile, true);
        h.speech.heard = nullptr;
        h.speech.start(false);
        g.readOn();
        h.speech.flush(); // no screen reader here: the remembered voice speaks
        EXPECT_TRUE(h.speech.selfVoicing());
        ASSERT_EQ(h.voiced.size(), 1u);
        EXPECT_EQ(u8(h.voiced[0]), "Quillet、星なし\n行1\n行2\n続く");
    }
    {
        test::Game g;
        writeStory(g, 9);
        g.start();
        Heard h(g);
        h.speech.start(true);
        EXPECT_TRUE(h.speech.selfVoicing());
        EXPECT_EQ(settings::selfVoicing(h.speech.settingsFile), std::nullopt); // not remembered
    }
}

TEST(SelfVoicing, NoVoiceIsSaidOnceAndTheGameGoesOn)
{
    test::Game g;
    writeStory(g, 9);
    g.start();
    Heard h(g);
    h.speech.toggleSelfVoicing();
    h.unavailable_(u"the speech service does not answer");
    h.unavailable_(u"the speech service does not answer");
    EXPECT_EQ(h.reports,
        (std::vector<std::string> {
            "no voice is available (the speech service does not answer); the game goes on "
            "without it" }));

    // Without the module beside the program, the same once.
    test::Game g2;
    writeStory(g2, 9);
    g2.start();
    Heard h2(g2);
    h2.speech.makeVoice = nullptr;
    h2.speech.toggleSelfVoicing();
    h2.speech.toggleSelfVoicing();
    h2.speech.toggleSelfVoicing();
    g2.readOn();
    h2.next();
    ASSERT_EQ(h2.reports.size(), 1u);
    EXPECT_NE(h2.reports[0].find("no voice is available (the voice module"), std::string::npos)
        << h2.reports[0];
    EXPECT_FALSE(g2.exited);
}

TEST(SelfVoicing, ASettingThatCannotBeSavedIsSaidAndTheVoiceStaysOn)
{
    test::Game g;
    writeStory(g, 1);
    g.start();
    Heard h(g);
    test::writeBytes(h.dir.path().toStdString() + "/file", "");
    h.speech.settingsFile = h.dir.path().toStdString() + "/file/pelirra.conf";
    h.speech.toggleSelfVoicing();
    EXPECT_TRUE(h.speech.selfVoicing());
    ASSERT_EQ(h.reports.size(), 1u);
    EXPECT_EQ(h.reports[0].rfind("the voice setting could not be saved: ", 0), 0u) << h.reports[0];
}

// ---- names and roles -------------------------------------------------------------------------

TEST(Accessibility, EveryControlHasAJapaneseNameAndItsRole)
{
    test::Game g;
    writeStory(g, 1);
    // The replay's text widget is made when a past record is first read.
    Fom& fom = g.openPastRecords();
    fom.Lst.clickItem(0);
    std::set<std::pair<std::string, QAccessible::Role>> found;
    for (QWidget* w : fom.Me.widget()->findChildren<QWidget*>()) {
        if (QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w))
            found.emplace(iface->text(QAccessible::Name).toStdString(), iface->role());
    }
    for (const auto& expected : std::vector<std::pair<std::string, QAccessible::Role>> {
             { "本文", QAccessible::StaticText },
             { "絵", QAccessible::Graphic },
             { "想いの判定", QAccessible::List },
             { "過去の記録", QAccessible::List },
             { "過去の記録の本文", QAccessible::EditableText },
             { "ものを作ります。ものにこめる想いを選んでね", QAccessible::StaticText },
             { "喜び", QAccessible::PushButton },
             { "過去見", QAccessible::PushButton },
             { "終了", QAccessible::PushButton },
         })
        EXPECT_TRUE(found.count(expected)) << expected.first;
}
