// pelirra-convert on authors' folders: what it makes of each kind of file, and broken input that
// leaves the story folder as it was.
#include "convert/convert.h"
#include "support/game.h"

#include "platform/cp932.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sstream>
#include <unistd.h>

using test::u8;

namespace {

struct Outcome
{
    int status;
    std::string out;
    std::string err;
};

// A source folder and the story folder made from it, side by side in a temporary folder.
class Author
{
public:
    Author() { QDir(dir_.path()).mkdir("src"); }
    std::string src(const std::string& name = "") const { return path("src", name); }
    std::string story(const std::string& name = "") const { return path("story", name); }
    void source(const std::string& name, const std::string& bytes)
    {
        test::writeBytes(src(name), bytes);
    }
    Outcome convert(std::vector<std::string> options = {})
    {
        options.push_back(src());
        options.push_back(story());
        std::ostringstream out, err;
        const int status = convert::runCommand(options, out, err);
        return { status, out.str(), err.str() };
    }
    // The names in the folder that holds SRC and DEST: nothing else may be left there.
    std::vector<std::string> beside() const
    {
        std::vector<std::string> names;
        for (const QString& name :
            QDir(dir_.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name))
            names.push_back(name.toStdString());
        return names;
    }

private:
    std::string path(const char* folder, const std::string& name) const
    {
        return dir_.path().toStdString() + "/" + folder + (name.empty() ? "" : "/" + name);
    }
    QTemporaryDir dir_;
};

} // namespace

TEST(ConvertText, UTF8InAnyLineEndsBecomesShiftJISWithCrLf)
{
    const auto bytes = [](std::string_view utf8) { return convert::toStoryText(utf8).bytes; };
    const std::string sjis = "\x82\xa0\x82\xa2"; // あい
    EXPECT_EQ(bytes("あい\nx\n"), sjis + "\r\nx\r\n");
    EXPECT_EQ(bytes("あい\r\nx"), sjis + "\r\nx\r\n") << "the last line gets its line end";
    EXPECT_EQ(bytes("あい\rx\r"), sjis + "\r\nx\r\n");
    EXPECT_EQ(bytes("\xEF\xBB\xBF"
                    "a\n\nb\n\n"),
        "a\r\n\r\nb\r\n\r\n")
        << "a byte-order mark goes";
    EXPECT_EQ(bytes(""), "");
    EXPECT_EQ(bytes("\n"), "\r\n");
    EXPECT_TRUE(convert::toStoryText("～−①髙\n").problems.empty());

    const convert::Text bad = convert::toStoryText("一行目\nあ😀い\xE2\x99\xA5\n");
    ASSERT_EQ(bad.problems.size(), 2u);
    EXPECT_EQ(bad.problems[0],
        "2:2: 「😀」 (U+1F600) cannot be written in Shift-JIS (code page 932), the game's text "
        "encoding");
    EXPECT_EQ(bad.problems[1].rfind("2:4: 「♥」 (U+2665)", 0), 0u) << bad.problems[1];

    const convert::Text notUtf8 = convert::toStoryText("ok\nab\x82\xa0\n");
    ASSERT_EQ(notUtf8.problems.size(), 1u);
    EXPECT_EQ(notUtf8.problems[0].substr(0, 30), "2:3: not UTF-8 (the byte 0x82)");
}

