#include "platform/window/grid.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace platform::window {

Rect letterbox(Size client, Aspect aspect)
{
    const int w = std::max(0, client.w);
    const int h = std::max(0, client.h);
    if (aspect.any())
        return { 0, 0, w, h };
    if (static_cast<long long>(w) * aspect.h > static_cast<long long>(h) * aspect.w) {
        const int gw = static_cast<int>(std::lround(h * double(aspect.w) / aspect.h));
        return { (w - gw) / 2, 0, gw, h };
    }
    const int gh = static_cast<int>(std::lround(w * double(aspect.h) / aspect.w));
    return { 0, (h - gh) / 2, w, gh };
}

bool hasLayoutShape(Size client, Size frame, Aspect aspect)
{
    if (aspect.any())
        return true;
    const double outerHeight = client.h + frame.h;
    const double idealWidth = outerHeight * aspect.w / aspect.h - frame.w;
    return std::abs(client.w - idealWidth) <= 1.0;
}

Rect gridArea(Size client, Size frame, Aspect aspect)
{
    if (hasLayoutShape(client, frame, aspect))
        return { 0, 0, client.w, client.h };
    return letterbox(client, aspect);
}

double fontScale(Size client, Size frame, const Rect& grid)
{
    if (grid.h >= client.h || client.h + frame.h <= 0)
        return 1;
    return static_cast<double>(grid.h + frame.h) / (client.h + frame.h);
}

Size fitClient(Size client, Size frame, Size available, Aspect aspect)
{
    const Size outer { client.w + frame.w, client.h + frame.h };
    if (outer.w <= available.w && outer.h <= available.h)
        return client;
    if (aspect.any())
        return { std::max(1, std::min(outer.w, available.w) - frame.w),
            std::max(1, std::min(outer.h, available.h) - frame.h) };
    const int h = std::min({ outer.h, available.h, available.w * aspect.h / aspect.w });
    const int w
        = std::min(static_cast<int>(std::lround(h * double(aspect.w) / aspect.h)), available.w);
    return { std::max(1, w - frame.w), std::max(1, h - frame.h) };
}

Size minClient(Size legibleOuter, Size frame, Size available)
{
    return { std::max(1, std::min(legibleOuter.w, available.w) - frame.w),
        std::max(1, std::min(legibleOuter.h, available.h) - frame.h) };
}

Size maxClient(Size desktop)
{
    return { std::max(1, desktop.w), std::max(1, desktop.h) };
}

Size bounded(Size size, Size min, Size max)
{
    return { std::clamp(size.w, std::min(min.w, max.w), max.w),
        std::clamp(size.h, std::min(min.h, max.h), max.h) };
}

} // namespace platform::window
