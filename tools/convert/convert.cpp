#include "convert/convert.h"

#include "check/checker.h"
#include "platform/cp932.h"
#include "platform/files/folders.h"
#include "platform/text.h"
#include "story/events.h"
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
#include <unistd.h>

namespace convert {
namespace fs = std::filesystem;

namespace {

// The names of a story folder's files, as this file system spells them.
const std::string DataExtension = platform::toUtf8(story::DataExtension);
const std::string MusicFile = platform::toUtf8(story::MusicFile);
const std::string RecordsFile = platform::toUtf8(story::dataFile(story::RecordsName));

// Story texts are small: a larger source is no story text (pelirra-check says the same of the
// files it reads).
constexpr uintmax_t MaxTextBytes = 16 << 20;

// The files a source folder makes: the story file each becomes, from which source. A story file
// is named by its path in the story ("0.dat", "pics/sea.dat").
struct Plan
{
    std::map<std::string, fs::path> texts; // "0.dat" <- SRC/0.txt
    std::map<std::string, fs::path> copies; // "ive.dat" <- SRC/ive.png, "bgm.mid" <- SRC/bgm.mid
    std::map<std::string, std::string> sources; // "pics/sea.dat" <- "SRC/pics/sea.png", as shown
    std::vector<std::string> errors;
    std::vector<std::string> skipped;
    fs::path root; // the source folder, its links resolved
    std::string shownRoot; // and as the author named it
};

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool isPicture(const std::string& ext)
{
    return ext == ".png" || ext == ".jpg" || ext == ".jpeg" || ext == ".gif" || ext == ".bmp"
        || ext == ".ico" || ext == ".wmf" || ext == ".emf";
}

// A source folder from elsewhere may hold a link to any file of the author's (a key, a mail):
// a link is read only when the file it leads to lies in the source folder itself.
bool leavesFolder(const fs::path& root, const fs::path& path)
{
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec)))
        return false;
    const fs::path target = fs::weakly_canonical(path, ec);
    if (ec || root.empty())
        return true;
    const auto [end, inside]
        = std::mismatch(root.begin(), root.end(), target.begin(), target.end());
    return end != root.end() || inside == target.end();
}

// One file of the source folder `under` ("" or "pics/"), `shown` as the author sees it.
void planFile(const fs::path& path, const std::string& shown, const std::string& under, Plan& plan)
{
    std::error_code ec;
    const std::string name = path.filename().string();
    const std::string ext = lower(path.extension().string());
    const std::string stem = path.stem().string();
    const bool text = ext == ".txt";
    const bool music = lower(name) == MusicFile;
    if (!text && !isPicture(ext) && !music) {
        plan.skipped.push_back(shown
            + ": warning: skipped: not a text (NAME.txt), a picture (.png, .jpg, .jpeg, .gif, "
              ".bmp, .ico, .wmf, .emf) or the music (bgm.mid)");
        return;
    }
    if (leavesFolder(plan.root, path)) {
        plan.errors.push_back(shown + ": error: is a symbolic link to a file outside "
            + plan.shownRoot
            + ", which pelirra-convert never reads into a story (copy the file itself in)");
        return;
    }
    if (!fs::is_regular_file(path, ec)) {
        plan.errors.push_back(shown + ": error: is not a file");
        return;
    }
    const std::string target = under + (music ? MusicFile : stem + DataExtension);
    if (target == RecordsFile) {
        plan.errors.push_back(shown
            + ": error: would become kako.dat, the file in which the game keeps the player's "
              "list of past records");
        return;
    }
    if (const auto other = plan.sources.find(target); other != plan.sources.end()) {
        plan.errors.push_back(shown + ": error: " + other->second + " becomes " + target
            + " already: two files of the story cannot have the same name");
        return;
    }
    plan.sources.emplace(target, shown);
    (text ? plan.texts : plan.copies).emplace(target, path);
}

// The folder `src` and its folders, which become folders of the story of the same names.
void planFolder(
    const fs::path& src, const std::string& shownSrc, const std::string& under, Plan& plan)
{
    std::vector<fs::path> entries;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(src, ec))
        entries.push_back(entry.path());
    std::sort(entries.begin(), entries.end());
    for (const fs::path& path : entries) {
        const std::string name = path.filename().string();
        if (name.starts_with("."))
            continue; // hidden: an editor's or a version control's file
        const std::string ext = lower(path.extension().string());
        const bool storyName = ext == ".txt" || isPicture(ext) || lower(name) == MusicFile;
        if (!storyName && fs::is_directory(fs::symlink_status(path, ec)))
            planFolder(path, shownSrc, under + name + "/", plan);
        else
            planFile(path, shownSrc + "/" + under + name, under, plan);
    }
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

