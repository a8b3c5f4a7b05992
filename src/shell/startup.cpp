// Start-up, activation, paint and close of the window, and the way out after a failure.
#include "shell/fom.h"

#include "shell/paths.h"
#include "story/files.h"

using namespace platform;

void Fom::Form_Load()
{
    sys.random.Randomize();
    AppPath = programFolderWithSeparator(sys.programFolder);
    DatPath = storyFolder(AppPath, start_.storyFolder, Files::isFolder);
    // Reports name the story's files from the folder that holds it: "dat/txt.dat".
    sys.files.setDisplayRoot(folderAbove(DatPath));

    BgmOpen(DatPath + Text(story::MusicFile));
    BgmPlay();

    // One button per line of txt.dat, then the past-record button and the quit button.
    FileNo = sys.files.FreeFile();
    const Text captions = DatPath + story::dataFile(story::CaptionsName);
    sys.files.OpenInput(FileNo, captions);
    // Button indices are 16-bit, and the layout counts the buttons and the heading in 16 bits:
    // txt.dat can name at most 32764 choices (32,766 buttons, 32,767 rows).
    constexpr short MaxChoices = 32764;
    Cnt = 0;
    while (!sys.files.Eof(FileNo)) {
        if (Cnt == MaxChoices)
            throw RuntimeError(sys.files.displayName(captions) + u": too many lines (at most "
                + Str(MaxChoices) + u" choices)");
        LineBuf = sys.files.LineInput(FileNo);
        Com(Cnt).setCaption(LineBuf);
        ++Cnt;
        LoadCom(Cnt);
    }
    sys.files.Close(FileNo);
    Com(Cnt).setCaption(u"過去見");
    ++Cnt;
    LoadCom(Cnt);
    Com(Cnt).setCaption(u"終了");

    for (Cnt = 1; Cnt <= 3; ++Cnt)
        Linel.Load(Cnt);

    // The past records (records/): a missing file gives an empty list.
    LoadKako();

    Form_Resize();
    Form_Activate();
}

void Fom::Form_Activate()
{
    // An author's trial (--event, --score) begins elsewhere, until the story starts over.
    goTo(start_.event ? *start_.event : story::firstEvent());
    Point = 0;
    if (start_.score)
        Point = *start_.score;
    StartIve();
}

void Fom::Form_Paint()
{
    ShowImg(u"");
}

void Fom::Form_Unload()
{
    try {
        sys.files.Close(FileNo);
        sys.files.Close(ReplayNo);
    } catch (const RuntimeError&) { }
    BgmStop();
    BgmClose();
    SaveKako();
    sys.end(0);
}

void Fom::Failed(const RuntimeError& error)
{
    Text report = error.message();
    if (kakoLoaded_ && !kakoSaving_) {
        try {
            SaveKako();
        } catch (const RuntimeError& e) {
            report += u"\n\n" + e.message();
        }
    }
    sys.files.CloseAll();
    try {
        BgmStop();
        BgmClose();
    } catch (...) { }
    if (sys.showError)
        sys.showError(report);
    sys.end(1);
}
