#include "shell/fom.h"

using namespace platform;

void Fom::StartIve() { }
void Fom::TimIve_Timer() { }
void Fom::ShowNext() { }
void Fom::Lbl_MouseDown(MouseButton) { }
