#include "convert/convert.h"

#include "check/checker.h"
#include "platform/cp932.h"
#include "platform/files/files.h"
#include "platform/files/folders.h"
#include "platform/text.h"
#include "story/files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <sys/stat.h>

namespace convert {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view Bom = "\xEF\xBB\xBF";
// The names of a story folder's files, as this file system spells them.
const std::string DataExtension = platform::toUtf8(story::DataExtension);
const std::string MusicFile = platform::toUtf8(story::MusicFile);
const std::string RecordsFile = platform::toUtf8(story::dataFile(story::RecordsName));
// Story texts are small: a larger source is no story text (pelirra-check says the same of the
// files it reads).
constexpr uintmax_t MaxTextBytes = 16 << 20;

std::string hex(unsigned value, int digits)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, value);
    return buf;
}

std::string position(int line, int column)
{
    return std::to_string(line) + ":" + std::to_string(column) + ": ";
}

// One character of `s` at `i`, decoded from UTF-8: its code point and length, or nothing for
// bytes that are not UTF-8 (overlong forms and surrogates included).
std::optional<std::pair<char32_t, size_t>> nextChar(std::string_view s, size_t i)
{
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80)
        return std::pair<char32_t, size_t> { b, 1 };
    const size_t n = (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > s.size())
        return std::nullopt;
    char32_t c = b & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
        const auto cont = static_cast<unsigned char>(s[i + k]);
        if ((cont >> 6) != 0x2)
            return std::nullopt;
        c = (c << 6) | (cont & 0x3F);
    }
    static constexpr char32_t least[] = { 0, 0, 0x80, 0x800, 0x10000 };
    if (c < least[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return std::nullopt;
    return std::pair<char32_t, size_t> { c, n };
}

void append(platform::Text& text, char32_t c)
{
    if (c < 0x10000) {
        text += static_cast<char16_t>(c);
    } else {
        text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
}

// A line in code page 932 with its line end; a problem for each character it cannot hold.
void encodeLine(const platform::Text& line, int lineNo, Text& out)
{
    std::vector<size_t> refused;
    out.bytes += platform::cp932::encode(line, refused);
    out.bytes += "\r\n";
    for (const size_t at : refused) {
        int column = 1;
        for (size_t i = 0; i < at; ++i)
            column += !(line[i] >= 0xDC00 && line[i] <= 0xDFFF); // a pair is one character
        char32_t c = line[at];
        const bool pair = c >= 0xD800 && c <= 0xDBFF && at + 1 < line.size();
        if (pair)
            c = 0x10000 + ((c - 0xD800) << 10) + (line[at + 1] - 0xDC00);
        const platform::TextView shown(line.data() + at, pair ? 2 : 1);
        out.problems.push_back(position(lineNo, column) + "「" + platform::toUtf8(shown) + "」 (U+"
            + hex(c, 4)
            + ") cannot be written in Shift-JIS (code page 932), the game's text encoding");
    }
}

// The files a source folder makes: the story file each becomes, from which source.
struct Plan
{
    std::map<std::string, fs::path> texts; // "0.dat" <- SRC/0.txt
    std::map<std::string, fs::path> copies; // "ive.dat" <- SRC/ive.png, "bgm.mid" <- SRC/bgm.mid
    std::vector<std::string> errors;
    std::vector<std::string> skipped;
};

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

Plan planFolder(const fs::path& src, const std::string& shownSrc)
{
    Plan plan;
    std::vector<fs::path> entries;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(src, ec))
        entries.push_back(entry.path());
    std::sort(entries.begin(), entries.end());
    std::map<std::string, std::string> from; // the story file, and the source that makes it
    for (const fs::path& path : entries) {
        const std::string name = path.filename().string();
        const std::string shown = shownSrc + "/" + name;
        if (name.starts_with("."))
            continue; // hidden: an editor's or a version control's file
        const std::string ext = lower(path.extension().string());
        const std::string stem = path.stem().string();
        const bool text = ext == ".txt";
        const bool picture = ext == ".png" || ext == ".jpg" || ext == ".jpeg" || ext == ".gif"
            || ext == ".bmp" || ext == ".ico";
        const bool music = lower(name) == MusicFile;
        if (!text && !picture && !music) {
            plan.skipped.push_back(shown
                + ": warning: skipped: not a text (NAME.txt), a picture (.png, .jpg, .jpeg, "
                  ".gif, .bmp, .ico) or the music (bgm.mid)");
            continue;
        }
        if (!fs::is_regular_file(path, ec)) {
            plan.errors.push_back(shown + ": error: is not a file");
            continue;
        }
        const std::string target = music ? MusicFile : stem + DataExtension;
        if (lower(target) == RecordsFile) {
            plan.errors.push_back(shown
                + ": error: would become kako.dat, the file in which the game keeps the player's "
                  "list of past records");
            continue;
        }
        if (const auto other = from.find(target); other != from.end()) {
            plan.errors.push_back(shown + ": error: " + other->second + " becomes " + target
                + " already: two files of the story cannot have the same name");
            continue;
        }
        from.emplace(target, shown);
        (text ? plan.texts : plan.copies).emplace(target, path);
    }
    if (plan.texts.empty() && plan.copies.empty() && plan.errors.empty())
        plan.errors.push_back(shownSrc
            + ": error: holds no story files: texts (NAME.txt), pictures (NAME.png, .jpg, .jpeg, "
              ".gif, .bmp, .ico) or the music (bgm.mid)");
    return plan;
}

bool readFile(const fs::path& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open())
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    bytes = s.str();
    return !in.bad();
}

