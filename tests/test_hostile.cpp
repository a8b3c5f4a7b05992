// The game on broken and hostile data folders, through its own entry points: every case ends
// quietly or in one report naming the file and the problem, never in a crash, a hang, a memory
// run-away or a lost list of past records. (tests/hostile_program.sh runs the real program on
// the cases that need separate processes, other users or mounts.)
#include "support/game.h"
#include "support/hostile.h"
#include "support/midi.h"

#include "platform/cp932.h"
#include "platform/music/fluidsynth_mci.h"
#include "records/replay_rules.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QKeySequence>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;
using test::u8;

namespace {

using test::garbage;
using test::GiB;
using test::MiB;

// The kind of bad file every group of cases tries, in place of one data file.
enum class Bad {
    Missing,
    Empty,
    Folder,
    Pipe,
    Garbage,
    Sparse1GiB, // one "line" of a thousand million NULs
    Line50MiB, // one line of 50 MiB
    BadCp932, // bytes that are not code page 932, and a lone lead byte at the very end
    LfOnly, // line feeds alone are no line ends: one long line
    CrOnly, // carriage returns alone end lines as CR LF does
};

const char* name(Bad b)
{
    static const char* names[] = { "missing", "empty", "a folder", "a named pipe", "binary garbage",
        "1 GiB sparse", "a 50 MiB line", "invalid code page 932", "LF line ends", "CR line ends" };
    return names[static_cast<int>(b)];
}

constexpr Bad AllBad[] = { Bad::Missing, Bad::Empty, Bad::Folder, Bad::Pipe, Bad::Garbage,
    Bad::Sparse1GiB, Bad::Line50MiB, Bad::BadCp932, Bad::LfOnly, Bad::CrOnly };

void make(Bad b, const std::string& path)
{
    ::unlink(path.c_str());
    switch (b) {
    case Bad::Missing:
        break;
    case Bad::Empty:
        test::writeBytes(path, "");
        break;
    case Bad::Folder:
        ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
        break;
    case Bad::Pipe:
        ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
        break;
    case Bad::Garbage:
        test::writeBytes(path, garbage(4096));
        break;
    case Bad::Sparse1GiB:
        test::writeSparse(path, GiB);
        break;
    case Bad::Line50MiB:
        test::writeLongLine(path, 50 * MiB);
        break;
    case Bad::BadCp932:
        test::writeBytes(path, "A\x80\xff\xa0Z\r\n\x82\xa0\x82\r\n\x82");
        break;
    case Bad::LfOnly:
        test::writeBytes(path, "ONE\nTWO\nTHREE\n");
        break;
    case Bad::CrOnly:
        test::writeBytes(path, "ONE\rTWO\rTHREE");
        break;
    }
}

const std::string OldKako = "0\r\nb1\r\n\x82\xa0\r\n";

// What is at `path`: its bytes, or what stands in for a file that is not a small one.
std::string state(const std::string& path)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
        return "<missing>";
    if (S_ISDIR(st.st_mode))
        return "<folder>";
    if (S_ISFIFO(st.st_mode))
        return "<named pipe>";
    if (st.st_size > 64 * MiB)
        return "<" + std::to_string(st.st_size) + " bytes>";
    return test::readBytes(path);
}

// Lines as the game reads them (ended by CR, a LF after it dropped), written back in CR LF.
std::string asWrittenBack(const std::string& bytes)
{
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r') {
            out += bytes[i];
            continue;
        }
        out += "\r\n";
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
    }
    const bool lastLineEnded = bytes.ends_with('\r') || bytes.ends_with("\r\n");
    if (!bytes.empty() && !lastLineEnded)
        out += "\r\n";
    return out;
}

// What one run came to.
struct Outcome
{
    std::vector<std::string> reports;
    bool exited = false;
    std::string kako;
    qint64 ms = 0;
};

Outcome finish(test::Game& g, const QElapsedTimer& clock)
{
    if (!g.exited)
        g.fom().Com(g.fom().Com.UBound()).click();
    Outcome r;
    for (const Text& e : g.errors)
        r.reports.push_back(u8(e));
    r.exited = g.exited;
    r.kako = state(g.dat("kako.dat"));
    r.ms = clock.elapsed();
    return r;
}

// Starts the game and reads its first event to the end, clicking on at every full page.
void playFirstEvent(test::Game& g)
{
    Fom& f = g.start();
    for (int page = 0; page < 100 && !g.exited && f.TimIve.Enabled(); ++page) {
        g.readOn();
        if (!g.exited && f.TimIve.Enabled())
            f.Lbl.press(MouseButton::Left);
    }
}

