// What the fuzz targets share: the input as a file with a path, and a Qt application on the
// offscreen platform.
#pragma once

#include "platform/cp932.h"

#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace fuzz {

// A file in memory that holds the current input; `path` opens it like any file on disk.
class MemoryFile
{
public:
    MemoryFile()
        : fd_(::memfd_create("fuzz-input", MFD_CLOEXEC))
        , path_("/proc/self/fd/" + std::to_string(fd_))
    {
        if (fd_ < 0)
            std::abort();
    }
    void set(const uint8_t* data, size_t size)
    {
        if (::ftruncate(fd_, 0) != 0 || ::pwrite(fd_, data, size, 0) != static_cast<ssize_t>(size))
            std::abort();
    }
    const std::string& path() const { return path_; }

private:
    int fd_;
    std::string path_;
};

// The application every target that touches Qt needs, created once.
template <class App = QGuiApplication> App& application()
{
    static int argc = 1;
    static char name[] = "pelirra-fuzz";
    static char* argv[] = { name, nullptr };
    static App* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new App(argc, argv);
    }();
    return *app;
}

// True when `text`, written in code page 932 and read again, is the same text.
inline bool readsBackUnchanged(const platform::Text& text)
{
    return platform::cp932::decode(platform::cp932::encode(text)) == text;
}

// A failed property: abort, so that libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(                                                                          \
                stderr, "fuzz check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);        \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

} // namespace fuzz
