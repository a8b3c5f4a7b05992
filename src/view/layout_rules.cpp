#include "view/layout_rules.h"

#include <cmath>

namespace layout {

std::optional<short> roundHalfEven16(double x)
{
    if (!std::isfinite(x))
        return std::nullopt;
    const double r = std::nearbyint(x); // the default rounding mode rounds halves to even
    if (r < -32768 || r > 32767)
        return std::nullopt;
    return static_cast<short>(r);
}

std::optional<short> outerWidthFor(double heightTwips)
{
    const auto sixth = roundHalfEven16(heightTwips / 6);
    if (!sixth)
        return std::nullopt;
    const int product = *sixth * 8;
    if (product < -32768 || product > 32767)
        return std::nullopt;
    return static_cast<short>(product);
}

int textFontSizeFor(double heightTwips)
{
    return static_cast<int>(std::floor(heightTwips / 100 / 10)) + 3;
}

} // namespace layout
