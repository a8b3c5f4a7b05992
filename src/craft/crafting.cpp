// The crafting turn: five feelings chosen with the buttons, then judged one by one.
#include "shell/fom.h"

using namespace platform;

void Fom::Com_Click(short index)
{
    Lst.setVisible(false);
    Txt.setVisible(false);
    if (index == Com.UBound()) {
        Form_Unload();
        return;
    }
    if (index == Com.UBound() - 1)
        Lst.setVisible(true);
}

void Fom::StartGame()
{
    sys.files.Close(FileNo);
    Lbl.setVisible(false);
    TxtPic.setVisible(true);
    for (Cnt = static_cast<short>(Com.LBound()); Cnt <= Com.UBound(); ++Cnt) {
        Com(Cnt).setEnabled(true);
        if (Cnt == Com.UBound())
            break; // the counter must not step past the last index
    }
    for (Cnt = 0; Cnt <= 3; ++Cnt)
        Linel(Cnt).setVisible(true);
    LblCom.setVisible(true);
    TxtPic.Clear();
    Cnt = 0;
    GameTim.setInterval(0);
    GameTim.setEnabled(true);
    ShowImg(u"game");
}

void Fom::GameTim_Timer() { }
void Fom::TxtPic_Click() { }