// Checks one run: at most one report, starting with `report` (none when it is empty); the game
// ended; kako.dat is `kako`; it took less than ten seconds.
void expectRun(
    const Outcome& r, const std::string& report, const std::string& kako, const std::string& what)
{
    SCOPED_TRACE(what);
    if (report.empty()) {
        EXPECT_TRUE(r.reports.empty()) << r.reports[0];
    } else {
        ASSERT_EQ(r.reports.size(), 1u);
        EXPECT_EQ(r.reports[0].rfind(report, 0), 0u) << r.reports[0];
    }
    EXPECT_TRUE(r.exited);
    EXPECT_TRUE(r.kako == kako)
        << "kako.dat: " << r.kako.size() << " bytes, expected " << kako.size()
        << "; first difference at byte "
        << std::mismatch(r.kako.begin(), r.kako.end(), kako.begin(), kako.end()).first
            - r.kako.begin();
    EXPECT_LT(r.ms, 10000);
}

std::string reportFor(Bad b, const std::string& file, const std::string& missing = "")
{
    switch (b) {
    case Bad::Missing:
        return missing.empty() ? file + ": not found" : missing;
    case Bad::Folder:
        return file + ": is a folder, not a file";
    case Bad::Pipe:
        return file + ": is not a regular file";
    default:
        return "";
    }
}

} // namespace

TEST(HostileData, BadFirstScripts)
{
    for (Bad b : AllBad) {
        test::Game g;
        g.file("txt.dat", { u"喜び" });
        test::writeBytes(g.dat("kako.dat"), OldKako);
        make(b, g.dat("0.dat"));
        QElapsedTimer clock;
        clock.start();
        playFirstEvent(g);
        const Text caption = g.exited ? Text() : g.fom().Lbl.Caption();
        const Outcome r = finish(g, clock);

        std::string report = reportFor(b, "dat/0.dat");
        if (b == Bad::Empty)
            report = "dat/0.dat: is empty (an event needs at least one line)";
        // The list is saved on the way out either way; it holds "0" already.
        expectRun(r, report, OldKako, name(b));
        if (!report.empty())
            continue;
        // The story was read to its end: the player waits for the crafting turn.
        const Text prompt = u"　　▼";
        EXPECT_TRUE(caption.ends_with(prompt)) << name(b);
        if (b == Bad::Sparse1GiB || b == Bad::Line50MiB) { // one line, cut at 1 MiB
            EXPECT_EQ(caption,
                u"Quillet > \r\n\r\n"
                    + Text(Files::MaxLineBytes, b == Bad::Sparse1GiB ? u'\0' : u'x') + prompt);
        }
        // Three lines, the last a lone lead byte, which comes back as it was.
        if (b == Bad::BadCp932) {
            EXPECT_EQ(cp932::encode(caption), "\x82\x81\x40\x81\x40\x81\xa5");
        }
        if (b == Bad::LfOnly) {
            EXPECT_EQ(caption, u"Quillet > \r\n\r\nONE\nTWO\nTHREE\n" + prompt);
        }
        if (b == Bad::CrOnly) {
            EXPECT_EQ(caption, u"THREE" + prompt);
        }
    }
}

TEST(HostileData, BadChoiceCaptionFiles)
{
    for (Bad b : AllBad) {
        test::Game g;
        make(b, g.dat("txt.dat"));
        g.file("0.dat", { u"はじまり" });
        test::writeBytes(g.dat("kako.dat"), OldKako);
        QElapsedTimer clock;
        clock.start();
        Fom& f = g.start();
        const int buttons = g.exited ? 0 : f.Com.UBound() + 1;
        const size_t firstCaption = g.exited ? 0 : f.Com(0).Caption().size();
        const Outcome r = finish(g, clock);

        // txt.dat is read before kako.dat: a failure there leaves kako.dat as it was.
        expectRun(r, reportFor(b, "dat/txt.dat"), OldKako, name(b));
        if (!reportFor(b, "dat/txt.dat").empty())
            continue;
        const int expected[] = { 0, 2, 0, 0, 0, 3, 3, 0, 3, 5 };
        if (b != Bad::Garbage && b != Bad::BadCp932) {
            EXPECT_EQ(buttons, expected[static_cast<int>(b)]) << name(b);
        }
        if (b == Bad::Sparse1GiB || b == Bad::Line50MiB) {
            EXPECT_EQ(firstCaption, Files::MaxLineBytes) << name(b);
        }
        if (b == Bad::BadCp932) {
            EXPECT_EQ(buttons, 5);
        }
    }

    // The most choices the layout's 16-bit arithmetic can lay out (the buttons and the heading
    // make 32,767 rows): every button is laid out, the quit button down to the bottom edge.
    const std::string tooMany = "dat/txt.dat: too many lines (at most 32764 choices)";
    for (const int choices : { 32764, 32765, 40000 }) {
        test::Game g;
        std::string lines;
        for (int i = 0; i < choices; ++i)
            lines += "x\r";
        test::writeBytes(g.dat("txt.dat"), lines);
        g.file("0.dat", { u"はじまり" });
        test::writeBytes(g.dat("kako.dat"), OldKako);
        QElapsedTimer clock;
        clock.start();
        Fom& f = g.start();
        if (choices == 32764) {
            const CommandButton& quit = f.Com(f.Com.UBound());
            EXPECT_TRUE(quit.Visible() && quit.Caption() == u"終了");
            EXPECT_NEAR(quit.Top() + quit.Height(), 30, 1e-6);
        }
        const Outcome r = finish(g, clock);
        if (choices == 40000) // and quickly: it took over an hour once
            expectRun(r, tooMany, OldKako, "40,000 choices");
        else
            EXPECT_TRUE(r.exited && r.kako == OldKako
                && r.reports == std::vector<std::string>(choices == 32764 ? 0 : 1, tooMany));
    }
}

