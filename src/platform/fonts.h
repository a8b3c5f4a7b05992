// The face of the widgets' text: a proportional Japanese face, fontconfig's choice where it is
// one, then the faces Debian installs.
#pragma once

namespace platform {

// Starts looking up the face of the widgets (fontconfig's choice of a proportional Japanese face)
// on a thread of its own: fontconfig reads its configuration and font lists first (8 ms here),
// which then happens while the toolkit starts instead of before the window appears.
void lookUpUiFontAhead();

} // namespace platform
