// The toolkit layer: code page 932, text files by number, timers, the dispatcher, groups, the
// form's resize event.
#include "support/game.h"

#include "platform/cp932.h"
#include "platform/files/files.h"
#include "platform/form/form.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>

using namespace platform;
using test::u8;

namespace {

struct Folder
{
    QTemporaryDir dir;
    std::string path(const std::string& name) const
    {
        return dir.path().toStdString() + "/" + name;
    }
    Text text(const std::string& name) const { return fromUtf8(path(name)); }
};

std::vector<Text> readAll(Files& files, const Text& path)
{
    const short no = files.FreeFile();
    files.OpenInput(no, path);
    std::vector<Text> lines;
    while (!files.Eof(no))
        lines.push_back(files.LineInput(no));
    files.Close(no);
    return lines;
}

} // namespace

TEST(Cp932, DecodesJapaneseAndKeepsInvalidBytesThroughARoundTrip)
{
    EXPECT_EQ(u8(cp932::decode("\x8a\xec\x82\xd1")), "喜び");
    EXPECT_EQ(u8(cp932::decode("a\\b~")), "a\\b~"); // code page 932 keeps ASCII as ASCII
    EXPECT_EQ(cp932::encode(u"終了"), "\x8f\x49\x97\xb9");

    // A byte that is not valid, and a lone lead byte at the very end, come back unchanged.
    for (const std::string& bytes : { std::string("ab\x80\xff"
                                                  "cd"),
             std::string("\x8a\xec\x82"), std::string("x\xa0y\xfd"), std::string("\0\x81", 2) }) {
        EXPECT_FALSE(cp932::isValid(bytes));
        EXPECT_EQ(cp932::encode(cp932::decode(bytes)), bytes);
    }
    EXPECT_TRUE(cp932::isValid("\x82\xa0\x82\xa2"));

    // Characters held twice come back in the form Windows writes, as the same text ...
    EXPECT_EQ(cp932::encode(cp932::decode("\xfa\x50\xee\xef\xed\x40")), "\x87\x5a\xfa\x40\xfa\x5c");
    // ... except right after a stray byte with which that form would pair (EA 87 is a kanji):
    // there they keep their bytes, so the line still reads back the same.
    for (const std::string& bytes :
        { std::string("\xea\xfa\x50"), std::string("\xee\xee\xee\xfc") }) {
        const Text text = cp932::decode(bytes);
        EXPECT_EQ(cp932::decode(cp932::encode(text)), text);
        EXPECT_EQ(cp932::encode(text), bytes);
    }
    // Characters that code page 932 cannot hold are written as "?".
    EXPECT_EQ(cp932::encode(u"a\U0001F600b\u00e9"), "a?b?");
}

TEST(Files, LinesEndAtCarriageReturnsAndDropTheLineFeedAfterThem)
{
    Folder f;
    Files files;
    test::writeBytes(f.path("a.dat"), "one\r\ntwo\rthree\r\n\r\nfour");
    const auto lines = readAll(files, f.text("a.dat"));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(u8(lines[0]), "one");
    EXPECT_EQ(u8(lines[1]), "two");
    EXPECT_EQ(u8(lines[2]), "three");
    EXPECT_EQ(u8(lines[3]), "");
    EXPECT_EQ(u8(lines[4]), "four");

    // A final CR LF ends the last line; it does not start another one.
    test::writeBytes(f.path("b.dat"), "x\r\n");
    EXPECT_EQ(readAll(files, f.text("b.dat")).size(), 1u);
    // A line feed alone is no line end.
    test::writeBytes(f.path("c.dat"), "x\ny\n");
    const auto lf = readAll(files, f.text("c.dat"));
    ASSERT_EQ(lf.size(), 1u);
    EXPECT_EQ(u8(lf[0]), "x\ny\n");
    // An empty file has no lines, and reading past the end is an error naming the file.
    test::writeBytes(f.path("e.dat"), "");
    const short no = files.FreeFile();
    files.OpenInput(no, f.text("e.dat"));
    EXPECT_TRUE(files.Eof(no));
    try {
        files.LineInput(no);
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_NE(u8(e.message()).find("e.dat"), std::string::npos);
    }
    files.Close(no);
}

