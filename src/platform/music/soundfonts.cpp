#include "platform/music/soundfonts.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace platform {

// The soundfonts of `folder` in the order they are tried; each file once, however many
// links name it.
std::vector<std::string> findSoundfonts(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::vector<std::string> found;
    std::set<fs::path> seen;
    const auto add = [&](const fs::path& path) {
        std::error_code ec;
        if (!fs::is_regular_file(path, ec))
            return;
        const fs::path real = fs::canonical(path, ec);
        if (!ec && seen.insert(real).second)
            found.push_back(path.string());
    };
    for (const char* name :
        { "TimGM6mb.sf2", "default-GM.sf2", "default-GM.sf3", "FluidR3_GM.sf2", "FluidR3_GM.sf3" })
        add(fs::path(folder) / name);
    std::vector<fs::path> others;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const auto ext = it->path().extension();
        if (ext == ".sf2" || ext == ".sf3")
            others.push_back(it->path());
    }
    std::sort(others.begin(), others.end());
    for (const auto& path : others)
        add(path);
    return found;
}

} // namespace platform
