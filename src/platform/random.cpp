#include "platform/random.h"

#include <chrono>

namespace platform {

void Random::Randomize()
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    gen_.seed(
        static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count()));
}

float Random::Rnd()
{
    if (source_)
        return source_();
    // 24 random bits give every float of [0, 1) with equal spacing and never 1.
    return static_cast<float>(gen_() >> 8) * (1.0f / 16777216.0f);
}

} // namespace platform
