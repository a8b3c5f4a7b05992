// Benchmarks of the running game, in one process: idle cost, fast reading, replay, a long
// past-record list, layout. Each figure is printed with its unit and the median of its runs.
//
//   pelirra_bench [--quick] [--only NAME] [DAT_FOLDER]    (NAME: idle, fast, replay, kako, layout)
//
// Run it under a display (Xvfb) to measure real painting; QT_QPA_PLATFORM=offscreen works too.
#include "measure.h"
#include "shell/fom.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/resource.h>
#include <vector>

using namespace platform;

namespace {

bool quick = false;
QString storyFolder;

using bench::Clock;
using bench::median;
using bench::msSince;

double cpuSeconds()
{
    rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec)
        + static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// The processor time of another process (the sound server, named by PELIRRA_SOUND_SERVER_PID),
// all its threads, in seconds; 0 when there is none.
double serverCpuSeconds()
{
    const char* pid = std::getenv("PELIRRA_SOUND_SERVER_PID");
    if (!pid || !*pid)
        return 0;
    double ns = 0;
    std::error_code ec;
    for (const auto& task :
        std::filesystem::directory_iterator(std::string("/proc/") + pid + "/task", ec)) {
        double running = 0;
        std::ifstream(task.path() / "schedstat") >> running;
        ns += running;
    }
    return ns / 1e9;
}

void report(const char* what, double value, const char* unit, int runs, const char* note = "")
{
    std::printf("  %-58s %10.2f %-6s (median of %d)%s%s\n", what, value, unit, runs,
        *note ? "  " : "", note);
    std::fflush(stdout);
}

// Runs the event loop for `ms` milliseconds.
void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// A program folder with a data folder: a copy of the bundled story, or lines written here.
struct Folder
{
    QTemporaryDir dir;
    Files files;
    Folder(bool withStory)
    {
        QDir(dir.path()).mkdir("dat");
        if (!withStory)
            return;
        for (const QString& name : QDir(storyFolder).entryList(QDir::Files)) {
            if (name != "kako.dat")
                QFile::copy(storyFolder + "/" + name, dir.path() + "/dat/" + name);
        }
    }
    Text path(const std::string& name) const
    {
        return (dir.path() + "/dat/").toStdU16String() + fromUtf8(name);
    }
    void write(const std::string& name, const std::vector<Text>& lines)
    {
        const short no = files.FreeFile();
        files.OpenOutput(no, path(name));
        for (const Text& l : lines)
            files.PrintLine(no, l);
        files.Close(no);
    }
};

// A game on a folder, with reports printed instead of shown and the exit only recorded.
struct Game
{
    System sys;
    std::unique_ptr<Fom> fom;
    bool exited = false;
    explicit Game(const Folder& folder, bool silent = true)
    {
        sys.programFolder = folder.dir.path().toStdU16String();
        sys.showError
            = [](const Text& m) { std::fprintf(stderr, "game error: %s\n", toUtf8(m).c_str()); };
        sys.exitProgram = [this](int) { exited = true; };
        if (silent)
            sys.mci = std::make_unique<NullMci>();
    }
    Fom& start()
    {
        fom = std::make_unique<Fom>(sys);
        fom->load();
        return *fom;
    }
};

// ---------------------------------------------------------------------------------------------

// The share of a core that the game (and the sound server, when one is named) used over
// `seconds` of the event loop.
struct IdleCost
{
    double game, server;
};
IdleCost idleFor(int seconds)
{
    const double c0 = cpuSeconds(), s0 = serverCpuSeconds();
    const auto t0 = Clock::now();
    spin(seconds * 1000);
    const double wall = msSince(t0) / 1000;
    return { 100.0 * (cpuSeconds() - c0) / wall, 100.0 * (serverCpuSeconds() - s0) / wall };
}

void benchIdle()
{
    std::printf("Idle cost (the game's own CPU time while it waits, lines moving, music on)\n");
    const int seconds = quick ? 3 : 10;
    const int runs = quick ? 1 : 3;
    // With music the tune is rendered ahead in the first seconds; the waiting is measured after.
    const bool server = serverCpuSeconds() > 0;
    std::vector<double> page, board, pageServer, boardServer;
    for (int r = 0; r < runs; ++r) {
        Folder folder(true);
        Game g(folder, false);
        Fom& f = g.start();
        f.Me.Show();
        spin(server ? 5000 : 1000); // the first page is read and waits for a click
        IdleCost cost = idleFor(seconds);
        page.push_back(cost.game);
        pageServer.push_back(cost.server);

        // Read the event to its end, then the crafting board waits for five choices.
        f.Lbl.press(MouseButton::Right);
        for (int i = 0; i < 200 && f.TimIve.Enabled(); ++i)
            spin(20);
        f.Lbl.press(MouseButton::Left);
        spin(500);
        cost = idleFor(seconds);
        board.push_back(cost.game);
        boardServer.push_back(cost.server);
        f.Me.widget()->hide();
    }
    char note[64];
    std::snprintf(note, sizeof note, "over %d s", seconds);
    report("a page waiting for a click", median(page), "% core", runs, note);
    report("the crafting board waiting for choices", median(board), "% core", runs, note);
    if (server) {
        report("the sound server, a page waiting", median(pageServer), "% core", runs, note);
        report("the sound server, the board waiting", median(boardServer), "% core", runs, note);
    }
}

void benchFastReading()
{
    std::printf("Fast reading (right button: one line per timer tick)\n");
    const int lines = quick ? 1000 : 5000;
    std::vector<Text> script;
    for (int i = 0; i < lines; ++i)
        script.push_back(u"しずかな海に、ひかりがゆれている。" + Str(i));
    const int runs = quick ? 1 : 3;
    std::vector<double> rates;
    std::vector<double> steps;
    for (int r = 0; r < runs; ++r) {
        Folder folder(false);
        folder.write("txt.dat", { u"喜び" });
        folder.write("0.dat", script);
        Game g(folder);
        Fom& f = g.start();
        f.Me.Show();
        spin(50);
        const auto t0 = Clock::now();
        f.Lbl.press(MouseButton::Right);
        while (f.TimIve.Enabled())
            spin(5);
        rates.push_back(lines / (msSince(t0) / 1000));

        // The step itself, called directly line by line.
        Game h(folder);
        Fom& f2 = h.start();
        f2.TimIve.setInterval(1);
        while (f2.TimIve.Enabled()) {
            const auto s0 = Clock::now();
            f2.TimIve_Timer();
            steps.push_back(msSince(s0) * 1000);
        }
    }
    report("lines shown per second, fast reading on screen", median(rates), "line/s", runs);
    report("one event step, median", median(steps), "us", static_cast<int>(steps.size()));
    report("one event step, worst", *std::max_element(steps.begin(), steps.end()), "us",
        static_cast<int>(steps.size()), "(the worst is not a median)");
}

void benchReplay()
{
    std::printf("Replay of a 20,000-line script into the replay box\n");
    std::vector<Text> script;
    for (int i = 0; i < 20000; ++i) {
        switch (i % 10) {
        case 4:
            script.push_back(u">p");
            break;
        case 9:
            script.push_back(u">pp");
            break;
        case 7:
            script.push_back(u">img>ive");
            break;
        default:
            script.push_back(u"夜の港に、灯ろうがひとつずつ流れていく。" + Str(i));
        }
    }
    Folder folder(true);
    folder.write("long.dat", script);
    folder.write("kako.dat", { u"long" });
    Game g(folder);
    Fom& f = g.start();
    f.Me.Show();
    // Into a crafting turn, with the list open.
    f.Lbl.press(MouseButton::Right);
    for (int i = 0; i < 200 && f.TimIve.Enabled(); ++i)
        spin(20);
    f.Lbl.press(MouseButton::Left);
    f.Com(static_cast<short>(f.Com.UBound() - 1)).click();
    spin(100);
    std::vector<double> click, shown;
    const int runs = quick ? 3 : 9;
    for (int r = 0; r < runs; ++r) {
        const auto t0 = Clock::now();
        f.Lst.clickItem(0);
        click.push_back(msSince(t0));
        QCoreApplication::processEvents();
        shown.push_back(msSince(t0));
        f.Txt.click();
        f.Com(static_cast<short>(f.Com.UBound() - 1)).click();
        spin(50);
    }
    report("the click: read, filter, set the text", median(click), "ms", runs);
    report("until the replay is painted", median(shown), "ms", runs);
}

void benchKako()
{
    std::printf("A past-record list of 100,000 entries\n");
    const int runs = quick ? 3 : 7;
    std::vector<Text> entries;
    for (int i = 0; i < 100000; ++i)
        entries.push_back(u"記録" + Str(i));
    std::vector<double> emptyLoad, bigLoad, bigClose;
    for (int r = 0; r < runs; ++r) {
        for (bool big : { false, true }) {
            Folder folder(true);
            if (big)
                folder.write("kako.dat", entries);
            Game g(folder);
            auto t0 = Clock::now();
            Fom& f = g.start();
            (big ? bigLoad : emptyLoad).push_back(msSince(t0));
            if (big) {
                t0 = Clock::now();
                f.Com(static_cast<short>(f.Com.UBound())).click();
                bigClose.push_back(msSince(t0));
                if (!g.exited)
                    std::fprintf(stderr, "the game did not close\n");
            }
        }
    }
    report("start-up (load and first event), no kako.dat", median(emptyLoad), "ms", runs);
    report("start-up with 100,000 entries", median(bigLoad), "ms", runs);
    report("  the difference", median(bigLoad) - median(emptyLoad), "ms", runs);
    report("close with 100,000 entries (save)", median(bigClose), "ms", runs);
}

void benchLayout()
{
    std::printf("Layout\n");
    Folder folder(true);
    Game g(folder);
    Fom& f = g.start();
    f.Me.Show();
    spin(100);
    std::vector<double> times;
    const int runs = quick ? 50 : 200;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = Clock::now();
        f.Me.setOuterSize(f.Me.Width(), i % 2 ? 7545 : 9000); // the layout, and its nested run
        times.push_back(msSince(t0));
        QCoreApplication::processEvents();
    }
    report("one resize, nested layout included", median(times), "ms", runs);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    storyFolder = QCoreApplication::applicationDirPath() + "/../dat";
    QString only;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == "--quick")
            quick = true;
        else if (a == "--only" && i + 1 < argc)
            only = QString::fromLocal8Bit(argv[++i]);
        else
            storyFolder = a;
    }
    if (!QFile::exists(storyFolder + "/txt.dat")) {
        std::fprintf(stderr, "no story in %s\n", qPrintable(storyFolder));
        return 2;
    }
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    const std::pair<const char*, void (*)()> benches[]
        = { { "idle", benchIdle }, { "fast", benchFastReading }, { "replay", benchReplay },
              { "kako", benchKako }, { "layout", benchLayout } };
    for (const auto& [name, run] : benches) {
        if (only.isEmpty() || only == QLatin1String(name))
            run();
    }
    return 0;
}