TEST(Files, LineEndsSplitAcrossTheReadBufferAreFound)
{
    Folder f;
    Files files;
    // The CR is the last byte of the first 64 KiB block and the LF the first of the next.
    const std::string first(64 * 1024 - 1, 'a');
    test::writeBytes(f.path("big.dat"), first + "\r\nnext");
    const auto lines = readAll(files, f.text("big.dat"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), first.size());
    EXPECT_EQ(u8(lines[1]), "next");
}

TEST(Files, NumbersErrorsAndMessagesNameTheFile)
{
    Folder f;
    Files files;
    files.setDisplayRoot(fromUtf8(f.dir.path().toStdString() + "/"));
    EXPECT_EQ(files.FreeFile(), 1);
    test::writeBytes(f.path("a.dat"), "a");
    files.OpenInput(1, f.text("a.dat"));
    EXPECT_EQ(files.FreeFile(), 2);
    files.Close(1);
    EXPECT_EQ(files.FreeFile(), 1);
    files.Close(7); // not open: nothing happens
    EXPECT_THROW(files.Close(0), RuntimeError);

    try {
        files.OpenInput(1, f.text("missing.dat"));
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(u8(e.message()), "missing.dat: not found");
    }
    QDir(f.dir.path()).mkdir("folder.dat");
    try {
        files.OpenInput(1, f.text("folder.dat"));
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(u8(e.message()), "folder.dat: is a folder, not a file");
    }
}

TEST(Files, OutputReplacesTheOldFileOnlyWhenClosed)
{
    Folder f;
    Files files;
    test::writeBytes(f.path("kako.dat"), "old\r\n");

    short no = files.FreeFile();
    files.OpenOutput(no, f.text("kako.dat"));
    files.PrintLine(no, u"新しい");
    // Until it is closed the old file is untouched; dropping the output keeps it.
    EXPECT_EQ(test::readBytes(f.path("kako.dat")), "old\r\n");
    files.CloseAll();
    EXPECT_EQ(test::readBytes(f.path("kako.dat")), "old\r\n");
    EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::Files).size(), 1) << "no temporary file is left";

    no = files.FreeFile();
    files.OpenOutput(no, f.text("kako.dat"));
    files.PrintLine(no, u"新しい");
    files.PrintLine(no, u"");
    files.Close(no);
    EXPECT_EQ(test::readBytes(f.path("kako.dat")), "\x90\x56\x82\xb5\x82\xa2\r\n\r\n");
    EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::Files).size(), 1);
}

TEST(Timer, IntervalZeroDeliversNoTicksAndFireRunsTheHandler)
{
    Dispatcher d;
    Timer t(d, 100, false);
    int ticks = 0;
    t.onTick([&] { ++ticks; });
    EXPECT_FALSE(t.ticking());
    t.setEnabled(true);
    EXPECT_TRUE(t.ticking());
    t.setInterval(0);
    EXPECT_TRUE(t.Enabled());
    EXPECT_FALSE(t.ticking());
    t.fire();
    EXPECT_EQ(ticks, 1);
    EXPECT_THROW(t.setInterval(-1), RuntimeError);
}

TEST(Dispatcher, AFailureIsReportedOnceAndNothingRunsAfterIt)
{
    Dispatcher d;
    std::vector<std::string> failures;
    d.setFailureHandler([&](const RuntimeError& e) { failures.push_back(e.what()); });
    int runs = 0;
    EXPECT_TRUE(d.deliver([&] { ++runs; }));
    d.deliver([&] { throw RuntimeError(u"dat/x.dat: not found"); });
    EXPECT_FALSE(d.deliver([&] { ++runs; }));
    EXPECT_EQ(runs, 1);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], "dat/x.dat: not found");
}

