// Start-up, activation, paint and close of the window, and the way out after a failure.
#include "shell/fom.h"

#include "shell/paths.h"

using namespace platform;

void Fom::Form_Load()
{
    sys.random.Randomize();
    AppPath = programFolderWithSeparator(sys.programFolder);
    DatPath = AppPath + u"dat" + PathSeparator;
    sys.files.setDisplayRoot(AppPath);

    BgmOpen(DatPath + u"bgm.mid");
    BgmPlay();

    // One button per line of txt.dat, then the past-record button and the quit button.
    FileNo = sys.files.FreeFile();
    sys.files.OpenInput(FileNo, DatPath + u"txt" + u".dat");
    // Button indices are 16-bit, and the layout counts the buttons and the heading in 16 bits:
    // txt.dat can name at most 32764 choices (32,766 buttons, 32,767 rows).
    constexpr short MaxChoices = 32764;
    Cnt = 0;
    while (!sys.files.Eof(FileNo)) {
        if (Cnt == MaxChoices)
            throw RuntimeError(sys.files.displayName(DatPath + u"txt.dat")
                + u": too many lines (at most " + Str(MaxChoices) + u" choices)");
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

    // The past records: a missing file gives an empty list; a file that cannot be read whole
    // keeps what was read, and is then left as it is at close. So is a file beyond the limits
    // of a list of past records: it is read no further, so memory stays bounded.
    kakoLoaded_ = true;
    try {
        KakoNo = sys.files.FreeFile();
        const Text kakoPath = DatPath + u"kako" + u".dat";
        Files::removeStaleTemporaries(kakoPath); // left by a run killed while it saved
        if (Files::exists(kakoPath)) {
            try {
                sys.files.OpenInput(KakoNo, kakoPath);
                const Text shown = sys.files.displayName(kakoPath);
                if (sys.files.LOF(KakoNo) > MaxKakoBytes)
                    throw RuntimeError(shown + u": too large for a list of past records ("
                        + Str(sys.files.LOF(KakoNo)) + u" bytes; at most " + Str(MaxKakoBytes)
                        + u")");
                while (!sys.files.Eof(KakoNo)) {
                    LineBuf = sys.files.LineInput(KakoNo);
                    if (sys.files.lineCut(KakoNo))
                        throw RuntimeError(shown + u": line " + Str(Lst.ListCount() + 1)
                            + u" is longer than " + Str(Files::MaxLineBytes) + u" bytes");
                    if (Lst.ListCount() == MaxKakoEntries)
                        throw RuntimeError(
                            shown + u": more than " + Str(MaxKakoEntries) + u" entries");
                    Lst.AddItem(LineBuf);
                }
                sys.files.Close(KakoNo);
            } catch (const RuntimeError& e) {
                kakoUnreadable_ = e.message();
                sys.files.Close(KakoNo);
            }
        }
    } catch (const RuntimeError&) { }

    Form_Resize();
    Form_Activate();
}

void Fom::Form_Activate()
{
    IveNo = 0;
    IveRoute.clear();
    IveEnd.clear();
    Point = 0;
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

void Fom::SaveKako()
{
    if (!kakoLoaded_ || kakoSaving_)
        return;
    kakoSaving_ = true;
    if (!kakoUnreadable_.empty())
        throw RuntimeError(u"The list of past records was not saved. When the game started it "
                           u"could not be read, so the file was left as it was: "
            + kakoUnreadable_);
    try {
        KakoNo = sys.files.FreeFile();
        sys.files.OpenOutput(KakoNo, DatPath + u"kako" + u".dat");
        // The list may be longer than the shared 16-bit counter can count.
        for (int i = 0; i < Lst.ListCount(); ++i)
            sys.files.PrintLine(KakoNo, Lst.List(i));
        sys.files.Close(KakoNo);
    } catch (const RuntimeError& e) {
        sys.files.CloseAll(); // drops the unfinished new list; the old file stays
        throw RuntimeError(e.message()
            + u"\nThe list of past records could not be saved; the "
              u"earlier kako.dat is unchanged.");
    }
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
