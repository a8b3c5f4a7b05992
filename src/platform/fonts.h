// The face the widgets draw their text in, measured.
#pragma once

#include "platform/text.h"

namespace platform {

// The width, in twips, that `text` takes on one line in the widgets' face at `points`, as a label
// lays it out. Needs the toolkit's application (a QGuiApplication) running.
double textWidthTwips(TextView text, double points);

} // namespace platform