// A folder that pelirra-convert may replace: missing, or holding only files of a story. Returns
// what else it holds.
std::optional<std::string> foreignEntry(const fs::path& dest)
{
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dest, ec)) {
        const std::string name = entry.path().filename().string();
        const bool storyName = name.ends_with(DataExtension) || name == MusicFile
            || name.starts_with(RecordsFile + ".tmp-");
        if (!storyName || !(entry.is_regular_file(ec) || entry.is_symlink(ec)))
            return name;
    }
    return std::nullopt;
}

class TempFolder
{
public:
    explicit TempFolder(const fs::path& dest)
    {
        std::string name
            = (dest.parent_path() / ("." + dest.filename().string() + ".new-XXXXXX")).string();
        if (!::mkdtemp(name.data()))
            return;
        path_ = name;
        // As a new folder would be made (mkdtemp makes it for this user alone), or as DEST is.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        struct stat st
        {
        };
        ::chmod(name.c_str(), ::stat(dest.c_str(), &st) == 0 ? st.st_mode & 07777 : 0777 & ~mask);
    }
    ~TempFolder()
    {
        if (!path_.empty()) {
            std::error_code ec;
            fs::remove_all(path_, ec);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& path() const { return path_; }
    void release() { path_.clear(); }

private:
    fs::path path_;
};

// Puts the folder `made` in the place of `dest`; what was there is removed.
bool replaceFolder(TempFolder& made, const fs::path& dest, std::string& why)
{
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(dest, ec))) {
        fs::rename(made.path(), dest, ec);
        if (!ec)
            made.release();
        why = ec.message();
        return !ec;
    }
    // Both at once, where the system can: DEST is never missing, not even for a moment.
    if (::renameat2(AT_FDCWD, made.path().c_str(), AT_FDCWD, dest.c_str(), RENAME_EXCHANGE) == 0)
        return true; // the old folder is now at the temporary name, and goes with it
    const TempFolder old(dest);
    if (old.path().empty() || ::rename(dest.c_str(), old.path().c_str()) != 0
        || ::rename(made.path().c_str(), dest.c_str()) != 0) {
        why = std::strerror(errno);
        if (!old.path().empty() && !fs::exists(dest, ec))
            ::rename(old.path().c_str(), dest.c_str());
        return false;
    }
    made.release();
    return true;
}

void usage(std::ostream& out)
{
    out << "usage: pelirra-convert [--strict] [--quiet] SRC DEST\n"
           "Makes the story folder DEST from the author's folder SRC: every NAME.txt (UTF-8, any\n"
           "line ends) becomes NAME.dat in Shift-JIS with CR LF line ends, every picture\n"
           "NAME.png, .jpg, .jpeg, .gif, .bmp or .ico becomes NAME.dat unchanged, and bgm.mid is\n"
           "copied. DEST is replaced whole (the player's kako.dat in it is kept), or left as it\n"
           "was when SRC cannot be converted. Then DEST is checked as pelirra-check does:\n"
           "--strict fails on warnings too, --quiet prints only the findings.\n"
           "Exit status: 0 when the story plays, 1 with errors, 2 for bad usage.\n";
}

} // namespace

Text toStoryText(std::string_view utf8)
{
    Text out;
    if (utf8.starts_with(Bom))
        utf8.remove_prefix(Bom.size());
    platform::Text line;
    int lineNo = 1;
    int column = 1;
    bool lineOpen = false; // a line has begun that no line end has ended yet
    for (size_t i = 0; i < utf8.size();) {
        const char b = utf8[i];
        if (b == '\r' || b == '\n') {
            encodeLine(line, lineNo, out);
            line.clear();
            ++lineNo;
            column = 1;
            lineOpen = false;
            i += b == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n' ? 2 : 1;
            continue;
        }
        const auto c = nextChar(utf8, i);
        if (!c) {
            out.problems.push_back(position(lineNo, column) + "not UTF-8 (the byte 0x"
                + hex(static_cast<unsigned char>(b), 2)
                + "): save the file as UTF-8 text (a file already in Shift-JIS is named NAME.dat "
                  "and goes straight into the story folder)");
            return out;
        }
        append(line, c->first);
        lineOpen = true;
        ++column;
        i += c->second;
    }
    if (lineOpen)
        encodeLine(line, lineNo, out);
    return out;
}

int runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> checkArgs;
    std::vector<std::string> folders;
    for (const std::string& arg : args) {
        if (arg == "-h" || arg == "--help") {
            usage(out);
            return 0;
        }
        if (arg == "--strict" || arg == "--quiet") {
            checkArgs.push_back(arg);
        } else if (arg.size() > 1 && arg.starts_with("-")) {
            err << "pelirra-convert: " << arg << ": unknown option\n";
            usage(err);
            return 2;
        } else {
            folders.push_back(arg);
        }
    }
    if (folders.size() != 2) {
        usage(err);
        return 2;
    }
    std::string shownSrc = folders[0];
    std::string shownDest = folders[1];
    for (std::string* s : { &shownSrc, &shownDest }) {
        while (s->size() > 1 && s->ends_with("/"))
            s->pop_back();
    }
    std::error_code ec;
    const fs::path src(shownSrc);
    const fs::path dest = fs::absolute(shownDest, ec).lexically_normal();
    const auto usageError = [&](const std::string& message) {
        err << "pelirra-convert: " << message << "\n";
        return 2;
    };
    if (!fs::exists(src, ec))
        return usageError(shownSrc + ": no such folder");
    if (!fs::is_directory(src, ec))
        return usageError(shownSrc + ": not a folder (name the folder that holds the sources)");
    const auto destStatus = fs::symlink_status(dest, ec);
    if (fs::exists(destStatus)) {
        if (!fs::is_directory(destStatus))
            return usageError(shownDest + ": is there, but is not a folder");
        if (fs::equivalent(src, dest, ec))
            return usageError(shownDest + ": is the source folder itself; name another folder");
        if (const auto other = foreignEntry(dest))
            return usageError(shownDest + ": holds " + *other
                + ", which is no file of a story: pelirra-convert replaces the whole folder, so "
                  "name a new folder or one it made");
    }

    // Everything is read and converted before anything is written.
    Plan plan = planFolder(src, shownSrc);
    for (const std::string& note : plan.skipped)
        err << note << "\n";
    std::map<std::string, std::string> written;
    for (const auto& [target, path] : plan.texts) {
        const std::string shown = shownSrc + "/" + path.filename().string();
        std::string bytes;
        if (fs::file_size(path, ec) > MaxTextBytes) {
            plan.errors.push_back(shown + ": error: far too large for a story text (at most "
                + std::to_string(MaxTextBytes) + " bytes)");
            continue;
        }
        if (!readFile(path, bytes)) {
            plan.errors.push_back(shown + ": error: cannot be read");
            continue;
        }
        Text text = toStoryText(bytes);
        for (const std::string& problem : text.problems)
            plan.errors.push_back(shown + ":" + problem.substr(0, problem.find(": "))
                + ": error: " + problem.substr(problem.find(": ") + 2));
        written.emplace(target, std::move(text.bytes));
    }
    const std::string untouched = fs::exists(destStatus) ? " was left as it was" : " was not made";
    if (!plan.errors.empty()) {
        for (const std::string& error : plan.errors)
            err << error << "\n";
        err << "pelirra-convert: " << shownDest << untouched << "\n";
        return 1;
    }

    // Written into a new folder beside DEST, which then takes DEST's place.
    TempFolder made(dest);
    const auto writeError = [&](const std::string& what, const std::string& why) {
        err << "pelirra-convert: " << what << ": cannot be written (" << why << "); " << shownDest
            << untouched << "\n";
        return 1;
    };
    if (made.path().empty())
        return writeError(shownDest, std::strerror(errno));
    for (const auto& [target, bytes] : written) {
        std::ofstream file(made.path() / target, std::ios::binary);
        file << bytes;
        file.close();
        if (!file)
            return writeError(shownDest + "/" + target, std::strerror(errno));
    }
    for (const auto& [target, path] : plan.copies) {
        fs::copy_file(path, made.path() / target, ec);
        if (ec) {
            err << shownSrc << "/" << path.filename().string() << ": error: cannot be copied to "
                << target << " (" << ec.message() << ")\n";
            err << "pelirra-convert: " << shownDest << untouched << "\n";
            return 1;
        }
    }
    {
        // The player's list of past records stays with the story. A game playing DEST saves its
        // list under this lock of the folder, so no save falls between the copy and the exchange.
        const platform::FolderLock lock(platform::fromUtf8(dest.string()));
        const fs::path kako = dest / RecordsFile;
        if (fs::exists(fs::symlink_status(kako, ec))) {
            fs::copy(kako, made.path() / RecordsFile, fs::copy_options::copy_symlinks, ec);
            if (ec)
                return writeError(shownDest + "/" + RecordsFile, ec.message());
        }
        std::string why;
        if (!replaceFolder(made, dest, why))
            return writeError(shownDest, why);
    }

    checkArgs.push_back(shownDest);
    return check::runCommand(checkArgs, out, err);
}

} // namespace convert
