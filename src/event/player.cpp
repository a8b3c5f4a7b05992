// The event player: shows the event's script in the text window a line per tick, in pages of
// five lines, and follows its markers.
#include "shell/fom.h"

#include "event/paging.h"
#include "event/spoken.h"
#include "story/events.h"
#include "story/files.h"
#include "story/script.h"

using namespace platform;

bool Fom::showsEventHeader() const
{
    return Lbl.Caption().starts_with(script::HeaderStart);
}

bool Fom::showsPagePrompt() const
{
    return Lbl.Caption().ends_with(script::PagePrompt);
}

void Fom::StartIve()
{
    Lbl.setVisible(true);
    TxtPic.setVisible(false);
    // Every button but the quit button waits while the story plays.
    for (Cnt = static_cast<short>(Com.LBound()); Cnt <= Com.UBound() - 1; ++Cnt)
        Com(Cnt).setEnabled(false);
    LblCom.setVisible(false);
    for (Cnt = 0; Cnt <= 3; ++Cnt)
        Linel(Cnt).setVisible(true);

    if (sys.files.isOpen(FileNo))
        sys.files.Close(FileNo);
    FileNo = sys.files.FreeFile();
    const Text name = story::eventName(IveRoute, IveNo, IveEnd);
    scriptPath_ = DatPath + story::dataFile(name);
    sys.files.OpenInput(FileNo, scriptPath_);
    // The player reads a line before it asks for the end: a script needs one line at least.
    if (sys.files.Eof(FileNo))
        throw RuntimeError(
            sys.files.displayName(scriptPath_) + u": is empty (an event needs at least one line)");

    ListIve(name);

    Cnt = script::PageCounterAtStart;
    StarStr = script::starBar(Point);
    Cnt2 = static_cast<short>(Point % 10 + 1); // where the star loops leave it
    Lbl.setCaption(Text(script::HeaderStart) + StarStr + u"\r\n");
    // A new event: what was not said yet of the one before is dropped.
    speech.say(spoken::heading(Point), Speech::Mode::Replace);
    TimIve.setInterval(100);
    TimIve.setEnabled(true);

    try {
        // The state names the event after this one's crafting turn from now on.
        IveNo = story::afterTurn({ IveRoute, IveNo, IveEnd }).number;
        ShowImg(Text(story::EventPicture));
    } catch (const std::exception&) { }
}

void Fom::goTo(const story::EventParts& event)
{
    IveRoute = event.route;
    IveNo = event.number;
    IveEnd = event.ending;
}

void Fom::TimIve_Timer()
{
    LineBuf = sys.files.LineInput(FileNo);
    const story::LineKind kind = story::classify(LineBuf);
    switch (kind) {
    case story::LineKind::Hantei:
        TimIve.setEnabled(false);
        goTo(story::afterRouteBranch({ IveRoute, IveNo, IveEnd }, story::routeFor(Point)));
        StartIve();
        return;
    case story::LineKind::Ive:
        TimIve.setEnabled(false);
        goTo(story::afterEndingBranch({ IveRoute, IveNo, IveEnd }, story::endingFor(Point)));
        StartIve();
        return;
    case story::LineKind::Img:
        ShowImg(story::pictureName(LineBuf));
        for (short line = 0; line <= 3; ++line) {
            Linel(line).setBorderColor({ 100, 255, 255 });
            Linel(line).setVisible(false);
        }
        // 4 on every picture line: the next text line is the fifth of the page and pauses it.
        Cnt = static_cast<short>(script::nextPage(Cnt, kind).counter);
        if (sys.files.Eof(FileNo)) {
            TimIve.setEnabled(false);
            ShowNext();
        }
        return;
    case story::LineKind::End:
        // The story starts over from its first event, also after an author's trial start.
        start_.event.reset();
        start_.score.reset();
        Form_Activate();
        return;
    case story::LineKind::PageBreak:
    case story::LineKind::Text:
        break;
    }

    const script::PageStep page = script::nextPage(Cnt, kind);
    Cnt = static_cast<short>(page.counter);
    if (kind == story::LineKind::Text) {
        if (page.newPage)
            Lbl.setCaption(LineBuf);
        else
            Lbl.setCaption(Lbl.Caption() + u"\r\n" + LineBuf);
        // Read fast, the newest line cuts off the last one instead of queueing behind it.
        speech.say(spoken::storyLine(LineBuf),
            TimIve.Interval() == 1 ? Speech::Mode::Replace : Speech::Mode::Queue);
    }

    // A full page waits for a click, except in fast reading; the end of the script shows the
    // prompt once.
    if (page.full && TimIve.Interval() != 1) {
        TimIve.setInterval(0);
        ShowNext();
        if (sys.files.Eof(FileNo))
            TimIve.setEnabled(false);
    } else if (sys.files.Eof(FileNo)) {
        TimIve.setEnabled(false);
        ShowNext();
    }
}

void Fom::ShowNext()
{
    Lbl.setCaption(Lbl.Caption() + Text(script::PagePrompt));
    speech.say(spoken::Prompt);
}

void Fom::Lbl_MouseDown(MouseButton button)
{
    if (TimIve.Enabled()) {
        TimIve.setInterval(button == MouseButton::Right ? 1 : 100);
        TimIve_Timer();
        return;
    }
    // An ending has no crafting turn after it: it must leave through its "end" line.
    if (!IveNo)
        throw RuntimeError(sys.files.displayName(scriptPath_)
            + u": the ending ran out without an \"end\" line, so the story cannot go on");
    StartGame();
}