TEST(Convert, AnAuthorsFolderBecomesAStoryThatIsThenChecked)
{
    Author a;
    a.source("txt.txt", "喜び\n勇気\n");
    a.source("0.txt", "\xEF\xBB\xBFはじまり\r\n>img>umi\r\nおわり\r\n>end\r\n");
    test::writePicture(a.src("ive.png"), 640, 480, "PNG");
    test::writePicture(a.src("umi.JPG"), 640, 480, "JPEG");
    a.source(
        "bgm.mid", std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\x04\0\xff\x2f\0", 26));
    a.source("notes.md", "my notes");
    a.source(".0.txt.swp", "an editor's");
    const Outcome run = a.convert();
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.err,
        a.src("notes.md")
            + ": warning: skipped: not a text (NAME.txt), a picture (.png, .jpg, .jpeg, .gif, "
              ".bmp, .ico, .wmf, .emf) or the music (bgm.mid)\n");
    EXPECT_NE(run.out.find("0 error(s), 0 warning(s)"), std::string::npos) << run.out;
    EXPECT_EQ(u8(platform::cp932::decode(test::readBytes(a.story("0.dat")))),
        "はじまり\r\n>img>umi\r\nおわり\r\n>end\r\n")
        << "without its byte-order mark";
    EXPECT_EQ(test::readBytes(a.story("umi.dat")), test::readBytes(a.src("umi.JPG")));
    EXPECT_EQ(test::readBytes(a.story("bgm.mid")), test::readBytes(a.src("bgm.mid")));
    EXPECT_EQ(QDir(QString::fromStdString(a.story())).entryList(QDir::Files).size(), 5);

    // Again, after a play: the story is made anew, the player's list stays, what the sources
    // no longer make goes, and the checker's findings and status are the command's.
    test::writeBytes(a.story("kako.dat"), "0\r\n");
    ASSERT_TRUE(QFile::remove(QString::fromStdString(a.src("umi.JPG"))));
    a.source("0.txt", "はじまり\n>img>umi\n");
    const Outcome again = a.convert({ "--quiet" });
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.out.find("error(s)"), std::string::npos) << "--quiet: the findings alone";
    EXPECT_NE(again.out.find(a.src("0.txt") + ":2: error: the game cannot show this picture"),
        std::string::npos)
        << "the findings name the file the author edits: " << again.out;
    EXPECT_NE(again.out.find(a.src("0_han.txt") + ": error: missing"), std::string::npos)
        << "and the one to write";
    EXPECT_EQ(test::readBytes(a.story("kako.dat")), "0\r\n");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(a.story("umi.dat"))));
    EXPECT_EQ(a.beside(), (std::vector<std::string> { "src", "story" }));
}

TEST(Convert, FoldersOfTheSourcesBecomeFoldersOfTheStory)
{
    Author a;
    a.source("txt.txt", "喜び\n");
    a.source("0.txt", "はじまり\n>img>pics\\umi\nうみ\n>img>pics/yoru/hoshi\nほし\n>end\n");
    test::writePicture(a.src("ive.png"), 640, 480, "PNG");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(a.src("pics/yoru"))));
    test::writePicture(a.src("pics/umi.png"), 640, 480, "PNG");
    test::writePicture(a.src("pics/yoru/hoshi.jpg"), 640, 480, "JPEG");
    a.source("pics/yoru/memo.txt", "メモ\n");
    a.source(
        "bgm.mid", std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\x04\0\xff\x2f\0", 26));
    const Outcome run = a.convert({ "--strict" });
    EXPECT_EQ(run.status, 1) << "the unused text warns: " << run.out << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
        a.src("pics/yoru/memo.txt")
            + ": warning: not used: no event, crafting turn or picture "
              "line of the story reaches it");
    EXPECT_NE(run.out.find("\n0 error(s), 1 warning(s)"), std::string::npos) << run.out;
    EXPECT_EQ(test::readBytes(a.story("pics/yoru/hoshi.dat")),
        test::readBytes(a.src("pics/yoru/hoshi.jpg")));
    EXPECT_EQ(test::readBytes(a.story("pics/yoru/memo.dat")), "\x83\x81\x83\x82\r\n");

    // Made again in place: the player's list stays, what the sources no longer make goes.
    test::writeBytes(a.story("kako.dat"), "0\r\n");
    ASSERT_TRUE(QFile::remove(QString::fromStdString(a.src("pics/yoru/memo.txt"))));
    EXPECT_EQ(a.convert({ "--strict" }).status, 0);
    EXPECT_EQ(test::readBytes(a.story("kako.dat")), "0\r\n");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(a.story("pics/yoru/memo.dat"))));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(a.story("pics/umi.dat"))));
}

