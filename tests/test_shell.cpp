// Start-up, close and failures of the window, through its own events.
#include "support/game.h"

#include "platform/process.h"
#include "shell/command_line.h"
#include "shell/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QWidget>

#include <filesystem>
#include <thread>

using namespace platform;
using test::u8;

namespace {
std::vector<std::string> captions(Fom& fom)
{
    std::vector<std::string> out;
    for (int i = fom.Com.LBound(); i <= fom.Com.UBound(); ++i)
        out.push_back(u8(fom.Com(i).Caption()));
    return out;
}
} // namespace

TEST(StartUp, EveryWidgetIsHiddenUntilTheLayoutAndTheFirstEventShowThem)
{
    test::Game g;
    g.minimalStory();
    Fom fom(g.sys);
    for (const Control* c : std::initializer_list<const Control*> { &fom.Txt, &fom.Lst, &fom.Img,
             &fom.Dfe, &fom.TxtPic, &fom.Com(0), &fom.LblCom, &fom.Lbl })
        EXPECT_FALSE(c->Visible());
    EXPECT_FALSE(fom.Linel(0).Visible());
    EXPECT_TRUE(fom.LineTim.ticking());
    EXPECT_TRUE(fom.Bgm_Check.ticking());
    EXPECT_EQ(fom.Bgm_Check.Interval(), 1000);
    EXPECT_FALSE(fom.TimIve.Enabled());
    EXPECT_FALSE(fom.GameTim.Enabled());
    EXPECT_EQ(u8(fom.Me.Caption()), "Pelirra");
}

TEST(StartUp, ButtonsComeFromTxtDatFollowedByPastRecordsAndQuit)
{
    {
        test::Game g;
        g.file("txt.dat", {});
        g.file("0.dat", { u"a" });
        Fom& fom = g.start();
        EXPECT_EQ(captions(fom), (std::vector<std::string> { "過去見", "終了" }));
    }
    {
        test::Game g;
        g.file("txt.dat", { u"喜び", u"", u"勇気", u"優しさ", u"Hope & luck" });
        g.file("0.dat", { u"a" });
        Fom& fom = g.start();
        EXPECT_EQ(captions(fom),
            (std::vector<std::string> {
                "喜び", "", "勇気", "優しさ", "Hope & luck", "過去見", "終了" }));
        EXPECT_EQ(fom.Linel.UBound(), 3);
        for (int i = 0; i <= fom.Com.UBound(); ++i)
            EXPECT_TRUE(fom.Com(i).Visible()) << i;
        EXPECT_TRUE(g.errors.empty());
        EXPECT_FALSE(g.exited);
    }
}

TEST(StartUp, TheDataFolderIsBesideTheProgram)
{
    EXPECT_EQ(u8(programFolderWithSeparator(u"/")), "/");
    EXPECT_EQ(u8(programFolderWithSeparator(u"/games/pelirra")), "/games/pelirra/");
    EXPECT_EQ(u8(programFolderWithSeparator(u"/games/pelirra/")), "/games/pelirra/");

    test::Game g;
    g.minimalStory();
    Fom& fom = g.start();
    EXPECT_EQ(u8(fom.DatPath), g.folder() + "/dat/");
}

TEST(StartUp, TheMusicIsOpenedAndStartedFirst)
{
    test::Game g;
    g.minimalStory();
    Fom& fom = g.start();
    ASSERT_GE(g.mci->commands.size(), 3u);
    EXPECT_EQ(u8(g.mci->commands[0]), "close MIDI notify");
    EXPECT_EQ(u8(g.mci->commands[1]), "open \"" + g.folder() + "/dat/bgm.mid\" alias MIDI");
    EXPECT_EQ(u8(g.mci->commands[2]), "play MIDI notify");
    EXPECT_TRUE(fom.BgmOn);
}

TEST(PastRecords, KakoDatIsReadAsItIsAndWrittenBackInOrder)
{
    test::Game g;
    g.minimalStory();
    // Duplicates, an empty line, Japanese names and a byte that is not code page 932.
    const std::string bytes
        = std::string("1\r\n1\r\n\r\na1\r\n") + "\x82\xa0\x82\xa2\r\n" + "x\x80y\r\n";
    test::writeBytes(g.dat("kako.dat"), bytes);
    Fom& fom = g.start();
    ASSERT_EQ(fom.Lst.ListCount(), 7) << "the six entries, then this run's first event";
    EXPECT_EQ(u8(fom.Lst.List(2)), "");
    EXPECT_EQ(u8(fom.Lst.List(4)), "あい");
    EXPECT_EQ(u8(fom.Lst.List(6)), "0");
    fom.Com(fom.Com.UBound()).click();
    EXPECT_TRUE(g.exited);
    EXPECT_EQ(g.exitCode, 0);
    EXPECT_EQ(test::readBytes(g.dat("kako.dat")), bytes + "0\r\n");
}