TEST(HostileData, CaptionsWithAmpersandsAreShownAsWritten)
{
    // To a Qt button "&" marks a keyboard shortcut (Alt and the next letter) and is not shown.
    test::Game g;
    g.minimalStory({ u"&&&", u"A&B", u"&x", u"y&" });
    Fom& f = g.start();
    std::vector<std::string> shown, written;
    for (QPushButton* b : f.Me.widget()->findChildren<QPushButton*>()) {
        EXPECT_TRUE(QKeySequence::mnemonic(b->text()).isEmpty()) << b->text().toStdString();
        shown.push_back(b->text().replace(QLatin1String("&&"), QLatin1String("&")).toStdString());
    }
    for (int i = 0; i <= f.Com.UBound(); ++i)
        written.push_back(u8(f.Com(i).Caption()));
    std::sort(shown.begin(), shown.end());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(shown, written);
}

TEST(HostileData, BadKeyFiles)
{
    for (Bad b : AllBad) {
        test::Game g;
        g.file("txt.dat", { u"喜び" });
        g.file("0.dat", { u"はじまり" });
        test::writeBytes(g.dat("kako.dat"), OldKako);
        make(b, g.dat("0_han.dat"));
        QElapsedTimer clock;
        clock.start();
        Fom& f = g.start();
        g.readOn();
        f.Lbl.press(MouseButton::Left); // the crafting turn
        for (int i = 0; i < 5; ++i)
            f.Com(0).click();
        for (int i = 0; i < 10 && f.GameTim.Enabled() && !g.exited; ++i)
            f.GameTim.fire();
        const int score = f.Point;
        const Outcome r = finish(g, clock);

        expectRun(r, reportFor(b, "dat/0_han.dat"), OldKako, name(b));
        if (reportFor(b, "dat/0_han.dat").empty()) {
            EXPECT_EQ(score, 0) << name(b) << ": no key line holds the caption";
        }
    }
}

