// kako.dat through the game's own start-up and close: whatever the file holds, the start is
// quiet, and the close either writes back every entry the list holds, in order, or (when the
// file could not be read whole) leaves it exactly as it was and says so, naming it.
#include "fuzz_support.h"

#include "platform/cp932.h"
#include "shell/fom.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

using platform::Text;

namespace {

// The program folder of the game under test, made once and removed when the run ends. Its name
// is kept in memory that is never freed, since the removal runs after static objects are gone.
std::string folder()
{
    static const std::string* path = [] {
        const std::string base
            = QDir("/dev/shm").exists() ? "/dev/shm" : QDir::tempPath().toStdString();
        auto* dir = new std::string(base + "/pelirra-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(*dir + "/dat");
        std::ofstream(*dir + "/dat/txt.dat", std::ios::binary) << "JOY\r\n";
        std::ofstream(*dir + "/dat/0.dat", std::ios::binary) << "Hello\r\n";
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(folder(), ignored);
        });
        return dir;
    }();
    return *path;
}

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<Text> lines(platform::Files& files, const std::string& path)
{
    std::vector<Text> out;
    const short no = files.FreeFile();
    files.OpenInput(no, platform::fromUtf8(path));
    while (!files.Eof(no))
        out.push_back(files.LineInput(no));
    files.Close(no);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::application<QApplication>();
    const std::string kako = folder() + "/dat/kako.dat";
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::ofstream(kako, std::ios::binary | std::ios::trunc) << bytes;

    platform::System sys;
    sys.programFolder = platform::fromUtf8(folder());
    std::vector<Text> errors;
    sys.showError = [&](const Text& message) { errors.push_back(message); };
    sys.exitProgram = [](int) {};
    std::vector<Text> listed;
    {
        Fom fom(sys);
        fom.load();
        FUZZ_CHECK(errors.empty() && !sys.ended());
        for (int i = 0; i < fom.Lst.ListCount(); ++i)
            listed.push_back(fom.Lst.List(i));
        fom.Com(fom.Com.UBound()).click();
        FUZZ_CHECK(sys.ended());
    }
    if (errors.empty()) {
        // Every entry comes back, in order, as the same text.
        platform::Files files;
        FUZZ_CHECK(lines(files, kako) == listed);
    } else {
        FUZZ_CHECK(errors.size() == 1);
        FUZZ_CHECK(platform::toUtf8(errors[0]).find("dat/kako.dat") != std::string::npos);
        FUZZ_CHECK(readAll(kako) == bytes);
    }
    return 0;
}
