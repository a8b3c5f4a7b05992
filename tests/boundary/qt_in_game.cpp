// Compiled as the game's own files are (the include folders and definitions of pelirra_game): a
// Qt header must not be found there, so that no Qt type reaches the game. The test
// qt_above_platform builds this file and expects exactly that failure.
#include "shell/fom.h"

#include <QString>

QString leakedAboveThePlatform();