TEST(HostileData, BadPastRecordFiles)
{
    struct Case
    {
        const char* what;
        std::string bytes; // kako.dat, unless `make` makes it
        std::function<void(const std::string& path)> make;
        std::string reportAtClose; // empty: all quiet, and the list is saved
    };
    const std::string NotSaved = "The list of past records was not saved. When the game started it "
                                 "could not be read, so the file was left as it was: dat/kako.dat";
    const Case cases[] = {
        { "missing", "", [](const std::string&) {}, "" },
        { "empty", "", nullptr, "" },
        { "binary garbage", garbage(4096), nullptr, "" },
        { "NUL bytes", std::string("a\0b\r\n\0\r\n", 7), nullptr, "" },
        { "invalid code page 932", "A\x80\xff\r\n\x82", nullptr, "" },
        { "LF line ends", "1\n2\n", nullptr, "" },
        { "CR line ends", "1\r2\r3", nullptr, "" },
        { "a folder", "", [](const std::string& p) { ::mkdir(p.c_str(), 0755); },
            NotSaved + ": is a folder, not a file" },
        { "a named pipe", "", [](const std::string& p) { ::mkfifo(p.c_str(), 0644); },
            NotSaved + ": is not a regular file" },
        { "1 GiB sparse", "", [](const std::string& p) { test::writeSparse(p, GiB); },
            NotSaved
                + ": too large for a list of past records (1073741824 bytes; at most 33554432)" },
        { "a 2 MiB line", "0\r\n" + std::string(2 * MiB, 'x') + "\r\n1\r\n", nullptr,
            NotSaved + ": line 2 is longer than 1048576 bytes" },
        { "2,000,001 entries", std::string(2000001, '\r'), nullptr,
            NotSaved + ": more than 2000000 entries" },
    };
    for (const Case& c : cases) {
        test::Game g;
        g.minimalStory();
        const std::string path = g.dat("kako.dat");
        if (c.make)
            c.make(path);
        else
            test::writeBytes(path, c.bytes);
        const std::string before = state(path);
        QElapsedTimer clock;
        clock.start();
        g.start();
        EXPECT_TRUE(g.errors.empty()) << c.what << ": reading the list is quiet";
        const Outcome r = finish(g, clock);
        // Saved: every entry read, each with its line end, then this run's first event. Not saved:
        // the file exactly as it was.
        std::string saved = before == "<missing>" ? "0\r\n" : asWrittenBack(before) + "0\r\n";
        Outcome o = r;
        if (std::string(c.what) == "binary garbage") {
            // Characters that code page 932 holds twice (NEC and IBM extensions) may come back in
            // their other form: the entries are the same text.
            o.kako = platform::toUtf8(cp932::decode(o.kako));
            saved = platform::toUtf8(cp932::decode(saved));
        }
        expectRun(o, c.reportAtClose, c.reportAtClose.empty() ? saved : before, c.what);
    }
}

TEST(HostileData, AMillionPastRecordsLoadShowReplayAndSaveBack)
{
    test::Game g;
    g.file("txt.dat", { u"喜び" });
    g.file("0.dat", { u"はじまり" });
    g.file("a0.dat", { u"港の朝" });
    std::string kako;
    for (int i = 0; i < 1000000; ++i)
        kako += (i % 2 ? "a" : "b") + std::to_string(i % 3) + "\r\n";
    test::writeBytes(g.dat("kako.dat"), kako);

    QElapsedTimer clock;
    clock.start();
    Fom& f = g.start();
    EXPECT_EQ(f.Lst.ListCount(), 1000001);
    g.readOn();
    f.Lbl.press(MouseButton::Left);
    f.Com(f.Com.UBound() - 1).click(); // the past-record button shows the list
    EXPECT_TRUE(f.Lst.Visible());
    f.Lst.clickItem(999999); // "a0"
    EXPECT_NE(u8(f.Txt.text()).find("港の朝"), std::string::npos);
    f.Com(f.Com.UBound()).click();
    EXPECT_TRUE(g.errors.empty());
    EXPECT_EQ(test::readBytes(g.dat("kako.dat")), kako + "0\r\n");
    EXPECT_LT(clock.elapsed(), 10000);
}

TEST(HostileData, AReplayOfAnEnormousScriptStaysBounded)
{
    for (Bad b : { Bad::Sparse1GiB, Bad::Line50MiB, Bad::Garbage, Bad::Pipe, Bad::Folder }) {
        test::Game g;
        g.minimalStory();
        test::writeBytes(g.dat("kako.dat"), "big\r\n");
        make(b, g.dat("big.dat"));
        Fom& f = g.openPastRecords();
        QElapsedTimer clock;
        clock.start();
        f.Lst.clickItem(0);
        EXPECT_LT(clock.elapsed(), 10000) << name(b);
        EXPECT_TRUE(f.Txt.Visible()) << name(b);
        EXPECT_LE(f.Txt.text().size(), 3 * MiB) << name(b);
        if (b == Bad::Pipe || b == Bad::Folder) {
            EXPECT_NE(u8(f.Txt.text()).find("dat/big.dat を読めなかったため"), std::string::npos)
                << name(b);
        }
        EXPECT_TRUE(g.errors.empty()) << name(b);
    }

    // Millions of short lines: the replay shows the beginning and says it stopped.
    test::Game g;
    g.minimalStory();
    test::writeBytes(g.dat("kako.dat"), "big\r\n");
    std::string lines;
    for (int i = 0; i < 4000000; ++i)
        lines += "A\r";
    test::writeBytes(g.dat("big.dat"), lines);
    Fom& f = g.openPastRecords();
    QElapsedTimer clock;
    clock.start();
    f.Lst.clickItem(0);
    EXPECT_LT(clock.elapsed(), 10000);
    const std::string text = u8(f.Txt.text());
    EXPECT_EQ(text.rfind("●　過去見　「big」　●\r\n\r\nA\r\nA\r\n", 0), 0u);
    EXPECT_NE(text.find("長すぎる"), std::string::npos) << text.substr(text.size() - 200);
    EXPECT_LE(f.Txt.text().size(), 3 * MiB);
}