TEST(Convert, BrokenInputLeavesTheStoryFolderAsItWas)
{
    struct Case
    {
        const char* what;
        std::function<void(Author&)> make;
        int status;
        std::string message; // the last line of the errors, SRC and DEST written as such
    };
    const Case cases[] = {
        { "a character code page 932 cannot hold",
            [](Author& a) { a.source("0.txt", "はじまり\n虹🌈\n"); }, 1,
            "SRC/0.txt:2:2: error: 「🌈」 (U+1F308) cannot be written in Shift-JIS (code page "
            "932), the game's text encoding" },
        { "text that is not UTF-8", [](Author& a) { a.source("0.txt", "\x82\xcd\x82\xb6\n"); }, 1,
            "SRC/0.txt:1:1: error: not UTF-8 (the byte 0x82)" },
        { "two sources of one story file",
            [](Author& a) {
                test::writePicture(a.src("umi.png"), 640, 480, "PNG");
                test::writePicture(a.src("umi.gif"), 1, 1, "GIF");
            },
            1, "SRC/umi.png: error: SRC/umi.gif becomes umi.dat already" },
        { "a source that would be the list of past records",
            [](Author& a) { a.source("kako.txt", "0\n"); }, 1,
            "SRC/kako.txt: error: would become kako.dat" },
        { "a folder named like a text", [](Author& a) { QDir().mkdir(a.src("1.txt").c_str()); }, 1,
            "SRC/1.txt: error: is not a file" },
        { "an empty source folder", [](Author& a) { QFile::remove(a.src("0.txt").c_str()); }, 1,
            "SRC: error: holds no story files" },
        { "a source that is a file, not a folder",
            [](Author& a) {
                QDir(a.src().c_str()).removeRecursively();
                a.source("", "a file");
            },
            2, "pelirra-convert: SRC: not a folder" },
        { "a story folder that is a file",
            [](Author& a) {
                QDir(a.story().c_str()).removeRecursively();
                test::writeBytes(a.story(), "a file");
            },
            2, "pelirra-convert: DEST: is there, but is not a folder" },
        { "a link to a file outside the source folder",
            [](Author& a) {
                test::writeBytes(a.story("../secret"), "key");
                ::symlink("../secret", a.src("notes.txt").c_str());
            },
            1, "SRC/notes.txt: error: is a symbolic link to a file outside SRC" },
        { "a story folder that holds other things",
            [](Author& a) { test::writeBytes(a.story("letter.doc"), ""); }, 2,
            "pelirra-convert: DEST: holds letter.doc, which is no file of a story" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Author a;
        a.source("0.txt", "はじまり\n");
        ASSERT_TRUE(QDir().mkdir(QString::fromStdString(a.story())));
        test::writeBytes(a.story("0.dat"), "old");
        test::writeBytes(a.story("kako.dat"), "0\r\n");
        c.make(a);
        const std::vector<std::string> before = a.beside();
        const Outcome run = a.convert();
        EXPECT_EQ(run.status, c.status);
        std::string err = run.err;
        for (const auto& [path, word] : { std::pair(a.src(), "SRC"), std::pair(a.story(), "DEST") })
            for (size_t at; (at = err.find(path)) != std::string::npos;)
                err.replace(at, path.size(), word);
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_TRUE(run.out.empty()) << "no check of a story that was not made";
        EXPECT_EQ(a.beside(), before) << "nothing left beside DEST";
        if (QFileInfo(QString::fromStdString(a.story())).isDir()) {
            EXPECT_EQ(test::readBytes(a.story("0.dat")), "old");
            EXPECT_EQ(test::readBytes(a.story("kako.dat")), "0\r\n");
        }
    }
}

TEST(Convert, TheStoryFolderNamedFromInsideItIsMadeAgainInItsPlace)
{
    // "pelirra-convert ../src ." run in the story folder, and "src story/.": the new folder is
    // made beside the story folder, which keeps its name and the player's list. A link that
    // stays in the source folder is read.
    Author a;
    a.source("txt.txt", "喜び\n");
    a.source("0.txt", "はじまり\n");
    ASSERT_EQ(::symlink("0.txt", a.src("1.txt").c_str()), 0);
    a.convert({ "--quiet" });
    test::writeBytes(a.story("kako.dat"), "0\r\n");
    EXPECT_EQ(test::readBytes(a.story("1.dat")), test::readBytes(a.story("0.dat")));
    const QString was = QDir::currentPath();
    for (const std::string& dest : { std::string("."), a.story() + "/." }) {
        SCOPED_TRACE(dest);
        a.source("0.txt", "また " + dest + "\n");
        QDir::setCurrent(QString::fromStdString(a.story()));
        std::ostringstream out, err;
        convert::runCommand({ "--quiet", "../src", dest }, out, err);
        QDir::setCurrent(was);
        EXPECT_EQ(err.str().find("cannot be written"), std::string::npos) << err.str();
        EXPECT_EQ(test::readBytes(a.story("0.dat")), "\x82\xdc\x82\xbd " + dest + "\r\n");
        EXPECT_EQ(test::readBytes(a.story("kako.dat")), "0\r\n");
        EXPECT_EQ(a.beside(), (std::vector<std::string> { "src", "story" }));
    }
}
