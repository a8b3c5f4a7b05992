#include "platform/settings.h"

#include "platform/files/atomic_file.h"
#include "platform/files/folders.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace platform::settings {

namespace {
constexpr std::string_view Key = "self-voicing=";
constexpr std::streamoff MaxBytes = 64 * 1024;

// The lines of the file; nothing when it cannot be read or is too large.
std::optional<std::vector<std::string>> readLines(const std::string& path)
{
    struct stat st
    {
    };
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)
        || st.st_size > MaxBytes)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line) && lines.size() < 4096) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string problemOf(const std::string& path, int error)
{
    return path + ": " + std::strerror(error);
}

} // namespace

std::string file()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/')
        return std::string(config) + "/pelirra/pelirra.conf";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.config/pelirra/pelirra.conf";
    return {};
}

std::optional<bool> selfVoicing(const std::string& path)
{
    const auto lines = readLines(path);
    if (!lines)
        return std::nullopt;
    std::optional<bool> on;
    for (const std::string& line : *lines) {
        if (line.rfind(Key, 0) != 0)
            continue;
        const std::string value = line.substr(Key.size());
        if (value == "on")
            on = true;
        else if (value == "off")
            on = false;
    }
    return on;
}

std::string setSelfVoicing(const std::string& path, bool on)
{
    if (path.empty())
        return "no folder for settings (neither XDG_CONFIG_HOME nor HOME is set)";
    std::vector<std::string> lines = readLines(path).value_or(std::vector<std::string> {});
    std::erase_if(lines, [](const std::string& l) { return l.rfind(Key, 0) == 0; });
    lines.push_back(std::string(Key) + (on ? "on" : "off"));

    const std::string folder = path.substr(0, path.rfind('/'));
    std::string failed;
    if (const int err = makeFolders(folder, &failed))
        return problemOf(failed, err);
    std::string bytes;
    for (const std::string& l : lines)
        bytes += l + '\n';
    AtomicFile out;
    if (const int err = out.open(path))
        return problemOf(path, err);
    if (const int err = out.write(bytes))
        return problemOf(path, err);
    if (const AtomicFile::Result put = out.commit(); put.failure != AtomicFile::Failure::None)
        return problemOf(path, put.err);
    return {};
}

} // namespace platform::settings
