// The past-record list and reading an event again.
#include "support/game.h"

#include "records/kako_rules.h"
#include "records/replay_rules.h"
#include "shell/paths.h"

#include <QDir>
#include <QFileInfo>

using namespace platform;
using replay::Effect;
using test::u8;

TEST(ReplayRules, MarkersInTheReplaysOwnOrder)
{
    EXPECT_EQ(replay::classify(u">hantei"), Effect::Drop);
    EXPECT_EQ(replay::classify(u">ive"), Effect::Drop);
    EXPECT_EQ(replay::classify(u">img>give"), Effect::Drop) << "a picture name holding ive";
    EXPECT_EQ(replay::classify(u">img>sea"), Effect::Picture);
    EXPECT_EQ(replay::classify(u">pp"), Effect::EmptyLine);
    EXPECT_EQ(replay::classify(u">p"), Effect::Drop);
    EXPECT_EQ(replay::classify(u">pend"), Effect::Drop) << "p is tested before end here";
    EXPECT_EQ(replay::classify(u">ppend"), Effect::EmptyLine);
    EXPECT_EQ(replay::classify(u">end"), Effect::Ending);
    EXPECT_EQ(replay::classify(u"hantei"), Effect::Text);
    EXPECT_EQ(replay::classify(u"pp"), Effect::Text);
    EXPECT_EQ(replay::classify(u"p"), Effect::Text);
    EXPECT_EQ(replay::classify(u""), Effect::Text);
    EXPECT_EQ(u8(replay::heading(u"a1")), "●　過去見　「a1」　●\r\n");
}

namespace {

// A game in its first crafting turn, with the past-record list open.
struct Records : test::Game
{
    Fom& f;
    explicit Records(const std::string& kako = "")
        : f((
            file("txt.dat", { u"喜び" }), file("0.dat", { u"はじまり" }), writeKako(kako), start()))
    {
        readOn();
        f.Lbl.press(MouseButton::Left);
        f.Com(f.Com.UBound() - 1).click();
    }
    int writeKako(const std::string& kako)
    {
        if (!kako.empty())
            test::writeBytes(dat("kako.dat"), kako);
        return 0;
    }
    void replay(const std::string& name)
    {
        for (int i = 0; i < f.Lst.ListCount(); ++i) {
            if (u8(f.Lst.List(i)) == name) {
                f.Lst.clickItem(i);
                return;
            }
        }
        ADD_FAILURE() << "not listed: " << name;
    }
    std::string text() { return u8(f.Txt.text()); }
};

} // namespace

TEST(Replay, TheSixLineExampleReadsBackExactly)
{
    Records r("N\r\n");
    r.file("N.dat", { u"一行目", u">p", u"二行目", u">pp", u"三行目", u">end" });
    EXPECT_TRUE(r.f.Lst.Visible());
    EXPECT_FALSE(r.f.Txt.Visible());
    r.replay("N");
    EXPECT_EQ(r.text(), "●　過去見　「N」　●\r\n\r\n一行目\r\n二行目\r\n\r\n三行目\r\n●　Ending");
    EXPECT_TRUE(r.f.Txt.Visible());
    EXPECT_TRUE(r.f.Lst.Visible()) << "the list stays, under the replay";
}

TEST(Replay, BranchLinesAreDroppedAndMarkerWordsAtTheStartAreText)
{
    Records r("N\r\n");
    r.file("N.dat", { u"hantei", u"pp", u"x>hantei", u">ive", u"end" });
    r.replay("N");
    EXPECT_EQ(r.text(), "●　過去見　「N」　●\r\n\r\nhantei\r\npp\r\nend");
}

TEST(Replay, PictureLinesShowTheirPictureAndAddNothing)
{
    Records r("N\r\nM\r\n");
    test::writePicture(r.dat("red.dat"), 8, 8, "PNG", 0xff0000);
    test::writePicture(r.dat("blue.dat"), 8, 8, "BMP", 0x0000ff);
    test::writePicture(r.dat("give.dat"), 8, 8, "PNG", 0x00ff00);
    r.file("N.dat", { u"あ", u">img>red", u">img>blue", u">img>missing", u"い" });
    r.replay("N");
    EXPECT_EQ(r.text(), "●　過去見　「N」　●\r\n\r\nあ\r\nい");
    EXPECT_EQ(r.f.Img.surfacePixel(4, 4), (Color { 0, 0, 255 })) << "the last picture that loads";

    // A picture name holding "ive" is an ending branch to the replay: dropped, nothing shown.
    // A line too short to name a picture only repaints.
    r.file("M.dat", { u">img>give", u"ximg", u"う" });
    r.replay("M");
    EXPECT_EQ(r.text(), "●　過去見　「M」　●\r\n\r\nう");
    EXPECT_EQ(r.f.Img.surfacePixel(4, 4), (Color { 0, 0, 255 }));
    EXPECT_TRUE(r.errors.empty());
}