// A folder that pelirra-convert may replace: missing, or holding only files and folders of a
// story. Returns what else it holds.
std::optional<std::string> foreignEntry(const fs::path& dest, const std::string& under = "")
{
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dest, ec)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory(ec) && !entry.is_symlink(ec)) {
            if (auto inside = foreignEntry(entry.path(), under + name + "/"))
                return inside;
            continue;
        }
        const bool storyName = name.ends_with(DataExtension) || name == MusicFile
            || name.starts_with(RecordsFile + ".tmp-");
        if (!storyName || !(entry.is_regular_file(ec) || entry.is_symlink(ec)))
            return under + name;
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
    out << "usage: pelirra-convert [--strict] [--quiet] [--map FILE.svg] SRC DEST\n"
           "Makes the story folder DEST from the author's folder SRC and its folders: every\n"
           "NAME.txt (UTF-8, any line ends) becomes NAME.dat in Shift-JIS with CR LF line ends,\n"
           "every picture NAME.png, .jpg, .jpeg, .gif, .bmp, .ico, .wmf or .emf becomes NAME.dat\n"
           "unchanged, and bgm.mid is copied. DEST is replaced whole (the player's kako.dat in it\n"
           "is kept), or left as it was when SRC cannot be converted. Then DEST is checked as\n"
           "pelirra-check does, each finding naming its source file: --strict fails on warnings\n"
           "too, --quiet prints only the findings, --map draws the story's map.\n"
           "Exit status: 0 when the story plays, 1 with errors, 2 for bad usage.\n";
}

struct Command
{
    check::Options options;
    std::string shownSrc; // as the author named them, without a separator at the end
    std::string shownDest;
    fs::path src;
    fs::path dest; // absolute
    bool destExists = false;
};

// Reads the command line into `command`. Returns the exit status when the command ends here.
std::optional<int> readCommand(
    const std::vector<std::string>& args, Command& command, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> folders;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string problem;
        if (arg == "-h" || arg == "--help") {
            usage(out);
            return 0;
        }
        if (check::readOption(args, i, command.options, problem)) {
            if (problem.empty())
                continue;
            err << "pelirra-convert: " << problem << "\n";
            return 2;
        }
        if (arg.size() > 1 && arg.starts_with("-")) {
            err << "pelirra-convert: " << arg << ": unknown option\n";
            usage(err);
            return 2;
        }
        folders.push_back(arg);
    }
    if (folders.size() != 2) {
        usage(err);
        return 2;
    }
    command.shownSrc = folders[0];
    command.shownDest = folders[1];
    for (std::string* s : { &command.shownSrc, &command.shownDest }) {
        while (s->size() > 1 && (s->ends_with("/") || s->ends_with("/.")))
            s->pop_back();
    }
    std::error_code ec;
    command.src = command.shownSrc;
    // "story/." and "." name the folder itself: the new folder is made beside it, not in it.
    command.dest = fs::absolute(command.shownDest, ec).lexically_normal();
    if (command.dest.filename().empty() && command.dest.has_relative_path())
        command.dest = command.dest.parent_path();
    return std::nullopt;
}

// A source folder to read and a story folder that may be replaced; else the message that says
// why not.
std::optional<std::string> folderProblem(Command& command)
{
    std::error_code ec;
    const std::string& src = command.shownSrc;
    const std::string& dest = command.shownDest;
    if (!fs::exists(command.src, ec))
        return src + ": no such folder";
    if (!fs::is_directory(command.src, ec))
        return src + ": not a folder (name the folder that holds the sources)";
    const auto destStatus = fs::symlink_status(command.dest, ec);
    command.destExists = fs::exists(destStatus);
    if (!command.destExists)
        return std::nullopt;
    if (!fs::is_directory(destStatus))
        return dest + ": is there, but is not a folder";
    if (fs::equivalent(command.src, command.dest, ec))
        return dest + ": is the source folder itself; name another folder";
    if (const auto other = foreignEntry(command.dest))
        return dest + ": holds " + *other
            + ", which is no file of a story: pelirra-convert replaces the whole folder, so name "
              "a new folder or one it made";
    return std::nullopt;
}

