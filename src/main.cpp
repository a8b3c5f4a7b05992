// Pelirra: creates the application and the window, runs the event loop.
#include "platform/fonts.h"
#include "platform/process.h"
#include "shell/command_line.h"
#include "shell/fom.h"

#include <QApplication>
#include <QEvent>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <optional>

namespace {
// For the tests that run the real program: each phase a test waits for appends a line to the
// file PELIRRA_READY_FILE names, as it comes on screen, so that a test waits for the game and not
// for a fixed time. The lines: "page" (a page's prompt is painted: the page is full, or the
// script read to its end), "turn" (a crafting turn waits for its choices), "judged" (the
// judgement has finished), "list" (the past-record list is shown), "replay" (a replay is shown),
// "active" (the window has the keyboard: keys sent now reach it; never before the first page)
// and "closed" (the close step has ended, the list saved). The file exists once the first of
// them has come.
class PhaseReport : public QObject
{
public:
    PhaseReport(Fom& fom, platform::System& system, QString path)
        : fom_(fom)
        , path_(std::move(path))
    {
        fom.Lbl.onPainted([this] { lblPainted(); });
        qApp->installEventFilter(this);
        system.exitProgram = [path = path_, exit = system.exitProgram](int code) {
            append(path, "closed");
            exit(code);
        };
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            const bool board = fom_.TxtPic.Visible();
            enter(turn_, board && fom_.GameTim.Enabled() && fom_.GameTim.Interval() == 0, "turn");
            enter(judged_, board && !fom_.GameTim.Enabled(), "judged");
            enter(list_, fom_.Lst.Visible(), "list");
            enter(replay_, fom_.Txt.Visible(), "replay");
        } else if (event->type() == QEvent::ApplicationStateChange) {
            active_ = QGuiApplication::applicationState() == Qt::ApplicationActive;
            enter(activeShown_, active_ && paged_, "active");
        }
        return false;
    }

private:
    // A page is new when the prompt was not painted last time, or the text has changed.
    void lblPainted()
    {
        if (!fom_.showsPagePrompt()) {
            page_ = 0;
            return;
        }
        const size_t page = std::hash<std::u16string_view>()(fom_.Lbl.Caption()) | 1;
        if (page != page_)
            append(path_, "page");
        page_ = page;
        paged_ = true;
        enter(activeShown_, active_, "active");
    }
    void enter(bool& in, bool now, const char* phase)
    {
        if (now && !in)
            append(path_, phase);
        in = now;
    }
    static void append(const QString& path, const char* phase)
    {
        QFile file(path);
        if (file.open(QIODevice::Append))
            file.write(QByteArray(phase) + '\n');
    }

    Fom& fom_;
    QString path_;
    size_t page_ = 0;
    bool turn_ = false, judged_ = false, list_ = false, replay_ = false;
    bool active_ = false, activeShown_ = false, paged_ = false; // "active" comes after a page
};
} // namespace

int main(int argc, char** argv)
{
    platform::prepareProcess(); // standard descriptors, broken pipes, the libraries' messages
    // The command line is the game's own (Qt's options are not taken): read before the display.
    const CommandLine command = readCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (const std::optional<int> status = finishCommandLine(command))
        return *status;
    platform::lookUpUiFontAhead();
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelirra"));
    QApplication::setQuitOnLastWindowClosed(false); // the close step itself ends the program

    platform::System system;
    Fom fom(system);
    std::optional<PhaseReport> phases;
    fom.setStart(command.start);
    // V turns the game's own voice on and off; --self-voicing turns it on for this run.
    fom.speech.start(command.selfVoicing);
    system.onTerminationRequest([&fom] { fom.Me.close(); });
    // For the start-up benchmark: print the wall-clock time at which the first event's header is
    // on screen, then leave at once (nothing is saved).
    if (qEnvironmentVariableIsSet("PELIRRA_REPORT_FIRST_TEXT")) {
        fom.Lbl.onPainted([&fom] {
            if (!fom.showsEventHeader())
                return;
            timespec now {};
            clock_gettime(CLOCK_REALTIME, &now);
            std::printf("first-text %lld\n",
                static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
            std::fflush(stdout);
            std::_Exit(0);
        });
    } else if (const QString ready = qEnvironmentVariable("PELIRRA_READY_FILE"); !ready.isEmpty()) {
        phases.emplace(fom, system, ready);
    }
    fom.load();
    if (system.ended())
        return system.exitCode();
    fom.Me.Show();
    if (system.ended())
        return system.exitCode();
    return QApplication::exec();
}
