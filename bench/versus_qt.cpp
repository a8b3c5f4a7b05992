// The game's start-up against the same first screen in plain Qt (pelirra_reference): both run
// in turn, a fresh process each time, on the display that DISPLAY names (Xvfb in bench/run.sh).
//
//   pelirra_versus_qt GAME REFERENCE [RUNS]     (7 runs of each unless told; at least 5)
//
// For each program it prints the medians of
//   - process start to its window mapped: the X server's MapNotify for a top-level window,
//     seen by this program on the root window;
//   - process start to its first text on screen: the program's own report when its text window
//     has painted the first event's header (PELIRRA_REPORT_FIRST_TEXT);
//   - its peak resident memory, running with its first page shown and the lines moving for two
//     seconds, then ended with SIGTERM (the game closes as its close box does), in five runs;
// and the game's ratio to the reference for each: the ratio of the medians, and the median of the
// ratios of the two runs of each round, which other work on the machine disturbs less (both runs
// of a round meet much the same load). The first round of both is run and not counted: caches
// may be cold. The load average is printed before and after, since every
// figure is only as good as the quiet of the machine.
#include "measure.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using bench::median;
using bench::nowNs;

std::string loadAverage()
{
    std::string one, five, fifteen;
    std::ifstream("/proc/loadavg") >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

struct Program
{
    const char* name;
    std::vector<std::string> argv;
    fs::path kako; // removed before each run: every run starts with no past records
    std::vector<double> mapped, firstText, peak;
};

// Watches the root window for top-level windows being mapped.
class MapWatch
{
public:
    MapWatch()
        : c_(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(c_)) {
            std::fprintf(stderr, "pelirra_versus_qt: cannot connect to the display\n");
            std::exit(2);
        }
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c_, screen->root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c_);
    }
    ~MapWatch() { xcb_disconnect(c_); }
    int fd() const { return xcb_get_file_descriptor(c_); }
    // Drops the events so far; true when a window was mapped among them.
    bool mappedSince()
    {
        bool mapped = false;
        while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
            mapped |= (e->response_type & 0x7f) == XCB_MAP_NOTIFY;
            std::free(e);
        }
        return mapped;
    }

private:
    xcb_connection_t* c_;
};

pid_t launch(const Program& p, bool reportFirstText, int& out)
{
    std::error_code ec;
    if (!p.kako.empty())
        fs::remove(p.kako, ec);
    int pipefd[2];
    if (pipe(pipefd) != 0)
        std::exit(2);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipefd[1], 1);
        close(pipefd[0]);
        close(pipefd[1]);
        if (reportFirstText)
            setenv("PELIRRA_REPORT_FIRST_TEXT", "1", 1);
        else
            unsetenv("PELIRRA_REPORT_FIRST_TEXT");
        std::vector<char*> args;
        for (const auto& a : p.argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(pipefd[1]);
    out = pipefd[0];
    return pid;
}

// One start to the first text: returns false when the program reported nothing.
bool timeStart(Program& p, MapWatch& x, bool count)
{
    x.mappedSince();
    int out;
    const long long t0 = nowNs();
    const pid_t pid = launch(p, true, out);
    long long mapped = 0, shown = 0;
    std::string said;
    while (!shown) {
        pollfd fds[2] = { { out, POLLIN, 0 }, { x.fd(), POLLIN, 0 } };
        if (poll(fds, 2, 10000) <= 0)
            break;
        if (fds[1].revents && x.mappedSince() && !mapped)
            mapped = nowNs();
        if (fds[0].revents) {
            char buf[128];
            const ssize_t n = read(out, buf, sizeof buf);
            if (n <= 0)
                break;
            said.append(buf, static_cast<size_t>(n));
            if (said.find('\n') != std::string::npos
                && std::sscanf(said.c_str(), "first-text %lld", &shown) != 1)
                break;
        }
    }
    if (!mapped && x.mappedSince())
        mapped = nowNs();
    close(out);
    int status = 0;
    if (!shown)
        kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    if (!shown || !mapped) {
        std::fprintf(
            stderr, "%s: no %s (status %d)\n", p.name, shown ? "window" : "first text", status);
        return false;
    }
    if (count) {
        p.mapped.push_back(static_cast<double>(mapped - t0) / 1e6);
        p.firstText.push_back(static_cast<double>(shown - t0) / 1e6);
    }
    return true;
}

void measurePeak(Program& p)
{
    int out;
    const pid_t pid = launch(p, false, out);
    timespec two { 2, 0 };
    while (nanosleep(&two, &two) != 0 && errno == EINTR) { }
    kill(pid, SIGTERM);
    int status = 0;
    rusage ru {};
    wait4(pid, &status, 0, &ru);
    close(out);
    p.peak.push_back(static_cast<double>(ru.ru_maxrss) / 1024.0);
}

void line(const char* what, const char* unit, const Program& game, const Program& ref,
    std::vector<double> Program::*field)
{
    const double g = median(game.*field), r = median(ref.*field);
    std::vector<double> ratios;
    for (size_t i = 0; i < (game.*field).size() && i < (ref.*field).size(); ++i)
        ratios.push_back((game.*field)[i] / (ref.*field)[i]);
    std::printf("  %-34s %9.1f %-3s %9.1f %-3s %8.2f x %8.2f x\n", what, g, unit, r, unit,
        r > 0 ? g / r : 0, median(ratios));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s GAME REFERENCE [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 3 ? std::max(5, std::atoi(argv[3])) : 7;
    const fs::path game = fs::absolute(argv[1]);

    // The game in a folder of its own with a copy of its story, so that no run sees the past
    // records of another; the reference shows the same story's opening picture.
    const fs::path dir = bench::copyProgram(game, "versus");
    Program g { "pelirra", { (dir / "pelirra").string() }, dir / "dat" / "kako.dat", {}, {}, {} };
    Program r { "reference", { fs::absolute(argv[2]).string(), (dir / "dat").string() }, {}, {}, {},
        {} };

    const std::string loadBefore = loadAverage();
    MapWatch x;
    bool ok = true;
    for (int round = 0; round <= runs && ok; ++round) {
        // Alternate which goes first, so neither always follows the other.
        Program& first = round % 2 ? r : g;
        Program& second = round % 2 ? g : r;
        ok = timeStart(first, x, round > 0) && timeStart(second, x, round > 0);
    }
    // Memory varies little from run to run: five rounds are enough.
    for (int round = 0; round < std::min(runs, 5) && ok; ++round) {
        measurePeak(round % 2 ? r : g);
        measurePeak(round % 2 ? g : r);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    if (!ok)
        return 1;

    std::printf("The game against the same first screen in plain Qt (medians of %d runs each, "
                "alternating; memory of %d)\n",
        runs, std::min(runs, 5));
    std::printf("  %-34s %13s %13s %10s %10s\n", "", "game", "plain Qt", "ratio", "by round");
    line("process start to window mapped", "ms", g, r, &Program::mapped);
    line("process start to first text", "ms", g, r, &Program::firstText);
    line("peak resident memory", "MB", g, r, &Program::peak);
    std::printf(
        "  load average before: %s, after: %s\n", loadBefore.c_str(), loadAverage().c_str());
    return 0;
}
