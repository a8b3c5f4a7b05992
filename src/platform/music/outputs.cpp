#include "platform/music/outputs.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

bool exists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(path, ec);
}

// A PulseAudio server this machine names: PULSE_SERVER (a list of addresses; a local socket
// counts when it exists, any other address is worth a try), a default server in a client
// configuration, or the socket of the user's or the system's own server.
bool pulseServerMayAnswer()
{
    if (const char* servers = std::getenv("PULSE_SERVER"); servers && *servers) {
        std::istringstream list(servers);
        for (std::string address; list >> address;) {
            if (address.front() == '{') // {machine-id}address: meant for that machine
                address.erase(0, address.find('}') + 1);
            if (address.rfind("unix:", 0) == 0)
                address.erase(0, 5);
            if (address.empty() || address.front() != '/' || exists(address))
                return true;
        }
        return false;
    }
    const char* home = std::getenv("HOME");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string userConfig = config && *config ? std::string(config) + "/pulse/client.conf"
        : home ? std::string(home) + "/.config/pulse/client.conf"
               : std::string();
    for (const std::string& conf : { userConfig, std::string("/etc/pulse/client.conf") }) {
        std::ifstream in(conf);
        for (std::string line; std::getline(in, line);) {
            const size_t at = line.find_first_not_of(" \t");
            if (at != std::string::npos && line.compare(at, 14, "default-server") == 0)
                return true;
        }
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return (runtime && exists(std::string(runtime) + "/pulse/native"))
        || exists("/run/user/" + std::to_string(::getuid()) + "/pulse/native")
        || exists("/run/pulse/native");
}

// An ALSA playback device, or an ALSA configuration of the user's or the system's own (which
// may name any device).
bool alsaDeviceMayOpen()
{
    const char* home = std::getenv("HOME");
    if (std::getenv("ALSA_CONFIG_PATH") || exists("/etc/asound.conf")
        || (home && exists(std::string(home) + "/.asoundrc")))
        return true;
    std::error_code ec;
    for (std::filesystem::directory_iterator it("/dev/snd", ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("pcmC", 0) == 0 && name.back() == 'p')
            return true;
    }
    return false;
}

} // namespace

bool soundOutputMayOpen(const std::vector<std::string>& drivers)
{
    for (const auto& driver : drivers) {
        if (driver == "pulseaudio" ? pulseServerMayAnswer()
                : driver == "alsa" ? alsaDeviceMayOpen()
                                   : true)
            return true;
    }
    return false;
}

} // namespace platform