// The story texts in code page 932, by story file; what stops one is added to the errors.
std::map<std::string, std::string> convertTexts(Plan& plan)
{
    std::map<std::string, std::string> written;
    std::error_code ec;
    for (const auto& [target, path] : plan.texts) {
        const std::string& shown = plan.sources[target];
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
    return written;
}

// Writes the story into a new folder beside DEST, which then takes DEST's place. Returns the
// message that says why it could not.
std::optional<std::string> writeStory(
    const Command& command, const Plan& plan, const std::map<std::string, std::string>& written)
{
    TempFolder made(command.dest);
    const auto cannot = [&](const std::string& what, const std::string& why) {
        return what + ": cannot be written (" + why + ")";
    };
    if (made.path().empty())
        return cannot(command.shownDest, std::strerror(errno));
    std::error_code ec;
    for (const auto& [target, source] : plan.sources) {
        const fs::path to = made.path() / target;
        fs::create_directories(to.parent_path(), ec);
        if (const auto text = written.find(target); text != written.end()) {
            std::ofstream file(to, std::ios::binary);
            file << text->second;
            file.close();
            if (!file)
                return cannot(command.shownDest + "/" + target, std::strerror(errno));
        } else if (fs::copy_file(plan.copies.at(target), to, ec); ec) {
            return source + ": cannot be copied to " + target + " (" + ec.message() + ")";
        }
    }
    // The player's list of past records stays with the story. A game playing DEST saves its
    // list under this lock of the folder, so no save falls between the copy and the exchange.
    const platform::FolderLock lock(platform::fromUtf8(command.dest.string()));
    const fs::path kako = command.dest / RecordsFile;
    if (fs::exists(fs::symlink_status(kako, ec))) {
        fs::copy(kako, made.path() / RecordsFile, fs::copy_options::copy_symlinks, ec);
        if (ec)
            return cannot(command.shownDest + "/" + RecordsFile, ec.message());
    }
    std::string why;
    const fs::path here = fs::current_path(ec);
    if (!replaceFolder(made, command.dest, why))
        return cannot(command.shownDest, why);
    // Run from inside DEST ("pelirra-convert ../src ."), the old folder was left: enter the new
    // one in its place, which the check then reads.
    if (!here.empty() && ::chdir(here.c_str()) != 0) { }
    return std::nullopt;
}

// The file a finding of the check names: the source the story file was made from, so the author
// goes straight to the line to edit. A file the sources do not make is named as the source that
// would make it.
std::string sourceOf(const Command& command, const Plan& plan, const std::string& file)
{
    if (file.empty())
        return command.shownSrc;
    if (const auto made = plan.sources.find(file); made != plan.sources.end())
        return made->second;
    if (file == RecordsFile)
        return command.shownDest + "/" + file;
    if (!file.ends_with(DataExtension))
        return command.shownSrc + "/" + file;
    const std::string stem = file.substr(0, file.size() - DataExtension.size());
    const platform::Text name = platform::fromUtf8(stem);
    const bool text = story::isDataName(name) || story::splitEventName(name);
    return command.shownSrc + "/" + stem + (text ? ".txt" : ".png");
}

} // namespace

int runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    Command command;
    if (const auto status = readCommand(args, command, out, err))
        return *status;
    if (const auto problem = folderProblem(command)) {
        err << "pelirra-convert: " << *problem << "\n";
        return 2;
    }

    // Everything is read and converted before anything is written.
    Plan plan;
    std::error_code resolved;
    plan.root = fs::canonical(command.src, resolved);
    plan.shownRoot = command.shownSrc;
    planFolder(command.src, command.shownSrc, "", plan);
    if (plan.sources.empty() && plan.errors.empty())
        plan.errors.push_back(command.shownSrc
            + ": error: holds no story files: texts (NAME.txt), pictures (NAME.png, .jpg, .jpeg, "
              ".gif, .bmp, .ico, .wmf, .emf) or the music (bgm.mid)");
    for (const std::string& note : plan.skipped)
        err << note << "\n";
    const std::map<std::string, std::string> written = convertTexts(plan);
    for (const std::string& error : plan.errors)
        err << error << "\n";
    std::optional<std::string> problem;
    if (plan.errors.empty())
        problem = writeStory(command, plan, written);
    if (!plan.errors.empty() || problem) {
        if (problem)
            err << "pelirra-convert: " << *problem << "\n";
        err << "pelirra-convert: " << command.shownDest
            << (command.destExists ? " was left as it was" : " was not made") << "\n";
        return 1;
    }
    return check::checkAndReport(command.shownDest, command.shownDest, command.options, out, err,
        [&](const std::string& file) { return sourceOf(command, plan, file); });
}

} // namespace convert
