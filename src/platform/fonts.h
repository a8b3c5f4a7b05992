// The face the widgets draw their text in: a proportional Japanese face, fontconfig's choice where
// it is one, then the faces Debian installs; looked up ahead, and measured.
#pragma once

#include "platform/text.h"

namespace platform {

// Starts looking up the face of the widgets (fontconfig's choice of a proportional Japanese face)
// on a thread of its own: fontconfig reads its configuration and font lists first (8 ms here),
// which then happens while the toolkit starts instead of before the window appears.
void lookUpUiFontAhead();

// The width, in twips, that `text` takes on one line in the widgets' face at `points`, as a label
// lays it out. Needs the toolkit's application (a QGuiApplication) running.
double textWidthTwips(TextView text, double points);

} // namespace platform
