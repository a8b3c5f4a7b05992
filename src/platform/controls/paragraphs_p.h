// Long paragraphs cut for display. Private to the platform layer.
#pragma once

#include "platform/text.h"

#include <QString>

namespace platform {

// Qt lays out a paragraph in a time that grows with the square of its length where it finds no
// place to break a line: one line of 1 MiB of letters without a space took the window away for
// 50 s. The text box shows a paragraph longer than this as several, each broken after a space
// where one is near its end; such lines are longer than any the box can show on one line.
constexpr qsizetype MaxShownParagraph = 1000;

// The text as the text box shows it: CR LF breaks lines, and a paragraph longer than
// MaxShownParagraph is cut into several.
QString displayParagraphs(TextView t);

} // namespace platform
