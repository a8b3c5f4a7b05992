// The program's one pseudo-random generator: seeded once, uniform draws in [0, 1).
#pragma once

#include <cstdint>
#include <functional>
#include <random>

namespace platform {

class Random
{
public:
    // Seeds from the system clock.
    void Randomize();
    void seed(uint32_t value) { gen_.seed(value); }
    // Replaces the generator (tests): every draw comes from `source` instead.
    void setSource(std::function<float()> source) { source_ = std::move(source); }

    float Rnd();

private:
    std::mt19937 gen_ { 5489u };
    std::function<float()> source_;
};

} // namespace platform
