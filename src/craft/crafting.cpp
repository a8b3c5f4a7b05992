// The crafting turn: five feelings chosen with the buttons, then judged one every 100 ms against
// the event's key file; a click on the board then begins the next event.
#include "shell/fom.h"

#include "craft/judgement.h"
#include "craft/spoken.h"
#include "records/spoken.h"
#include "story/files.h"

using namespace platform;

void Fom::Com_Click(short index)
{
    // Any click on the buttons closes an open past-record list and its replay.
    Lst.setVisible(false);
    Txt.setVisible(false);
    if (index == Com.UBound()) {
        Form_Unload();
        return;
    }
    if (index == Com.UBound() - 1) {
        Lst.setVisible(true);
        speech.say(spoken::listShown(Lst.ListCount()));
        return;
    }

    TxtPic.AddItem(Com(index).Caption(), Cnt);
    boardSaid_.push_back(Com(index).Caption());
    ++Cnt;
    speech.say(spoken::chosen(Com(index).Caption(), Cnt));
    if (Cnt < judgement::ChoicesPerTurn)
        return;

    // The fifth choice: only the quit button stays enabled, and the judgement begins.
    for (Cnt = static_cast<short>(Com.LBound()); Cnt <= Com.UBound() - 1; ++Cnt)
        Com(Cnt).setEnabled(false);
    if (!IveNo)
        throw RuntimeError(
            u"No key file can be named for this crafting turn: it follows an ending, "
            u"and an ending must leave through an \"end\" line.");
    const Text keyPath = DatPath + story::keyFile(IveRoute, *IveNo - 1);
    const short no = sys.files.FreeFile();
    sys.files.OpenInput(no, keyPath);
    // Exactly the first three lines; lines a short file lacks count as empty (they match nothing).
    for (Cnt2 = 0; Cnt2 <= 2; ++Cnt2)
        HanKey[static_cast<size_t>(Cnt2)] = sys.files.Eof(no) ? Text() : sys.files.LineInput(no);
    sys.files.Close(no);
    GameTim.setInterval(100);
    Cnt = 0;
}

void Fom::StartGame()
{
    sys.files.Close(FileNo);
    Lbl.setVisible(false);
    TxtPic.setVisible(true);
    for (Cnt = static_cast<short>(Com.LBound()); Cnt <= Com.UBound(); ++Cnt) {
        Com(Cnt).setEnabled(true);
        if (Cnt == Com.UBound())
            break; // the 16-bit counter must not step past the last index
    }
    for (Cnt = 0; Cnt <= 3; ++Cnt)
        Linel(Cnt).setVisible(true);
    LblCom.setVisible(true);
    TxtPic.Clear();
    boardSaid_.clear();
    Cnt = 0;
    // Enabled but silent while the player chooses: the board ignores clicks until the end.
    GameTim.setInterval(0);
    GameTim.setEnabled(true);
    speech.say(spoken::turnBegins());
    ShowImg(Text(story::TurnPicture));
}

void Fom::GameTim_Timer()
{
    LineBuf.clear();
    const judgement::Outcome outcome = judgement::judge(TxtPic.List(Cnt), HanKey);
    LineBuf = TxtPic.List(Cnt);
    TxtPic.RemoveItem(Cnt);
    TxtPic.AddItem(judgement::mark(outcome, LineBuf), Cnt);
    if (static_cast<size_t>(Cnt) < boardSaid_.size())
        boardSaid_[static_cast<size_t>(Cnt)] = spoken::verdict(outcome, LineBuf);
    speech.say(spoken::verdict(outcome, LineBuf));
    Point = checked16(judgement::scoreAfter(Point, outcome), u"the score");
    if (Cnt >= TxtPic.ListCount() - 1) {
        TxtPic.AddItem(judgement::Prompt);
        boardSaid_.push_back(spoken::boardWaits());
        GameTim.setEnabled(false);
        speech.say(spoken::boardWaits());
    }
    ++Cnt;
}

void Fom::TxtPic_Click()
{
    if (!GameTim.Enabled())
        StartIve();
}
