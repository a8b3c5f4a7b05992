// Start-up of the real program: from process start to the first event's header on screen, and
// the peak resident memory of the whole game.
//
//   pelirra_coldstart PROGRAM [RUNS]
//
// The program is copied with its dat/ into a fresh folder for every run, so each run starts
// with no past records; the display is whatever DISPLAY names (Xvfb in bench/run.sh).
#include "measure.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using bench::median;
using bench::nowNs;

pid_t launch(const fs::path& dir, bool reportFirstText, int& out)
{
    int pipefd[2];
    if (pipe(pipefd) != 0)
        std::exit(2);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipefd[1], 1);
        close(pipefd[0]);
        if (reportFirstText)
            setenv("PELIRRA_REPORT_FIRST_TEXT", "1", 1);
        const std::string exe = (dir / "pelirra").string();
        execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipefd[1]);
    out = pipefd[0];
    return pid;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [RUNS]\n", argv[0]);
        return 2;
    }
    const fs::path program = fs::absolute(argv[1]);
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;

    std::vector<double> firstText;
    double firstRun = 0;
    for (int r = 0; r <= runs; ++r) {
        const fs::path dir = bench::copyProgram(program, "start");
        int out;
        const long long t0 = nowNs();
        const pid_t pid = launch(dir, true, out);
        char buf[128] = {};
        ssize_t n = read(out, buf, sizeof buf - 1);
        close(out);
        int status = 0;
        waitpid(pid, &status, 0);
        long long shown = 0;
        if (n <= 0 || std::sscanf(buf, "first-text %lld", &shown) != 1) {
            std::fprintf(stderr, "run %d: no first-text line (status %d)\n", r, status);
            fs::remove_all(dir);
            return 1;
        }
        const double ms = static_cast<double>(shown - t0) / 1e6;
        if (r == 0)
            firstRun = ms; // caches (fonts, libraries) may be cold: reported apart
        else
            firstText.push_back(ms);
        fs::remove_all(dir);
    }

    std::vector<double> peak;
    const int memRuns = std::max(1, runs / 2);
    for (int r = 0; r < memRuns; ++r) {
        const fs::path dir = bench::copyProgram(program, "start");
        int out;
        const pid_t pid = launch(dir, false, out);
        std::this_thread::sleep_for(std::chrono::seconds(3)); // the first page is read, lines move
        kill(pid, SIGTERM); // closes as its close box does
        int status = 0;
        rusage ru {};
        wait4(pid, &status, 0, &ru);
        close(out);
        peak.push_back(static_cast<double>(ru.ru_maxrss) / 1024.0);
        fs::remove_all(dir);
    }

    std::printf("Cold start of %s\n", program.c_str());
    std::printf("  %-58s %10.2f %-6s (median of %d)\n",
        "process start to the first event's header on screen", median(firstText), "ms", runs);
    std::printf("  %-58s %10.2f %-6s (one run)\n", "  the first run (caches possibly cold)",
        firstRun, "ms");
    std::printf("  %-58s %10.2f %-6s (median of %d)\n", "peak resident memory of the game",
        median(peak), "MB", memRuns);
    return 0;
}