TEST(HostileData, AReplayOfVeryLongLinesReachesTheTextLayoutInShortParagraphs)
{
    // Qt's text layout takes time that grows with the square of a paragraph's length where it
    // cannot break it (a 1 MiB line of letters took 50 s): the box shows short paragraphs.
    test::Game g;
    g.minimalStory();
    test::writeBytes(g.dat("kako.dat"), "long\r\n");
    std::string words;
    while (words.size() < 5000)
        words += "the brown fox walks over a lazy dog ";
    // Words, then the longest line a script can have: the replay reads both, as they are.
    test::writeBytes(g.dat("long.dat"), words + "\r\n" + std::string(Files::MaxLineBytes, 'x'));
    Fom& f = g.openPastRecords();
    f.Lst.clickItem(0);
    EXPECT_EQ(f.Txt.text(),
        replay::heading(u"long") + u"\r\n" + fromUtf8(words) + u"\r\n"
            + Text(Files::MaxLineBytes, u'x'));

    QString shown;
    for (QTextBlock b = f.Me.widget()->findChild<QPlainTextEdit*>()->document()->begin();
         b.isValid(); b = b.next()) {
        EXPECT_LE(b.length() - 1, 1000);
        if (b.text().contains(u"fox") && b.next().text().contains(u"fox")) {
            EXPECT_TRUE(b.text().endsWith(u' ')) << "words are broken after a space";
        }
        shown += b.text();
    }
    // Nothing is lost or changed but line breaks.
    EXPECT_EQ(shown.toStdU16String(),
        u"●　過去見　「long」　●" + fromUtf8(words) + Text(Files::MaxLineBytes, u'x'));
}

TEST(HostileData, BadPicturesAreSkippedQuicklyAndTheHeldOneStays)
{
    // Small pictures first: a good one, then the bad ones, each in a picture line of its own.
    QImage good(64, 48, QImage::Format_RGB32);
    good.fill(Qt::red);
    QByteArray pngBytes, jpegBytes, gifBytes, bmpBytes;
    for (auto [bytes, format] :
        { std::pair { &pngBytes, "PNG" }, { &jpegBytes, "JPEG" }, { &bmpBytes, "BMP" } }) {
        QBuffer buffer(bytes);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(good.save(&buffer, format));
    }
    const auto half = [](const QByteArray& b) { return b.left(b.size() / 2).toStdString(); };
    QImage over(6000, 6000, QImage::Format_Mono); // 36 million pixels, 4.5 MB as it is held
    over.fill(0);

    struct Case
    {
        const char* what;
        std::function<void(const std::string& path)> make;
    };
    std::vector<Case> cases = {
        { "missing", [](const std::string&) {} },
        { "zero-length", [](const std::string& p) { test::writeBytes(p, ""); } },
        { "a folder", [](const std::string& p) { ::mkdir(p.c_str(), 0755); } },
        { "a named pipe", [](const std::string& p) { ::mkfifo(p.c_str(), 0644); } },
        { "binary garbage", [](const std::string& p) { test::writeBytes(p, garbage(4096)); } },
        { "1 GiB sparse", [](const std::string& p) { test::writeSparse(p, GiB); } },
        { "truncated PNG", [&](const std::string& p) { test::writeBytes(p, half(pngBytes)); } },
        { "truncated BMP", [&](const std::string& p) { test::writeBytes(p, half(bmpBytes)); } },
        { "truncated GIF",
            [&](const std::string& p) {
                test::writeBytes(p, std::string("GIF89a\x40\0\x30\0\x80\0\0", 13));
            } },
        { "PNG signature, JPEG data",
            [&](const std::string& p) {
                test::writeBytes(p, "\x89PNG\r\n\x1a\n" + jpegBytes.mid(8).toStdString());
            } },
        { "BMP signature, PNG data",
            [&](const std::string& p) {
                test::writeBytes(p, "BM" + pngBytes.mid(2).toStdString());
            } },
        { "more than 32 million pixels",
            [&](const std::string& p) {
                ASSERT_TRUE(over.save(QString::fromStdString(p), "PNG"));
            } },
    };
    for (const test::HugePicture& h : test::hugePictures())
        cases.push_back({ h.name, h.write });

    for (const Case& c : cases) {
        test::Game g;
        g.file("txt.dat", {});
        g.file("0.dat", { u">img>good", u">img>bad", u"おしまい" });
        test::writeBytes(g.dat("good.dat"), pngBytes.toStdString());
        c.make(g.dat("bad.dat"));
        Fom& f = g.start();
        f.TimIve.fire();
        const uint64_t held = f.Dfe.picture().id();
        ASSERT_NE(held, 0u);
        QElapsedTimer clock;
        clock.start();
        f.TimIve.fire();
        EXPECT_LT(clock.elapsed(), 2000) << c.what;
        // A truncated file may still give a picture (its missing part filled in); any other bad
        // file leaves the good picture held and shown.
        if (f.Dfe.picture().id() != held) {
            EXPECT_EQ(std::string(c.what).rfind("truncated", 0), 0u) << c.what;
        } else {
            EXPECT_EQ(f.Dfe.ScaleWidth(), 64) << c.what;
        }
        g.readOn();
        EXPECT_EQ(g.caption(), "Quillet > \r\n\r\nおしまい　　▼") << c.what;
        EXPECT_TRUE(g.errors.empty()) << c.what;
        EXPECT_FALSE(g.exited) << c.what;
    }

    // A picture over 4096 pixels wide but within the limit is shown, scaled down to fit.
    test::Game g;
    g.file("txt.dat", {});
    g.file("0.dat", { u">img>wide" });
    QImage wide(6000, 1000, QImage::Format_RGB32);
    wide.fill(Qt::blue);
    ASSERT_TRUE(wide.save(QString::fromStdString(g.dat("wide.dat")), "PNG"));
    Fom& f = g.start();
    f.TimIve.fire();
    EXPECT_EQ(f.Dfe.ScaleWidth(), 4096);
    EXPECT_EQ(f.Dfe.ScaleHeight(), 682);

    // Small pictures with 30 MB of metadata (text, comments, a phone's Exif, depth map and
    // colour profile) are read without it, at once.
    for (const test::HugePicture& h : test::hugeMetadataPictures()) {
        test::Game m;
        m.file("txt.dat", {});
        m.file("0.dat", { u">img>meta" });
        h.write(m.dat("meta.dat"));
        Fom& mf = m.start();
        QElapsedTimer clock;
        clock.start();
        mf.TimIve.fire();
        EXPECT_LT(clock.elapsed(), 2000) << h.name;
        EXPECT_EQ(mf.Dfe.ScaleWidth(), 64) << h.name;
        EXPECT_EQ(mf.Dfe.ScaleHeight(), 48) << h.name;
    }
}