TEST(Replay, ASecondReplayReplacesTheTextAndAClickOnItClosesBoth)
{
    Records g("A\r\nB\r\n");
    g.file("A.dat", { u"エー" });
    g.file("B.dat", { u"ビー" });
    g.replay("A");
    g.replay("B");
    EXPECT_EQ(g.text(), "●　過去見　「B」　●\r\n\r\nビー");
    g.f.Txt.click();
    EXPECT_FALSE(g.f.Txt.Visible());
    EXPECT_FALSE(g.f.Lst.Visible());
    EXPECT_EQ(g.f.Cnt, 0) << "the crafting turn is untouched";
    EXPECT_TRUE(g.f.GameTim.Enabled());
}

TEST(Replay, AnEmptyEntryOrNoSelectionDoesNothing)
{
    Records r("\r\nA\r\n");
    r.f.Txt.setText(u"before");
    r.run([&] { r.f.Lst_Click(); }); // nothing selected
    r.f.Lst.clickItem(0); // the empty entry
    EXPECT_EQ(r.text(), "before");
    EXPECT_FALSE(r.f.Txt.Visible());
}

TEST(Replay, ARecordWhoseScriptIsGoneSaysSoAndThePlayGoesOn)
{
    Records r("old-story\r\n");
    r.replay("old-story");
    EXPECT_TRUE(r.errors.empty());
    EXPECT_FALSE(r.exited);
    EXPECT_TRUE(r.f.Txt.Visible());
    const std::string text = r.text();
    EXPECT_EQ(
        text.rfind(
            "●　過去見　「old-story」　●\r\n\r\n（この記録の台本 dat/old-story.dat が見つからない",
            0),
        0u)
        << text;
    r.f.Com(0).click(); // and the turn carries on
    EXPECT_EQ(r.f.TxtPic.ListCount(), 1);
}

TEST(Replay, TheListKeepsDuplicatesFromKakoDatAndAnEmptyListSavesAnEmptyFile)
{
    {
        Records r("0\r\n0\r\nx\r\n");
        EXPECT_EQ(r.listed(), (std::vector<std::string> { "0", "0", "x" }))
            << "0 was listed already";
        r.f.Com(r.f.Com.UBound()).click();
        EXPECT_EQ(test::readBytes(r.dat("kako.dat")), "0\r\n0\r\nx\r\n");
    }
    {
        test::Game g;
        g.file("txt.dat", {});
        g.file("4.dat", { u"x" });
        g.file("0.dat", { u">p" });
        Fom& f = g.start();
        g.run([&] {
            f.Lst.Clear();
            f.IveNo = 4;
            f.StartIve();
        });
        f.Com(f.Com.UBound()).click();
        EXPECT_EQ(test::readBytes(g.dat("kako.dat")), "");
    }
}

TEST(Replay, NamesThatLeaveTheDataFolderAreNeverOpened)
{
    EXPECT_TRUE(staysInDataFolder(u"a1"));
    EXPECT_TRUE(staysInDataFolder(u"pics/sea"));
    EXPECT_TRUE(staysInDataFolder(u"..x"));
    EXPECT_FALSE(staysInDataFolder(u".."));
    EXPECT_FALSE(staysInDataFolder(u"../secret"));
    EXPECT_FALSE(staysInDataFolder(u"pics/../../secret"));
    EXPECT_FALSE(staysInDataFolder(u"..\\secret"));
    EXPECT_FALSE(staysInDataFolder(u"/etc/secret"));

    // A script and a picture beside the data folder, named from kako.dat and from a script.
    Records r("../outside\r\nN\r\n");
    test::writeLines(r.folder() + "/outside.dat", { u"秘密" });
    test::writePicture(r.folder() + "/leak.dat", 8, 8, "PNG", 0xff0000);
    r.file("N.dat", { u">img>../leak", u"あ" });
    r.replay("../outside");
    EXPECT_EQ(r.text().find("秘密"), std::string::npos) << r.text();
    EXPECT_NE(r.text().find("見つからない"), std::string::npos);
    r.replay("N");
    EXPECT_NE(r.f.Img.surfacePixel(4, 4), (Color { 255, 0, 0 }));
    EXPECT_TRUE(r.errors.empty());
}

