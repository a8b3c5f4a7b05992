#include "shell/fom.h"

using namespace platform;

void Fom::Lst_Click() { }
void Fom::AddReplayLine() { }
void Fom::Txt_Click()
{
    Lst.setVisible(false);
    Txt.setVisible(false);
}
