// The form's scale arithmetic, apart from the toolkit. Positions on the form are kept in twips
// (1/1440 inch) from the grid's corner; a user scale maps `units` user units onto the grid's
// extent on each axis. Until the game sets one, the unit is the twip.
#pragma once

#include <optional>

namespace platform::window {

// One axis of the scale: the grid's extent in twips, and the user units across it (none: twips).
struct ScaleAxis
{
    double gridTwips = 0;
    std::optional<double> units;
};

double unitsToTwips(double units, const ScaleAxis& axis);
double twipsToUnits(double twips, const ScaleAxis& axis);

// Twips of one pixel on a screen of `dpi` logical dots an inch (96 where it tells none).
double twipsPerPixelAt(double dpi);
int twipsToPixels(double twips, double twipsPerPixel);

} // namespace platform::window
