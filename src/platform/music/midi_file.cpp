#include "platform/music/midi_file.h"

#include "platform/errors.h"
#include "platform/files/regular_file.h"

#include <cerrno>
#include <cstdint>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

uint32_t bigEndian(const std::string& bytes, size_t at, int count)
{
    uint32_t v = 0;
    for (int i = 0; i < count; ++i)
        v = v << 8 | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    return v;
}

bool isMidiFile(const std::string& bytes)
{
    if (bytes.size() < 14 || bytes.compare(0, 4, "MThd") != 0 || bigEndian(bytes, 4, 4) != 6
        || bigEndian(bytes, 8, 2) > 2 || (bigEndian(bytes, 12, 2) & 0x8000) != 0)
        return false;
    uint32_t tracks = 0;
    size_t at = 14;
    while (at + 8 <= bytes.size()) {
        const uint64_t length = bigEndian(bytes, at + 4, 4);
        if (at + 8 + length > bytes.size())
            return false;
        if (bytes.compare(at, 4, "MTrk") == 0)
            ++tracks;
        at += 8 + length;
    }
    return tracks >= bigEndian(bytes, 10, 2);
}

std::optional<std::string> readMidiFile(const std::string& path)
{
    int fd;
    try {
        fd = openRegularFile(pathFromNative(path), pathFromNative(path));
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
    struct stat st
    {
    };
    std::string bytes;
    if (::fstat(fd, &st) == 0 && st.st_size <= MaxMidiBytes) {
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<size_t>(n);
        }
        bytes.resize(done);
    }
    ::close(fd);
    if (!isMidiFile(bytes))
        return std::nullopt;
    return bytes;
}

} // namespace platform