TEST(Controls, ANewGroupMemberCopiesIndexZeroButStartsHidden)
{
    Dispatcher d;
    Form form(d, 9285, 7545);
    ControlArray<CommandButton> buttons(
        [&] { return std::make_unique<CommandButton>(form, 0, u"Command1"); });
    buttons(0).Move(100, 200, 300, 400);
    buttons(0).setBackColor({ 1, 2, 3 });
    buttons(0).setFontSize(12);
    buttons(0).setVisible(true);
    buttons.Load(1);
    EXPECT_EQ(buttons.UBound(), 1);
    EXPECT_EQ(u8(buttons(1).Caption()), "Command1");
    EXPECT_EQ(buttons(1).Left(), 100);
    EXPECT_EQ(buttons(1).Height(), 400);
    EXPECT_EQ(buttons(1).BackColor(), (Color { 1, 2, 3 }));
    EXPECT_EQ(buttons(1).FontSize(), 12);
    EXPECT_FALSE(buttons(1).Visible());
    EXPECT_THROW(buttons(5), RuntimeError);

    // A hidden or disabled button takes no clicks.
    int clicks = 0;
    buttons(1).onClick([&] { ++clicks; });
    buttons(1).click();
    buttons(1).setVisible(true);
    buttons(1).setEnabled(false);
    buttons(1).click();
    buttons(1).setEnabled(true);
    buttons(1).click();
    EXPECT_EQ(clicks, 1);
}

TEST(Form, AWidthChangeRaisesResizeBeforeTheSetterReturnsAndTheSameWidthRaisesNothing)
{
    Dispatcher d;
    Form form(d, 9285, 7545);
    int resizes = 0;
    bool insideSetter = false;
    bool raisedInside = false;
    form.onResize([&] {
        ++resizes;
        raisedInside = insideSetter;
    });
    d.deliver([&] {
        insideSetter = true;
        form.setWidth(10600);
        insideSetter = false;
    });
    EXPECT_EQ(resizes, 1);
    EXPECT_TRUE(raisedInside);
    EXPECT_EQ(form.Width(), 10600);
    d.deliver([&] { form.setWidth(10600); });
    EXPECT_EQ(resizes, 1);

    // User units map the client area whatever its size.
    form.setScaleWidth(40);
    form.setScaleHeight(30);
    EXPECT_DOUBLE_EQ(form.unitsToTwipsX(40), 10600);
    EXPECT_DOUBLE_EQ(form.unitsToTwipsY(30), 7545);
}

TEST(Form, ControlsStackByRankThenByAgeWheneverTheyAreMade)
{
    Dispatcher d;
    Form form(d, 9285, 7545);
    // Bottom to top, as the form's children lie: the captions of its labels and buttons.
    const auto stacking = [&] {
        std::vector<std::string> out;
        for (const QObject* o : form.widget()->children()) {
            if (const auto* label = qobject_cast<const QLabel*>(o))
                out.push_back(label->text().toStdString());
            else if (const auto* button = qobject_cast<const QAbstractButton*>(o))
                out.push_back(button->text().toStdString());
        }
        return out;
    };
    Label low(form, 0, u"low");
    auto top = std::make_unique<CommandButton>(form, 2, u"top");
    Label middle(form, 1, u"middle");
    CommandButton top2(form, 2, u"top2");
    Label low2(form, 0, u"low2");
    EXPECT_EQ(stacking(), (std::vector<std::string> { "low", "low2", "middle", "top", "top2" }));

    // With the lowest of a rank gone, the next of that rank is where newcomers go under.
    top.reset();
    CommandButton middle2(form, 1, u"middle2");
    CommandButton top3(form, 2, u"top3");
    EXPECT_EQ(stacking(),
        (std::vector<std::string> { "low", "low2", "middle", "middle2", "top2", "top3" }));
}
