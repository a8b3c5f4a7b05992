// The font families of the widgets. Private to the platform layer.
#pragma once

#include "platform/fonts.h"

#include <QStringList>

namespace platform {

// The font families of every widget: a proportional Japanese face, fontconfig's choice where it
// is one (looked up ahead when lookUpUiFontAhead was called), then the faces Debian installs.
QStringList uiFontFamilies();

} // namespace platform