TEST(HostileData, AFolderWithSpacesAndJapaneseInItsPath)
{
    test::Game g;
    const std::string folder = g.folder() + "/my games/ペリラ 物語 (copy)";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder + "/dat")));
    g.sys.programFolder = fromUtf8(folder);
    test::writeLines(folder + "/dat/txt.dat", { u"喜び" });
    test::writeLines(folder + "/dat/0.dat", { u"はじまり" });
    test::writeBytes(folder + "/dat/kako.dat", OldKako);
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(Qt::green);
    ASSERT_TRUE(img.save(QString::fromStdString(folder + "/dat/ive.dat"), "PNG"));
    Fom& f = g.start();
    g.readOn();
    EXPECT_EQ(f.Dfe.ScaleWidth(), 8) << "the picture was found";
    f.Com(f.Com.UBound()).click();
    EXPECT_TRUE(g.errors.empty()) << u8(g.errors[0]);
    EXPECT_EQ(test::readBytes(folder + "/dat/kako.dat"), OldKako);

    // A missing file there is reported by its name in the data folder.
    test::Game h;
    const std::string other = h.folder() + "/ペリラ 物語";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(other + "/dat")));
    h.sys.programFolder = fromUtf8(other);
    h.start();
    ASSERT_EQ(h.errors.size(), 1u);
    EXPECT_EQ(u8(h.errors[0]), "dat/txt.dat: not found");
}

TEST(HostileData, TemporaryFilesOfAKilledSaveAreRemovedAtTheNextStart)
{
    test::Game g;
    g.minimalStory();
    test::writeBytes(g.dat("kako.dat"), OldKako);
    // A dead writer's leftovers, one of a running program (this one), and files that only look
    // alike: only the first kind goes.
    const std::string dead = "kako.dat.tmp-999999999-123",
                      live = "kako.dat.tmp-" + std::to_string(::getpid()) + "-7";
    for (const std::string& name : { dead, live, std::string("kako.dat.tmp-x-1"),
             std::string("kako.dat.tmp-5"), std::string("txt.dat.tmp-999999999-1") })
        test::writeBytes(g.dat(name), "half a li");
    Fom& f = g.start();
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(g.dat(dead))));
    for (const std::string& name : { live, std::string("kako.dat.tmp-x-1"),
             std::string("kako.dat.tmp-5"), std::string("txt.dat.tmp-999999999-1") })
        EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(g.dat(name)))) << name;
    f.Com(f.Com.UBound()).click();
    EXPECT_EQ(test::readBytes(g.dat("kako.dat")), OldKako);
}

