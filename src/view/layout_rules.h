// The arithmetic of the screen layout, apart from the widgets.
#pragma once

#include <optional>

namespace layout {

// Whole number nearest to `x`, halves to the even neighbour (2.5 -> 2, 3.5 -> 4), as a 16-bit
// signed integer; empty when it does not fit.
std::optional<short> roundHalfEven16(double x);

// The outer width that keeps the window at 4 : 3 for an outer height of `heightTwips`:
// round(H / 6) x 8, the product in 16-bit signed arithmetic. Empty when a step overflows
// (H / 6 rounding to 4096 or more).
std::optional<short> outerWidthFor(double heightTwips);

// Font size of the text window in points: the whole part of H / 100 / 10, plus 3.
int textFontSizeFor(double heightTwips);

// The window's size when it opens (twips), before the layout gives it its 4 : 3 shape.
constexpr int OpeningWidthTwips = 9285;
constexpr int OpeningHeightTwips = 7545;

// The text window's width for a window of outer width `widthTwips` without a frame: the picture's
// 30 units of the client's 40.
constexpr double textWindowWidthFor(double widthTwips)
{
    return widthTwips * 30 / 40;
}

// Below this outer height (twips) nothing is laid out.
constexpr double MinHeightTwips = 800;

// The window's outer shape, width to height, that the width step keeps (round(H / 6) x 8).
constexpr int ShapeWidth = 4, ShapeHeight = 3;

// The smallest outer size at which the text stays legible, in twips: a window 7200 twips high
// (5 inches, 480 pixels at 96 dpi) gets 10-point text (textFontSizeFor), and all five lines of a
// page still fit the text window. The window is not made smaller than this (nor than the screen).
constexpr double LegibleHeightTwips = 7200;
constexpr double LegibleWidthTwips = LegibleHeightTwips * ShapeWidth / ShapeHeight;

} // namespace layout