TEST(PastRecords, WithoutKakoDatTheListStartsEmptyAndCloseCreatesIt)
{
    for (bool closeBox : { false, true }) {
        test::Game g;
        g.minimalStory();
        Fom& fom = g.start();
        EXPECT_EQ(g.listed(), std::vector<std::string> { "0" }) << "only the first event";
        fom.Lst.AddItem(u"あ");
        if (closeBox)
            fom.Me.close();
        else
            fom.Com(fom.Com.UBound()).click();
        EXPECT_TRUE(g.exited);
        EXPECT_TRUE(g.errors.empty());
        EXPECT_EQ(test::readBytes(g.dat("kako.dat")), "0\r\n\x82\xa0\r\n");
        // The close step stops and closes the music before it saves.
        const auto& cmds = g.mci->commands;
        ASSERT_GE(cmds.size(), 2u);
        EXPECT_EQ(u8(cmds[cmds.size() - 2]), "stop MIDI notify");
        EXPECT_EQ(u8(cmds.back()), "close MIDI notify");
        EXPECT_FALSE(fom.BgmOn);
    }
}

// Qt's Wayland plug-in ends the program with _exit() as soon as it has said that the display is
// gone, on whichever thread found it out: here the main thread inside an event's handler, and
// another thread while the close step runs. The program ends only once the list is saved.
TEST(DisplayLost, TheListIsSavedWhicheverThreadFindsTheDisplayGone)
{
    test::Game g;
    g.minimalStory();
    Fom& fom = g.start();
    const std::string kako = g.dat("kako.dat");
    EXPECT_EXIT(
        {
            platform::prepareProcess();
            g.sys.onTerminationRequest([&fom] { fom.Me.close(); });
            std::thread other([] {
                while (!platform::toolkitEnding())
                    std::this_thread::yield();
                qWarning("The Wayland connection broke. Did the Wayland compositor die?");
                _exit(3);
            });
            g.run(
                [] { qWarning("The Wayland connection broke. Did the Wayland compositor die?"); });
            other.join();
        },
        testing::ExitedWithCode(1), "connection broke");
    EXPECT_EQ(test::readBytes(kako), "0\r\n");
}

TEST(Failures, MissingTxtDatIsReportedAndKakoDatIsNotTouched)
{
    test::Game g;
    g.file("0.dat", { u"a" });
    test::writeBytes(g.dat("kako.dat"), "0\r\n1\r\n");
    g.start();
    ASSERT_EQ(g.errors.size(), 1u);
    EXPECT_NE(u8(g.errors[0]).find("dat/txt.dat: not found"), std::string::npos) << u8(g.errors[0]);
    EXPECT_TRUE(g.exited);
    EXPECT_EQ(g.exitCode, 1);
    EXPECT_EQ(test::readBytes(g.dat("kako.dat")), "0\r\n1\r\n");
    // Nothing is handled after the failure.
    g.fom().Me.paint();
    g.fom().LineTim.fire();
    EXPECT_EQ(g.errors.size(), 1u);
}

TEST(Failures, AKakoDatThatCannotBeReadIsNeverReplaced)
{
    test::Game g;
    g.minimalStory();
    QDir(QString::fromStdString(g.folder() + "/dat")).mkdir("kako.dat");
    Fom& fom = g.start();
    EXPECT_TRUE(g.errors.empty()) << "reading kako.dat is quiet";
    fom.Lst.AddItem(u"0");
    fom.Com(fom.Com.UBound()).click();
    ASSERT_EQ(g.errors.size(), 1u) << "the player is told the list was not saved";
    EXPECT_NE(u8(g.errors[0]).find("kako.dat"), std::string::npos) << u8(g.errors[0]);
    EXPECT_TRUE(QFileInfo(QString::fromStdString(g.dat("kako.dat"))).isDir());
    EXPECT_TRUE(g.exited);
}

