#include "platform/window/scale.h"

#include <cmath>

namespace platform::window {

double unitsToTwips(double units, const ScaleAxis& axis)
{
    return axis.units && *axis.units != 0 ? units * axis.gridTwips / *axis.units : units;
}

double twipsToUnits(double twips, const ScaleAxis& axis)
{
    return axis.units && axis.gridTwips > 0 ? twips * *axis.units / axis.gridTwips : twips;
}

double twipsPerPixelAt(double dpi)
{
    return 1440.0 / (dpi > 0 ? dpi : 96.0);
}

int twipsToPixels(double twips, double twipsPerPixel)
{
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

} // namespace platform::window
