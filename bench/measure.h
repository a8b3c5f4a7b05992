// What the benchmarks share: clocks, medians, and a copy of the program with its story in a
// folder of its own.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

inline long long nowNs()
{
    timespec t {};
    clock_gettime(CLOCK_REALTIME, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

inline double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The program and a copy of the story beside it (without past records) in a new folder named
// after `tag`, so that no run sees the records of another.
inline std::filesystem::path copyProgram(
    const std::filesystem::path& program, const std::string& tag)
{
    namespace fs = std::filesystem;
    std::string pattern = "/tmp/pelirra-" + tag + "-XXXXXX";
    const fs::path dir = mkdtemp(pattern.data());
    fs::copy_file(program, dir / "pelirra");
    fs::copy(program.parent_path() / "dat", dir / "dat", fs::copy_options::recursive);
    fs::remove(dir / "dat" / "kako.dat");
    return dir;
}

} // namespace bench