TEST(Replay, NamesWrittenOnWindowsSeparateFoldersWithABackslash)
{
    Records r("story\\N\r\n");
    QDir(QString::fromStdString(r.dat(""))).mkpath("story");
    QDir(QString::fromStdString(r.dat(""))).mkpath("pics");
    test::writePicture(r.dat("pics/sea.dat"), 8, 8, "PNG", 0x0000ff);
    r.file("story/N.dat", { u">img>pics\\sea", u"あ" });
    r.replay("story\\N");
    EXPECT_EQ(r.text(), "●　過去見　「story\\N」　●\r\n\r\nあ");
    EXPECT_EQ(r.f.Img.surfacePixel(4, 4), (Color { 0, 0, 255 }));
    // The same picture line in an event the story plays.
    test::writePicture(r.dat("pics/sea.dat"), 8, 8, "PNG", 0x00ff00);
    r.run([&] { r.f.ShowImg(u"pics\\sea"); });
    EXPECT_EQ(r.f.Img.surfacePixel(4, 4), (Color { 0, 255, 0 }));
    EXPECT_TRUE(r.errors.empty());
}

TEST(KakoRules, EachStoryFolderHasAFolderOfItsOwnForItsList)
{
    using kako::userFolderName;
    EXPECT_EQ(u8(userFolderName(u"/usr/share/games/pelirra/dat")), "usr-share-games-pelirra-dat");
    EXPECT_EQ(u8(userFolderName(u"/home/u/my-story")), "home-u-my%2Dstory");
    EXPECT_EQ(u8(userFolderName(u"/home/u/.物語/100%")), "home-u-.物語-100%25");
    EXPECT_EQ(u8(userFolderName(u"/.hidden")), "%2Ehidden");
    EXPECT_EQ(u8(userFolderName(u"/")), "-");
    EXPECT_NE(userFolderName(u"/a-b/c"), userFolderName(u"/a/b-c"));

    // Too long for one folder's name: a number from the whole path, then its end.
    const Text deep = u"/x" + Text(300, u'/') + u"物語の-フォルダ";
    const Text other = u"/y" + Text(300, u'/') + u"物語の-フォルダ";
    const std::string name = u8(userFolderName(deep));
    EXPECT_LE(name.size(), kako::MaxFolderName);
    EXPECT_TRUE(name.ends_with("物語の%2Dフォルダ")) << name;
    EXPECT_NE(userFolderName(deep), userFolderName(other));
    EXPECT_EQ(userFolderName(deep), userFolderName(deep)) << "the same from run to run";
}

TEST(KakoRules, AMergedSaveKeepsTheEntriesReadAtStartAsTheyAre)
{
    using V = std::vector<Text>;
    const V ours { u"0", u"0", u"", u"", u"zz", u"1" };
    EXPECT_EQ(kako::merged({}, ours), ours) << "a list taken away is written anew as it was";
    EXPECT_EQ(
        kako::merged({ u"0", u"x", u"" }, ours), (V { u"0", u"x", u"", u"0", u"", u"zz", u"1" }))
        << "another copy's list, then the entries it holds fewer times than ours";
    EXPECT_EQ(
        kako::missingFrom({ u"0", u"a1" }, { u"a1", u"b1", u"b1", u"0", u"" }), (V { u"b1", u"" }));
}

namespace {

// A game installed as PREFIX/games/pelirra, its story in PREFIX/share/games/pelirra/dat, with
// no dat folder beside the program.
struct Installed : test::Game
{
    std::string story = folder() + "/share/games/pelirra/dat";
    explicit Installed(const std::string& kako = "")
    {
        QDir().mkpath(QString::fromStdString(folder() + "/games"));
        QDir().mkpath(QString::fromStdString(story));
        QDir(QString::fromStdString(folder())).rmdir("dat");
        sys.programFolder = fromUtf8(folder() + "/games");
        test::writeLines(story + "/txt.dat", { u"喜び" });
        test::writeLines(story + "/0.dat", { u"はじまり" });
        if (!kako.empty())
            test::writeBytes(story + "/kako.dat", kako);
    }
    std::string userList() const
    {
        return folder() + "/home/.local/share/pelirra/"
            + u8(kako::userFolderName(
                fromUtf8(QDir(QString::fromStdString(story)).canonicalPath().toStdString())))
            + "/kako.dat";
    }
    void quit() { fom().Com(fom().Com.UBound()).click(); }
};

} // namespace

