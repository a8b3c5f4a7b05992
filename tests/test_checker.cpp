// The story checker on small data folders, each broken in one way: the finding, its file and
// its line.
#include "check/checker.h"
#include "check/markers.h"
#include "support/game.h"
#include "support/hostile.h"
#include "support/metafiles.h"

#include "platform/cp932.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sstream>
#include <unistd.h>

using check::Severity;
using platform::Text;
using platform::TextView;

namespace {

// A data folder that plays and passes clean: two feelings and one event that ends the story.
class Folder
{
public:
    Folder()
    {
        file("txt.dat", { u"喜び", u"勇気" });
        file("0.dat", { u"はじまり", u">p", u">end" });
        picture("ive.dat");
        bytes(
            "bgm.mid", std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\x04\0\xff\x2f\0", 26));
    }

    // 0.dat is followed by a crafting turn with these key lines, then 1.dat ends the story.
    void withTurn(const std::vector<Text>& keys = { u"喜び", u"勇気", u"" })
    {
        file("0.dat", { u"はじまり" });
        file("0_han.dat", keys);
        file("1.dat", { u"おわり", u">p", u">end" });
        picture("game.dat");
    }

    std::string path(const std::string& name) const
    {
        return dir_.filePath(QString::fromStdString(name)).toStdString();
    }
    void file(
        const std::string& name, const std::vector<Text>& lines, const std::string& eol = "\r\n")
    {
        test::writeLines(path(name), lines, eol);
    }
    void bytes(const std::string& name, const std::string& data)
    {
        test::writeBytes(path(name), data);
    }
    // The size the game draws its pictures for.
    void picture(const std::string& name) { test::writePicture(path(name), 640, 480, "PNG"); }
    void remove(const std::string& name)
    {
        ASSERT_TRUE(QFile::remove(QString::fromStdString(path(name))));
    }

    check::Result check() const { return check::checkFolder(dir_.path().toStdString()); }
    std::string folder() const { return dir_.path().toStdString(); }

private:
    QTemporaryDir dir_;
};

std::string all(const check::Result& result)
{
    std::ostringstream out;
    result.report.print(out, "dat");
    return out.str();
}

// The report holds a finding of that severity on that file and line whose message holds `text`.
testing::AssertionResult reports(const check::Result& result, Severity severity,
    const std::string& file, int line, const std::string& text)
{
    for (const check::Finding& f : result.report.findings()) {
        if (f.severity == severity && f.file == file && f.line == line
            && f.message.find(text) != std::string::npos)
            return testing::AssertionSuccess();
    }
    return testing::AssertionFailure()
        << "no " << (severity == Severity::Error ? "error" : "warning") << " at " << file << ":"
        << line << " about \"" << text << "\" in:\n"
        << all(result);
}

// That finding and no other.
testing::AssertionResult only(const check::Result& result, Severity severity,
    const std::string& file, int line, const std::string& text)
{
    if (result.report.findings().size() != 1)
        return testing::AssertionFailure() << "want one finding, got:\n" << all(result);
    return reports(result, severity, file, line, text);
}

} // namespace

TEST(CheckFolder, AStoryThatPlaysWellHasNoFindings)
{
    Folder plain;
    EXPECT_TRUE(plain.check().report.findings().empty()) << all(plain.check());

    Folder turn;
    turn.withTurn();
    EXPECT_TRUE(turn.check().report.findings().empty()) << all(turn.check());

    // Markers written on purpose, in each of their forms.
    Folder markers;
    markers.picture("umi.dat");
    markers.file("0.dat",
        { u"はじまり", u">p", u"つぎ", u"　p", u"また", u">pp", u">img>umi", u"さいご", u">end " });
    EXPECT_TRUE(markers.check().report.findings().empty()) << all(markers.check());
}

TEST(CheckFlow, ScriptsTheNamingRuleReachesMustBeThere)
{
    Folder noStart;
    noStart.remove("0.dat");
    EXPECT_TRUE(only(noStart.check(), Severity::Error, "0.dat", 0, "missing"));

    Folder noNext;
    noNext.withTurn();
    noNext.remove("1.dat");
    EXPECT_TRUE(only(noNext.check(), Severity::Error, "0.dat", 1, "1.dat, which is missing"));

    Folder noRoute;
    noRoute.file("0.dat", { u">hantei" });
    noRoute.file("a1.dat", { u"うみ", u">p", u">end" });
    const check::Result route = noRoute.check();
    EXPECT_TRUE(reports(route, Severity::Error, "0.dat", 1,
        "route b (score 16 or more) goes on to b1.dat, which is missing"));

    Folder empty;
    empty.file("0.dat", {});
    EXPECT_TRUE(only(empty.check(), Severity::Error, "0.dat", 0, "is empty"));

    Folder picture;
    picture.withTurn();
    picture.picture("1.dat");
    EXPECT_TRUE(reports(picture.check(), Severity::Error, "0.dat", 1, "1.dat, which is a picture"));
}

TEST(CheckFlow, EndingsLeaveThroughEndAndLinesAfterABranchAreNeverRead)
{
    Folder ending;
    ending.file("0.dat", { u">ive" }); // before any route branch the endings are g and b
    ending.file("g.dat", { u">end" });
    ending.file("b.dat", { u"さよなら" });
    EXPECT_TRUE(reports(ending.check(), Severity::Error, "b.dat", 1, "without an \"end\" line"));

    Folder after;
    after.file("0.dat", { u"はじまり", u">p", u">end", u"", u"のこり" });
    EXPECT_TRUE(only(after.check(), Severity::Warning, "0.dat", 5,
        "never read: the game leaves the script at line 3"));
}

TEST(CheckMarkers, AMarkerHiddenInTextIsAnErrorWithItsLine)
{
    Folder romaji;
    romaji.file("0.dat", { u"はじまり", u"ミオはpianoをひいた。", u">p", u">end" });
    EXPECT_TRUE(reports(romaji.check(), Severity::Error, "0.dat", 2,
        "page break (the line is not shown), not as text: \"p\" at character 4"));

    Folder word;
    word.file("0.dat", { u"いつものweekendだった。", u">p", u">end" });
    const check::Result end = word.check();
    EXPECT_TRUE(reports(end, Severity::Error, "0.dat", 1, "an \"end\" line"));
    EXPECT_TRUE(reports(end, Severity::Warning, "0.dat", 2, "never read"))
        << "the game leaves there";

    Folder img;
    img.file("0.dat", { u"ぼくのimgフォルダ", u">p", u">end" });
    EXPECT_TRUE(only(img.check(), Severity::Error, "0.dat", 1, "a picture line"));

    Folder trailing;
    trailing.file("0.dat", { u"はじまり", u">p", u">end ここまで" });
    EXPECT_TRUE(only(trailing.check(), Severity::Warning, "0.dat", 3,
        "the game reads this line as an \"end\" line (the play-through starts again from 0.dat) "
        "and ignores the rest of it"));

    Folder quoted;
    quoted.file("0.dat", { u"はじまり", u"「piano」", u">end" });
    EXPECT_TRUE(only(quoted.check(), Severity::Error, "0.dat", 2, "\"p\" at character 2"))
        << "p runs into a word";

    Folder branch;
    branch.file("0.dat", { u"はじまり", u">img>olive" });
    branch.file("g.dat", { u">end" });
    branch.file("b.dat", { u">end" });
    EXPECT_TRUE(reports(branch.check(), Severity::Warning, "0.dat", 2,
        "written as a picture line, but the game reads it as an ending branch"));
}

TEST(CheckMarkers, AMarkerWrittenNearlyRightGetsASuggestion)
{
    Folder typos;
    typos.picture("sea.dat");
    typos.file("0.dat", { u"はじまり", u">ing>sea", u"うみ", u">hantai", u"のこり" });
    const check::Result result = typos.check();
    EXPECT_TRUE(reports(result, Severity::Warning, "0.dat", 2,
        "the game shows this line as text, not as a picture line: did you mean `>img>sea`?"));
    EXPECT_TRUE(reports(result, Severity::Warning, "0.dat", 4,
        "the game shows this line as text, not as a route branch: did you mean `>hantei`?"));
    check::Options strict;
    strict.strict = true;
    EXPECT_TRUE(reports(check::checkFolder(typos.folder(), strict), Severity::Error, "0.dat", 4,
        "did you mean `>hantei`?"))
        << "a branch that does not happen fails --strict as an error";

    const auto meant = [](TextView line) {
        const auto m = check::meantMarker(line);
        return m ? test::u8(m->line) : "";
    };
    EXPECT_EQ(meant(u">hnatei"), ">hantei");
    EXPECT_EQ(meant(u"hantei"), ">hantei") << "the > missing";
    EXPECT_EQ(meant(u">>ive"), ">ive") << "one > too many";
    EXPECT_EQ(meant(u">End "), ">end");
    EXPECT_EQ(meant(u">imgg>pics\\sea"), ">img>pics\\sea");
    EXPECT_EQ(meant(u">o"), ">p");
    for (TextView fine : { u">hantei", u">img>sea", u">pp", u">end", u">続く", u"> and so on",
             u">hello", u"end of it", u"pen" })
        EXPECT_EQ(meant(fine), "") << test::u8(Text(fine));
}

TEST(CheckFiles, TextFilesAreCodePage932WithCrLf)
{
    Folder shiftJis;
    shiftJis.bytes(
        "0.dat", platform::cp932::encode(u"はじまり") + "\r\n\x82\xa0\xff\r\n>p\r\n>end\r\n");
    EXPECT_TRUE(reports(shiftJis.check(), Severity::Error, "0.dat", 2, "not valid code page 932"));

    Folder utf8;
    utf8.bytes("txt.dat", "喜び\r\n勇気\r\n");
    EXPECT_TRUE(reports(utf8.check(), Severity::Error, "txt.dat", 1, "looks like UTF-8"));

    Folder lf;
    lf.file("0.dat", { u"はじまり", u">p", u">end" }, "\n");
    EXPECT_TRUE(reports(lf.check(), Severity::Error, "0.dat", 1,
        "LF alone: the game reads the whole file as one line"));

    Folder cr;
    cr.file("0.dat", { u"はじまり", u">p", u">end" }, "\r");
    EXPECT_TRUE(only(cr.check(), Severity::Warning, "0.dat", 1, "CR alone"));

    // A giant file is reported without being read (a 1 GB hole costs nothing to make).
    Folder huge;
    ASSERT_EQ(::truncate(huge.path("0.dat").c_str(), 1LL << 30), 0);
    EXPECT_TRUE(only(huge.check(), Severity::Error, "0.dat", 0, "far too large for a story file"));
}

TEST(CheckKeyFiles, EveryTurnHasThreeKeyLinesOfKnownFeelings)
{
    Folder missing;
    missing.withTurn();
    missing.remove("0_han.dat");
    EXPECT_TRUE(reports(missing.check(), Severity::Error, "0_han.dat", 0,
        "the crafting turn after 0.dat reads it"));

    Folder shortFile;
    shortFile.withTurn({ u"喜び", u"勇気" });
    EXPECT_TRUE(
        only(shortFile.check(), Severity::Warning, "0_han.dat", 0, "holds 2 line(s) of three"));

    Folder longFile;
    longFile.withTurn({ u"喜び", u"勇気", u"", u"おまけ" });
    EXPECT_TRUE(only(longFile.check(), Severity::Warning, "0_han.dat", 4, "ignored"));

    Folder unknown;
    unknown.withTurn({ u"喜び、愛", u"勇気", u"" });
    EXPECT_TRUE(only(unknown.check(), Severity::Warning, "0_han.dat", 1,
        "「愛」 matches no feeling of txt.dat"));

    Folder twice;
    twice.withTurn({ u"喜び", u"勇気・喜び", u"" });
    EXPECT_TRUE(only(twice.check(), Severity::Warning, "0_han.dat", 2,
        "「喜び」 is on line 1 too; the first line that holds a feeling decides, so it counts as "
        "good (+1), never as critical (+5)"));
}

TEST(CheckCaptions, FeelingsScoreSomewhereAndDoNotHideInsideEachOther)
{
    Folder never;
    never.file("txt.dat", { u"喜び", u"勇気", u"情熱" });
    never.withTurn();
    EXPECT_TRUE(only(never.check(), Severity::Warning, "txt.dat", 3, "「情熱」 never scores"));

    Folder inside;
    inside.file("txt.dat", { u"喜び", u"大喜び" });
    inside.withTurn({ u"喜び", u"大喜び", u"" });
    EXPECT_TRUE(reports(inside.check(), Severity::Warning, "txt.dat", 1,
        "「喜び」 is part of 「大喜び」 (line 2)"));

    Folder same;
    same.file("txt.dat", { u"喜び", u"勇気", u"喜び" });
    EXPECT_TRUE(
        only(same.check(), Severity::Warning, "txt.dat", 3, "two buttons with the same feeling"));

    Folder blank;
    blank.file("txt.dat", { u"喜び", u"", u"勇気" });
    EXPECT_TRUE(only(blank.check(), Severity::Warning, "txt.dat", 2, "empty feeling"));

    Folder missing;
    missing.remove("txt.dat");
    EXPECT_TRUE(only(missing.check(), Severity::Error, "txt.dat", 0, "missing"));

    Folder none;
    none.withTurn();
    none.file("txt.dat", {});
    EXPECT_TRUE(reports(none.check(), Severity::Error, "txt.dat", 0, "holds no feelings"));
}

TEST(CheckPictures, PictureLinesNameLoadablePicturesThatClashWithNothing)
{
    Folder missing;
    missing.file("0.dat", { u">img>umi", u"はじまり", u">end" });
    EXPECT_TRUE(only(missing.check(), Severity::Error, "0.dat", 1, "umi.dat is missing"));

    Folder broken;
    broken.file("0.dat", { u">img>umi", u"はじまり", u">end" });
    broken.bytes("umi.dat", "not a picture");
    EXPECT_TRUE(only(
        broken.check(), Severity::Error, "0.dat", 1, "umi.dat: not a picture that can be shown"));

    // Placeable and standard WMF headers, and an EMF's first record, each padded to 64 bytes:
    // broken metafiles.
    std::string emf("\x01\0\0\0", 4);
    emf.resize(40);
    emf += " EMF";
    for (std::string head :
        { std::string("\xD7\xCD\xC6\x9A"), std::string("\x02\0\x09\0", 4), emf }) {
        Folder metafile;
        metafile.file("0.dat", { u">img>umi", u"はじまり", u">end" });
        head.resize(64, '\x01');
        metafile.bytes("umi.dat", head);
        EXPECT_TRUE(only(metafile.check(), Severity::Error, "0.dat", 1,
            "the game cannot show this picture: umi.dat: "));
    }
    // Metafiles that can be drawn pass; one whose frame is not 4 : 3 shows distorted.
    Folder metafiles;
    metafiles.file("0.dat", { u">img>wmf", u">img>emf", u">img>tall", u"はじまり", u">end" });
    metafiles.bytes("wmf.dat", test::sampleWmf(true, u"海"));
    metafiles.bytes("emf.dat", test::sampleEmf(u"海"));
    test::WmfWriter tall;
    tall.rec(0x041b, { 100, 100, 0, 0 });
    metafiles.bytes("tall.dat", tall.file({ 0, 0, 300, 400 }, 96));
    EXPECT_TRUE(only(metafiles.check(), Severity::Warning, "tall.dat", 0,
        "the metafile's frame is not 4 : 3: the game stretches every picture to its 4 : 3 "
        "picture box, so this one shows distorted"));

    // Pictures in folders, with either separator; never one outside the story.
    Folder folders;
    ASSERT_TRUE(QDir(QString::fromStdString(folders.folder())).mkpath("pics/yoru"));
    folders.picture("pics/umi.dat");
    folders.picture("pics/yoru/hoshi.dat");
    folders.file("0.dat",
        { u"はじまり", u">img>pics\\umi", u"うみ", u">img>pics/yoru/hoshi", u"ほし", u">end" });
    EXPECT_TRUE(folders.check().report.findings().empty()) << all(folders.check());
    folders.file("0.dat", { u">img>..\\photo", u"はじまり", u">img>/etc/x", u"うみ", u">end" });
    const check::Result outside = folders.check();
    EXPECT_TRUE(reports(outside, Severity::Error, "0.dat", 1, "leaves the story folder"));
    EXPECT_TRUE(reports(outside, Severity::Error, "0.dat", 3, "leaves the story folder"));

    Folder event;
    event.withTurn();
    event.file("0.dat", { u">img>1", u"はじまり" });
    EXPECT_TRUE(reports(
        event.check(), Severity::Error, "0.dat", 1, "1.dat is an event script of the story"));

    Folder key;
    key.file("0.dat", { u">img>txt", u"はじまり", u">end" });
    EXPECT_TRUE(reports(
        key.check(), Severity::Error, "0.dat", 1, "the name of a data file of the game (txt.dat)"));

    Folder unnamed;
    unnamed.file("0.dat", { u">img>", u"はじまり", u">end" });
    EXPECT_TRUE(only(unnamed.check(), Severity::Warning, "0.dat", 1, "names no picture"));

    Folder always;
    always.withTurn();
    always.remove("ive.dat");
    always.remove("game.dat");
    const check::Result result = always.check();
    EXPECT_TRUE(reports(result, Severity::Warning, "ive.dat", 0,
        "missing: the game shows it whenever an event begins"));
    EXPECT_TRUE(reports(result, Severity::Warning, "game.dat", 0,
        "missing: the game shows it for every crafting turn"));

    Folder unused;
    unused.file("old.dat", { u"むかし" });
    EXPECT_TRUE(only(unused.check(), Severity::Warning, "old.dat", 0, "not used"));
}

TEST(CheckPictures, APictureNotOf640By480IsStretched)
{
    Folder sizes;
    sizes.file(
        "0.dat", { u">img>wide", u"はじまり", u">img>big", u">p", u">img>photo", u">p", u">end" });
    test::writePicture(sizes.path("wide.dat"), 800, 480, "PNG");
    test::writePicture(sizes.path("big.dat"), 1280, 960, "JPEG");
    test::hugeMetadataPictures()[2].write(sizes.path("photo.dat")); // 64 x 48, 30 MB of Exif ...
    const check::Result result = sizes.check();
    EXPECT_EQ(result.report.warnings(), 4) << all(result);
    EXPECT_TRUE(reports(result, Severity::Warning, "photo.dat", 0,
        "holds 30015946 bytes of metadata (text, colour profiles, Exif, depth maps ...): more than "
        "a picture may keep, so the game reads the picture without them"));
    EXPECT_TRUE(reports(result, Severity::Warning, "wide.dat", 0,
        "the picture is 800 x 480 pixels, not 640 x 480: the game stretches every picture to its "
        "4 : 3 picture box, so this one shows distorted"));
    EXPECT_TRUE(reports(result, Severity::Warning, "big.dat", 0,
        "the picture is 1280 x 960 pixels, not 640 x 480: the game stretches every picture to its "
        "4 : 3 picture box"));
}

TEST(CheckMarkers, LowercaseLatinLettersInTextCanTurnALineIntoAMarker)
{
    Folder latin;
    // Text now, but a character put before "end", or a "p" added, makes each a marker line.
    latin.file("0.dat",
        { u"はじまり", u"end of the line?", u"「OK」と言った", u"ＯＫ、ｐ", u">p", u">end" });
    const check::Result result = latin.check();
    EXPECT_TRUE(only(result, Severity::Warning, "0.dat", 2,
        "lowercase Latin letters in a text line (「end of the line?」)"));
}

TEST(CheckPages, PagesAsTheTextWindowShowsThem)
{
    // The header page pauses after two lines, the next after five; a picture line leaves the
    // page counter at 4, so the line after it goes on the page that was full.
    Folder overfull;
    overfull.picture("umi.dat");
    overfull.file(
        "0.dat", { u"一", u"二", u"三", u"四", u"五", u"六", u"七", u">img>umi", u"八", u">end" });
    EXPECT_TRUE(only(overfull.check(), Severity::Warning, "0.dat", 9,
        "the page holds 6 lines, but the text window shows 5: the picture line at 8"));

    Folder wide;
    // Measured in the game's face at the opening size: about 38 full-width characters fit.
    wide.file("0.dat", { Text(40, u'一'), Text(38, u'二'), u"う", u">p", u">end" });
    const check::Result width = wide.check();
    EXPECT_TRUE(reports(width, Severity::Warning, "0.dat", 1,
        "the line is 40 full-width characters wide; the text window holds about 38"));
    EXPECT_TRUE(reports(width, Severity::Warning, "0.dat", 2, "with the prompt"))
        << "it ends the first page";
    EXPECT_EQ(width.report.findings().size(), 2u) << all(width);

    Folder twice;
    twice.file("0.dat", { u"一", u"二", u">p", u"三", u">p", u">end" });
    EXPECT_TRUE(only(twice.check(), Severity::Warning, "0.dat", 3, "pause again on the same page"));

    Folder flash;
    flash.file("0.dat", { u"はじまり", u">end" });
    EXPECT_TRUE(only(flash.check(), Severity::Warning, "0.dat", 2,
        "only for a moment before the story starts again"));
}

namespace {
// One turn after 0.dat whose feelings are critical (+5) or bad (-3), then the route branch.
void criticalOrBad(Folder& folder)
{
    folder.file("txt.dat", { u"光", u"影" });
    folder.withTurn({ u"", u"光", u"影" });
    folder.file("1.dat", { u">hantei" });
    folder.file("a1.dat", { u"うみ", u">p", u">end" });
    folder.file("b1.dat", { u"やま", u">p", u">end" });
}
} // namespace

TEST(CheckScores, EveryScoreAtABranchWithTheFloorAfterEachChoice)
{
    Folder folder;
    criticalOrBad(folder);
    const check::Result result = folder.check();
    EXPECT_TRUE(result.report.findings().empty()) << all(result);
    ASSERT_EQ(result.scores.branches.size(), 1u);
    // The order matters: 影 光 gives 5 but 光 影 gives 2.
    const std::vector<long> scores { 0, 1, 2, 4, 5, 7, 9, 10, 12, 15, 17, 20, 25 };
    EXPECT_EQ(result.scores.branches[0].scores, scores);
    EXPECT_EQ(result.scores.branches[0].ways[1].scores, (std::vector<long> { 17, 20, 25 }));

    const std::string out = all(result);
    EXPECT_NE(out.find("Scores at 1.dat:1 (hantei): {0..2, 4..5, 7, 9..10, 12, 15, 17, 20, 25}"),
        std::string::npos)
        << out;
    EXPECT_NE(out.find("route b (score 16 or more) -> b1.dat: {17, 20, 25}, e.g. 25 by choosing\n"
                       "      after 0.dat: 光 光 光 光 光"),
        std::string::npos)
        << out;
}

TEST(CheckScores, ARouteNoScoreReachesIsAWarningAtItsBranchLine)
{
    Folder folder;
    criticalOrBad(folder);
    folder.file("0_han.dat", { u"", u"", u"影" });
    EXPECT_TRUE(reports(folder.check(), Severity::Warning, "1.dat", 1,
        "route b (score 16 or more) can never be taken: the scores here are {0}"));
}

TEST(CheckScores, AStoryThatGoesRoundEndsTheSearchAtTheLargestScore)
{
    Folder folder;
    criticalOrBad(folder);
    // Route b comes back to its own start while the score stays high.
    folder.file("b1.dat", { u"まわる" });
    folder.file("b1_han.dat", { u"", u"光", u"" });
    folder.file("b2.dat", { u">hantei" });
    const check::Result result = folder.check();
    EXPECT_TRUE(reports(result, Severity::Warning, "", 0, "past 32767"));
    EXPECT_EQ(result.scores.branches.at(1).scores.back(), 32767);
}

TEST(CheckScores, ALoopThatShowsNothingAndNeverWaitsIsAnError)
{
    // Route a's first event holds only its branch line: scores of 15 or less go round for ever.
    Folder folder;
    criticalOrBad(folder);
    folder.file("a1.dat", { u">hantei" });
    EXPECT_TRUE(reports(folder.check(), Severity::Error, "a1.dat", 1,
        "with the scores {0..2, 4..5, 7, 9..10, 12, 15} the game goes round for ever: a1.dat -> "
        "a1.dat, with a blank text window"));

    // Through an "end" line, which starts again from 0.dat with the score 0.
    Folder ends;
    ends.file("txt.dat", { u"光" });
    ends.file("0.dat", { u">hantei" });
    ends.file("a1.dat", { u">end" });
    ends.file("b1.dat", { u"やま", u">p", u">end" });
    EXPECT_TRUE(reports(ends.check(), Severity::Error, "0.dat", 1,
        "with the scores {0} the game goes round for ever: 0.dat -> a1.dat -> 0.dat"));
}

TEST(CheckMap, EveryEventBranchAndEndingInTheColourOfWhatItIs)
{
    // Five feelings of +1 at most: the good ending (30 or more) is never reached, and the
    // bittersweet one's script is missing.
    Folder folder;
    folder.withTurn();
    folder.file("1.dat", { u"なつ", u">ive" });
    folder.file("g.dat", { u">end" });
    folder.file("a2.dat", { u"どこにもつながらない" });
    const std::string svg = folder.path("map.svg");
    std::ostringstream out, err;
    check::Options options;
    options.map = svg;
    EXPECT_EQ(check::checkAndReport(folder.folder(), "dat", options, out, err), 1);
    EXPECT_EQ(err.str(), "");
    const std::string map = test::readBytes(svg);
    // The fill of the node with that id.
    const auto fill = [&](const std::string& id) {
        const size_t at = map.find("id=\"" + id + "\"");
        const size_t colour = map.find("fill=\"", at);
        return at == std::string::npos ? "none" : map.substr(colour + 6, 7);
    };
    EXPECT_EQ(fill("ev_0"), "#ffffff");
    EXPECT_EQ(fill("ev_g"), "#d9d9d9") << "unreachable";
    EXPECT_EQ(fill("ev_a2"), "#d9d9d9") << "no way leads there";
    EXPECT_EQ(fill("ev_missing_b"), "#f4cccc") << "missing";
    EXPECT_NE(map.find("g: score 30 or more"), std::string::npos);
    EXPECT_NE(map.find("b: score 29 or less"), std::string::npos);
    EXPECT_NE(map.find("reached: {5, 9, 13, 17, 21, 25}"), std::string::npos) << map;
}

TEST(CheckMusic, WithoutAMidiFileTheGameIsSilent)
{
    Folder missing;
    missing.remove("bgm.mid");
    EXPECT_TRUE(only(missing.check(), Severity::Warning, "bgm.mid", 0, "missing"));

    Folder wrong;
    wrong.bytes("bgm.mid", "RIFF");
    EXPECT_TRUE(only(wrong.check(), Severity::Warning, "bgm.mid", 0, "not a standard MIDI file"));

    // The header alone names a track the file does not hold: the music device refuses it.
    Folder headerOnly;
    headerOnly.bytes("bgm.mid", std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60", 14));
    EXPECT_TRUE(only(headerOnly.check(), Severity::Error, "bgm.mid", 0, "cannot play"));
}

TEST(CheckCommand, PrintsFindingsWithFileAndLineAndExitsByWhatItFound)
{
    const auto run = [](std::vector<std::string> args, std::string* out = nullptr) {
        std::ostringstream o, e;
        const int status = check::runCommand(args, o, e);
        if (out)
            *out = o.str() + e.str();
        return status;
    };
    Folder clean;
    std::string out;
    EXPECT_EQ(run({ clean.folder() }, &out), 0);
    EXPECT_NE(out.find("1 events (0), 0 crafting turns, 1 pictures, 2 feelings"), std::string::npos)
        << out;
    EXPECT_TRUE(out.ends_with("0 error(s), 0 warning(s)\n")) << out;

    Folder broken;
    broken.file("0.dat", { u"はじまり", u"ミオはpianoをひいた。", u">p", u">end" });
    EXPECT_EQ(run({ broken.folder() + "/" }, &out), 1);
    EXPECT_NE(
        out.find(broken.folder() + "/0.dat:2: error: the game reads this line as a page break"),
        std::string::npos)
        << out;

    Folder warned;
    warned.remove("bgm.mid");
    EXPECT_EQ(run({ warned.folder() }), 0) << "warnings do not fail";
    EXPECT_EQ(run({ "--strict", warned.folder() }), 1);

    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(run({ clean.folder(), warned.folder() }), 2);
    EXPECT_EQ(run({ "--quick", clean.folder() }), 2);
    EXPECT_EQ(run({ clean.folder() + "/nothing-here" }, &out), 2);
    EXPECT_NE(out.find("not a folder"), std::string::npos);
}