TEST(HostileData, BadMusicIsSilentAndNeverHoldsUpTheStart)
{
    const std::string tune = test::midiFile(2000);
    // A header and one track whose stated length holds random bytes instead of events.
    std::string badEvents = tune.substr(0, 14) + "MTrk";
    const std::string noise = garbage(600);
    badEvents += std::string { 0, 0, 0x02, 0x58 } + noise;
    struct Case
    {
        const char* what;
        std::function<void(const std::string& path)> make;
        bool opens; // a standard MIDI file in its outline: FluidSynth gets to read its events
    };
    const Case cases[] = {
        { "missing", [](const std::string&) {}, false },
        { "empty", [](const std::string& p) { test::writeBytes(p, ""); }, false },
        { "a folder", [](const std::string& p) { ::mkdir(p.c_str(), 0755); }, false },
        { "a named pipe", [](const std::string& p) { ::mkfifo(p.c_str(), 0644); }, false },
        { "binary garbage", [](const std::string& p) { test::writeBytes(p, garbage(4096)); },
            false },
        { "1 GiB sparse", [](const std::string& p) { test::writeSparse(p, GiB); }, false },
        { "a MIDI header, then 1 GiB",
            [&](const std::string& p) {
                test::writeSparse(p, GiB);
                FILE* f = std::fopen(p.c_str(), "r+b");
                std::fwrite(tune.data(), 1, 14, f);
                std::fclose(f);
            },
            false },
        { "a truncated tune",
            [&](const std::string& p) { test::writeBytes(p, tune.substr(0, tune.size() / 2)); },
            false },
        { "random events", [&](const std::string& p) { test::writeBytes(p, badEvents); }, true },
    };
    for (const Case& c : cases) {
        test::Game g;
        platform::FluidSynthMci::Options options;
        options.audioDrivers.clear(); // no sound output: the test synthesizes
        auto device = std::make_unique<platform::FluidSynthMci>(options);
        platform::FluidSynthMci* music = device.get();
        g.mci->device = std::move(device);
        g.minimalStory();
        test::writeBytes(g.dat("kako.dat"), OldKako);
        c.make(g.dat("bgm.mid"));
        QElapsedTimer clock;
        clock.start();
        Fom& f = g.start();
        EXPECT_LT(clock.elapsed(), 2000) << c.what;
        ASSERT_GE(g.mci->results.size(), 2u) << c.what;
        EXPECT_EQ(g.mci->results[1] == 0, c.opens) << c.what << ": " << u8(g.mci->commands[1]);
        music->renderMilliseconds(3000);
        f.Bgm_Check.fire();
        f.Com(f.Com.UBound()).click();
        EXPECT_TRUE(g.errors.empty()) << c.what;
        EXPECT_EQ(test::readBytes(g.dat("kako.dat")), OldKako) << c.what;
    }
}