TEST(KakoPlace, TheInstalledStoryKeepsItsListInTheUsersFolder)
{
    Installed g("x\r\n");
    Fom& f = g.start();
    EXPECT_EQ(u8(f.DatPath), g.story + "/");
    EXPECT_EQ(g.listed(), (std::vector<std::string> { "x", "0" }))
        << "the story's own kako.dat is the list the first run starts from";
    g.quit();
    EXPECT_TRUE(g.errors.empty()) << u8(g.errors.front());
    EXPECT_EQ(g.exitCode, 0);
    EXPECT_EQ(test::readBytes(g.userList()), "x\r\n0\r\n");
    EXPECT_EQ(test::readBytes(g.story + "/kako.dat"), "x\r\n") << "the story folder is untouched";
    const QFileInfo folder(QString::fromStdString(g.folder() + "/home/.local/share/pelirra"));
    EXPECT_EQ(folder.permissions() & (QFile::ReadOther | QFile::ReadGroup), 0)
        << "new folders of the user's data are the user's own";

    // The next run reads the list kept there.
    test::Game next;
    next.sys.programFolder = g.sys.programFolder;
    next.sys.userDataFolder = g.sys.userDataFolder;
    test::writeBytes(g.userList(), "x\r\n0\r\na1\r\n");
    Fom& again = next.start();
    EXPECT_EQ(next.listed(), (std::vector<std::string> { "x", "0", "a1" }));
    again.Com(again.Com.UBound()).click();
    EXPECT_EQ(test::readBytes(g.userList()), "x\r\n0\r\na1\r\n");
    EXPECT_TRUE(next.errors.empty());
}

TEST(KakoPlace, NoPlaceForTheListIsReportedAndNothingIsWritten)
{
    {
        // The user's data folder cannot be made: a file is where a folder should be.
        Installed g("x\r\n");
        test::writeBytes(g.folder() + "/home", "a file");
        g.start();
        g.quit();
        ASSERT_EQ(g.errors.size(), 1u);
        EXPECT_EQ(u8(g.errors[0]),
            g.folder()
                + "/home/.local: cannot be created (a file is in the way)\nThe list of past "
                  "records "
                  "could not be saved; the earlier kako.dat is unchanged.");
        EXPECT_EQ(g.exitCode, 1);
        EXPECT_EQ(test::readBytes(g.story + "/kako.dat"), "x\r\n");
    }
    {
        // No home folder at all.
        Installed g;
        g.sys.userDataFolder.clear();
        g.start();
        g.quit();
        ASSERT_EQ(g.errors.size(), 1u);
        EXPECT_EQ(
            u8(g.errors[0]).rfind("dat/kako.dat: the story folder cannot keep the list", 0), 0u)
            << u8(g.errors[0]);
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(g.story + "/kako.dat")));
    }
}

TEST(KakoPlace, AListTheStoryCannotKeepIsStartedAfreshInTheUsersFolder)
{
    // The story's own list is a link, or cannot be read whole: it is never replaced, so it
    // keeps nothing from being saved in the user's folder, which starts from what could be read.
    for (const bool link : { true, false }) {
        Installed g;
        if (link)
            ASSERT_EQ(::symlink("/etc/hostname", (g.story + "/kako.dat").c_str()), 0);
        else
            test::writeBytes(g.story + "/kako.dat", "a\r\n" + std::string(2 << 20, 'x'));
        g.start();
        g.quit();
        EXPECT_TRUE(g.errors.empty()) << u8(g.errors.front());
        EXPECT_EQ(g.exitCode, 0);
        EXPECT_EQ(test::readBytes(g.userList()), link ? "0\r\n" : "a\r\n0\r\n");
    }
}

TEST(KakoPlace, RecordsKeptInTheUsersFolderJoinTheStorysListWhenItCanBeWrittenAgain)
{
    test::Game g;
    g.minimalStory();
    test::writeBytes(g.dat("kako.dat"), "y\r\n");
    const std::string user = g.folder() + "/home/.local/share/pelirra/"
        + u8(kako::userFolderName(
            fromUtf8(QDir(QString::fromStdString(g.dat(""))).canonicalPath().toStdString())))
        + "/kako.dat";
    QDir().mkpath(QFileInfo(QString::fromStdString(user)).path());
    test::writeBytes(user, "b1\r\n0\r\ny\r\na1\r\n");
    Fom& f = g.start();
    EXPECT_EQ(g.listed(), (std::vector<std::string> { "y", "b1", "0", "a1" }));
    f.Com(f.Com.UBound()).click();
    EXPECT_TRUE(g.errors.empty());
    EXPECT_EQ(test::readBytes(g.dat("kako.dat")), "y\r\nb1\r\n0\r\na1\r\n");
    EXPECT_EQ(test::readBytes(user), "b1\r\n0\r\ny\r\na1\r\n") << "never written";
}
