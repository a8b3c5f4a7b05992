// Four thin vertical lines that jump over the picture ten times a second.
#include "shell/fom.h"

#include <cmath>

using namespace platform;

void Fom::LineTim_Timer()
{
    // Four draws a line, in this order: position, thickness, green, blue.
    for (int i = 0; i <= 3; ++i) {
        Line& line = Linel(i);
        const double w = Img.ScaleWidth();
        line.setX1(std::floor(sys.random.Rnd() * w));
        line.setX2(line.X1());
        line.setY1(0);
        line.setY2(Img.ScaleHeight());
        line.setBorderWidth(static_cast<int>(std::floor(sys.random.Rnd() * 5)) + 1);
        const float r1 = sys.random.Rnd();
        const float r2 = sys.random.Rnd();
        line.setBorderColor({ 0, static_cast<int>(std::floor(r1 * 100)) + 155,
            static_cast<int>(std::floor(r2 * 100)) + 155 });
    }
}
