// The replay of a script made of one very long line: how long the window is gone between the
// click on the past-record list and the replay on screen, and how long a scroll to its end and
// a resize of the window then take. Every kind of line is read at the longest a script line can
// be (1 MiB) and at a tenth of that.
//
//   bench_replay_lines [--quick]
//
// Run it under a display (Xvfb) to measure real painting; QT_QPA_PLATFORM=offscreen works too.
#include "measure.h"
#include "shell/fom.h"

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace platform;

namespace {

using bench::Clock;
using bench::median;
using bench::msSince;

struct Kind
{
    const char* name;
    Text unit; // repeated to the length wanted
};

// One run: a game in a crafting turn with the list open; `line` is the whole replayed script.
// Returns the click, the first painting, the scroll to the end and a resize, in ms.
std::vector<double> replayOnce(const Text& line)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("dat");
    System sys;
    sys.mci = std::make_unique<NullMci>();
    sys.programFolder = dir.path().toStdU16String();
    sys.showError
        = [](const Text& m) { std::fprintf(stderr, "game error: %s\n", toUtf8(m).c_str()); };
    sys.exitProgram = [](int) {};
    const auto write = [&](const char* name, const std::vector<Text>& lines) {
        const short no = sys.files.FreeFile();
        sys.files.OpenOutput(no, sys.programFolder + u"/dat/" + fromUtf8(name));
        for (const Text& l : lines)
            sys.files.PrintLine(no, l);
        sys.files.Close(no);
    };
    write("txt.dat", { u"喜び" });
    write("0.dat", { u"はじまり" });
    write("long.dat", { line });
    write("kako.dat", { u"long" });

    Fom f(sys);
    f.load();
    f.Me.Show();
    QCoreApplication::processEvents();
    while (f.TimIve.Enabled())
        f.TimIve.fire();
    f.Lbl.press(MouseButton::Left);
    f.Com(static_cast<short>(f.Com.UBound() - 1)).click();
    QCoreApplication::processEvents();

    std::vector<double> t;
    auto t0 = Clock::now();
    f.Lst.clickItem(0);
    t.push_back(msSince(t0));
    QCoreApplication::processEvents();
    t.push_back(msSince(t0));

    auto* edit = f.Me.widget()->findChild<QPlainTextEdit*>();
    t0 = Clock::now();
    edit->verticalScrollBar()->setValue(edit->verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    t.push_back(msSince(t0));

    t0 = Clock::now();
    f.Me.setOuterSize(f.Me.Width() * 1.25, f.Me.Height() * 1.25);
    QCoreApplication::processEvents();
    t.push_back(msSince(t0));
    f.Me.widget()->hide();
    return t;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
    std::printf("Replay of one very long line (platform: %s)\n", qPrintable(app.platformName()));
    const Kind kinds[] = {
        { "ASCII letters", u"abcdefghijklmnoqrstuvwxyz" }, // no marker ("p", "end", ...) in it
        { "Latin words and spaces", u"the brown fox walks over a lazy dog " },
        { "Japanese text", u"しずかな海に、ひかりがゆれている。" },
    };
    const int runs = quick ? 1 : 3;
    for (size_t length : { size_t(1) << 17, size_t(1) << 20 }) {
        for (const Kind& k : kinds) {
            // A line of at most `length` bytes as the game reads it: code page 932 takes two
            // bytes for a Japanese character.
            const size_t bytesPerChar = k.unit[0] < 0x80 ? 1 : 2;
            Text line;
            while (line.size() < length / bytesPerChar)
                line += k.unit;
            line.resize(length / bytesPerChar);
            std::vector<double> click, shown, scrolled, resized;
            for (int r = 0; r < runs; ++r) {
                const std::vector<double> t = replayOnce(line);
                click.push_back(t[0]);
                shown.push_back(t[1]);
                scrolled.push_back(t[2]);
                resized.push_back(t[3]);
            }
            std::printf("  %-24s %5zu KiB: click %8.1f ms, on screen %8.1f ms, scroll to the end "
                        "%8.1f ms, resize %8.1f ms (median of %d)\n",
                k.name, length / 1024, median(click), median(shown), median(scrolled),
                median(resized), runs);
            std::fflush(stdout);
        }
    }
    return 0;
}