TEST(HostileData, TwoCopiesOnOneStoryFolderKeepEachOthersRecords)
{
    // Copy A plays into event 1 while copy B only sees event 0; A quits, then B. Each save keeps
    // what is in the file then, and adds its own records after it.
    test::Game a;
    a.file("txt.dat", { u"喜び" });
    for (const char* name : { "0", "1", "2" })
        a.file(std::string(name) + ".dat", { u"x" });
    test::writeBytes(a.dat("kako.dat"), OldKako);
    test::Game b;
    b.sys.programFolder = a.sys.programFolder;
    Fom& fa = a.start();
    Fom& fb = b.start();
    a.run([&] {
        fa.IveNo = 1;
        fa.StartIve();
    });
    fa.Com(fa.Com.UBound()).click();
    EXPECT_EQ(test::readBytes(a.dat("kako.dat")), OldKako + "1\r\n");
    b.run([&] {
        fb.IveNo = 2;
        fb.StartIve();
    });
    fb.Com(fb.Com.UBound()).click();
    EXPECT_TRUE(a.errors.empty() && b.errors.empty());
    EXPECT_EQ(test::readBytes(a.dat("kako.dat")), OldKako + "1\r\n2\r\n");

    // The file taken away meanwhile, or replaced by a list the game cannot read: the first is
    // written anew with this copy's list, the second is left as it is, with a report.
    for (const bool unreadable : { false, true }) {
        test::Game c;
        c.minimalStory();
        test::writeBytes(c.dat("kako.dat"), OldKako);
        Fom& fc = c.start();
        ::unlink(c.dat("kako.dat").c_str());
        if (unreadable)
            test::writeBytes(c.dat("kako.dat"), "0\r\n" + std::string(2 * MiB, 'x') + "\r\n");
        const std::string before = state(c.dat("kako.dat"));
        fc.Com(fc.Com.UBound()).click();
        if (!unreadable) {
            EXPECT_TRUE(c.errors.empty());
            EXPECT_EQ(test::readBytes(c.dat("kako.dat")), OldKako);
            continue;
        }
        ASSERT_EQ(c.errors.size(), 1u);
        EXPECT_EQ(u8(c.errors[0]),
            "dat/kako.dat: line 2 is longer than 1048576 bytes (another program changed it while "
            "the game ran)\nThe list of past records could not be saved; the earlier kako.dat is "
            "unchanged.");
        EXPECT_EQ(state(c.dat("kako.dat")), before);
    }
}

TEST(HostileData, ASaveKeepsTheListReadAtStartAndWaitsForAnotherCopyOnlySoLong)
{
    // Taken away while the game ran: written anew from the game's list as it was read,
    // duplicates and empty lines included.
    const std::string read = "0\r\n0\r\n\r\n\r\nzz\r\n";
    test::Game g;
    g.minimalStory();
    test::writeBytes(g.dat("kako.dat"), read);
    Fom& f = g.start();
    ::unlink(g.dat("kako.dat").c_str());
    f.Com(f.Com.UBound()).click();
    EXPECT_TRUE(g.errors.empty());
    EXPECT_EQ(test::readBytes(g.dat("kako.dat")), read);

    // Another program holds the folder's lock and never lets go: the save goes on without it.
    test::Game h;
    h.minimalStory();
    h.sys.saveLockWaitMs = 0;
    const int held = ::open(h.dat("").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    Fom& fh = h.start();
    fh.Com(fh.Com.UBound()).click();
    ::close(held);
    EXPECT_TRUE(h.errors.empty());
    EXPECT_TRUE(h.exited);
    EXPECT_EQ(test::readBytes(h.dat("kako.dat")), "0\r\n");
}

TEST(HostileData, AKakoDatThatIsASymbolicLinkIsNeitherFollowedNorReplaced)
{
    const std::string notSaved
        = "The list of past records was not saved. When the game started it could not be read, so "
          "the file was left as it was: dat/kako.dat: is a symbolic link; the game keeps its list "
          "only in a file of its own, so it neither reads nor replaces a link (put the file itself "
          "in its place)";
    for (const bool dangling : { false, true }) {
        test::Game g;
        g.minimalStory();
        const std::string target = g.folder() + "/a file of the player's";
        if (!dangling) {
            test::writeBytes(target, "secret\r\n");
            ::chmod(target.c_str(), 0444);
        }
        ASSERT_EQ(::symlink(target.c_str(), g.dat("kako.dat").c_str()), 0);
        QElapsedTimer clock;
        clock.start();
        g.start();
        EXPECT_EQ(g.listed(), std::vector<std::string> { "0" }) << "the link is not read";
        const Outcome r = finish(g, clock);
        ASSERT_EQ(r.reports.size(), 1u);
        EXPECT_EQ(r.reports[0], notSaved);
        EXPECT_EQ(QFileInfo(QString::fromStdString(g.dat("kako.dat"))).symLinkTarget(),
            QString::fromStdString(target));
        EXPECT_EQ(state(target), dangling ? "<missing>" : "secret\r\n");
    }

    // A link put in place of the list while the game ran is not replaced either.
    test::Game g;
    g.minimalStory();
    test::writeBytes(g.dat("kako.dat"), OldKako);
    g.start();
    ::unlink(g.dat("kako.dat").c_str());
    ASSERT_EQ(::symlink("/dev/null", g.dat("kako.dat").c_str()), 0);
    g.fom().Com(g.fom().Com.UBound()).click();
    ASSERT_EQ(g.errors.size(), 1u);
    EXPECT_EQ(u8(g.errors[0]).rfind("dat/kako.dat: has become a symbolic link", 0), 0u);
    EXPECT_TRUE(QFileInfo(QString::fromStdString(g.dat("kako.dat"))).isSymLink());
}
