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
void Fom::StartGame() { }
void Fom::GameTim_Timer() { }
void Fom::TxtPic_Click() { }