TEST(Activation, SwitchingToAnotherProgramAndBackDoesNotRestart)
{
    test::Game g;
    g.minimalStory();
    Fom& fom = g.start();
    fom.Me.Show();
    fom.Point = 7;
    fom.IveNo = 3;
    QEvent deactivate(QEvent::WindowDeactivate);
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(fom.Me.widget(), &deactivate);
    QCoreApplication::sendEvent(fom.Me.widget(), &activate);
    fom.Me.widget()->hide();
    fom.Me.Show();
    EXPECT_EQ(fom.Point, 7);
    EXPECT_EQ(fom.IveNo, 3);
}

TEST(StartUp, WithoutADatFolderBesideItTheInstalledStoryPlays)
{
    EXPECT_EQ(u8(folderAbove(u"/usr/games/")), "/usr/");
    EXPECT_EQ(u8(folderAbove(u"/games/")), "/");
    EXPECT_EQ(u8(folderAbove(u"/")), "/");
    EXPECT_EQ(u8(installedStoryFolder(u"/opt/p/games/")), "/opt/p/share/games/pelirra/dat/");

    test::Game g;
    const std::string installed = g.folder() + "/share/games/pelirra/dat";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(installed)));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(g.folder() + "/games")));
    test::writeLines(installed + "/txt.dat", { u"喜び" });
    g.sys.programFolder = fromUtf8(g.folder() + "/games");
    Fom& fom = g.start();
    EXPECT_EQ(u8(fom.DatPath), installed + "/");
    ASSERT_EQ(g.errors.size(), 1u);
    EXPECT_EQ(u8(g.errors[0]), "dat/0.dat: not found") << "named from the folder that holds it";

    // A dat folder beside the program wins: a portable copy plays its own story.
    test::Game portable;
    portable.minimalStory();
    ASSERT_TRUE(
        QDir().mkpath(QString::fromStdString(portable.folder() + "/../share/games/pelirra/dat")));
    EXPECT_EQ(u8(portable.start().DatPath), portable.folder() + "/dat/");
}

TEST(CommandLine, AStoryFolderOrAnAuthorsTrialElseOneLineAndStatus2)
{
    using Action = CommandLine::Action;
    const QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    test::writeBytes(folder + "/file", "");

    EXPECT_EQ(readCommandLine({}).action, Action::Play);
    EXPECT_TRUE(readCommandLine({}).start.storyFolder.empty());
    const CommandLine story = readCommandLine({ folder + "/" });
    EXPECT_EQ(story.action, Action::Play);
    EXPECT_EQ(u8(story.start.storyFolder), folder);
    EXPECT_FALSE(story.start.event || story.start.score);

    const CommandLine trial = readCommandLine({ "--event", "a2", "--score=20", folder });
    EXPECT_EQ(trial.action, Action::Play);
    ASSERT_TRUE(trial.start.event && trial.start.score);
    EXPECT_EQ(u8(trial.start.event->route), "a");
    EXPECT_EQ(trial.start.event->number, 2);
    EXPECT_EQ(*trial.start.score, 20);

    for (const char* arg : { "--help", "-h", "--version" }) {
        const CommandLine c = readCommandLine({ arg, "--no-such-option" });
        EXPECT_EQ(c.action, Action::Print) << arg;
        EXPECT_EQ(finishCommandLine(c), 0);
    }
    EXPECT_EQ(readCommandLine({ "--version" }).text, "pelirra " PELIRRA_VERSION "\n");

    // Wrong command lines (the real program's are in command_line.sh): one line each.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>> {
             { folder + "/file" }, { "--score", "32768" }, { folder, folder } }) {
        const CommandLine c = readCommandLine(args);
        EXPECT_EQ(c.action, Action::Fail);
        EXPECT_EQ(c.text.find('\n'), std::string::npos);
    }
    EXPECT_EQ(readCommandLine({ folder, folder }).text,
        "pelirra: " + folder + ": one story folder at a time (" + folder + " is named already)");
    // A folder whose name is not UTF-8 is named by its bytes, whatever they are.
    const std::string sjis = folder + "/\x95\xa8\x8c\xea\xff";
    ASSERT_TRUE(std::filesystem::create_directory(sjis));
    EXPECT_EQ(platform::nativePath(readCommandLine({ sjis }).start.storyFolder), sjis);
    EXPECT_EQ(platform::nativePath(platform::pathFromNative("\xed\xb2\x80 物語/\xf4\x90")),
        "\xed\xb2\x80 物語/\xf4\x90");
    // After "--" a name that starts with "-" is a folder.
    EXPECT_EQ(readCommandLine({ "--", "-x" }).text, "pelirra: -x: no such folder");
}
