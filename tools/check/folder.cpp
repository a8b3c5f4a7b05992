#include "check/folder.h"

#include "platform/controls.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/files/files.h"
#include "platform/music/midi_file.h"
#include "platform/picture/metadata.h"

#include <QImageReader>
#include <QString>

#include <fstream>
#include <sstream>

namespace check {
namespace {

// True when `bytes` holds non-ASCII text that is well-formed UTF-8.
bool looksLikeUtf8(std::string_view bytes)
{
    bool wide = false;
    for (size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const size_t n = b < 0x80 ? 1
            : (b >> 5) == 0x6     ? 2
            : (b >> 4) == 0xE     ? 3
            : (b >> 3) == 0x1E    ? 4
                                  : 0;
        if (n == 0 || i + n > bytes.size())
            return false;
        for (size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(bytes[i + k]) >> 6) != 0x2)
                return false;
        }
        wide = wide || n > 1;
        i += n;
    }
    return wide;
}

// True when `head` begins a Windows metafile, which the game draws rather than decodes: a WMF with
// its placeable header (D7 CD C6 9A) or a standard one (type 1 or 2, a header of 9 words), or an
// EMF (a first record of type 1, and " EMF" at byte 40).
bool isMetafile(std::string_view head)
{
    const auto starts = [&](size_t at, std::string_view bytes) {
        return head.size() >= at + bytes.size() && head.substr(at, bytes.size()) == bytes;
    };
    using namespace std::literals;
    return starts(0, "\xD7\xCD\xC6\x9A"sv) || starts(0, "\x01\x00\x09\x00"sv)
        || starts(0, "\x02\x00\x09\x00"sv)
        || (starts(0, "\x01\x00\x00\x00"sv) && starts(40, " EMF"sv));
}

} // namespace

Folder::Folder(std::filesystem::path dir, Report& report)
    : dir_(std::move(dir))
    , report_(report)
{
    // Pictures may lie in folders of the story: their files are named by their path in it
    // ("pics/sea.dat"). Hidden folders (a version control's) hold no file of the story.
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::recursive_directory_iterator it(dir_, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path& path = it->path();
        if (it->is_directory(ec) && path.filename().string().starts_with("."))
            it.disable_recursion_pending();
        else if (it->is_regular_file(ec))
            files_.insert(path.lexically_relative(dir_).generic_string());
    }
}

bool Folder::has(const std::string& name) const
{
    return files_.contains(name);
}

std::filesystem::path Folder::fullPath(const std::string& name) const
{
    return dir_ / name;
}

std::string Folder::bytes(const std::string& name, size_t limit) const
{
    std::ifstream in(fullPath(name), std::ios::binary);
    std::string out;
    char buf[65536];
    while (out.size() < limit) {
        const auto n = static_cast<size_t>(in.read(buf, sizeof buf).gcount());
        if (n == 0)
            break;
        out.append(buf, std::min(n, limit - out.size()));
    }
    return out;
}

const std::vector<Text>* Folder::text(const std::string& name)
{
    auto it = texts_.find(name);
    if (it == texts_.end()) {
        std::optional<std::vector<Text>> lines;
        std::error_code ec;
        const auto size = has(name) ? std::filesystem::file_size(fullPath(name), ec) : 0;
        if (has(name) && !ec && size > MaxTextBytes) {
            report_.error(name, 0,
                "is " + std::to_string(size) + " bytes, far too large for a story file (at most "
                    + std::to_string(MaxTextBytes) + "); it was not checked");
        } else if (has(name)) {
            // The game's own reader: a line ends at CR, a LF right after it is dropped.
            platform::Files files;
            const short no = files.FreeFile();
            try {
                files.OpenInput(no, platform::fromUtf8(fullPath(name).string()));
                lines.emplace();
                while (!files.Eof(no))
                    lines->push_back(files.LineInput(no));
                files.Close(no);
            } catch (const platform::RuntimeError& e) {
                report_.error(name, 0, "cannot be read: " + std::string(e.what()));
                lines.reset();
            }
            if (lines)
                checkBytes(name, bytes(name), *lines);
        }
        it = texts_.emplace(name, std::move(lines)).first;
    }
    return it->second ? &*it->second : nullptr;
}

void Folder::checkBytes(
    const std::string& name, const std::string& bytes, const std::vector<Text>& lines)
{
    if (bytes.starts_with("\xEF\xBB\xBF"))
        report_.error(name, 1,
            "starts with a UTF-8 byte order mark; the game reads it as part of the first line");

    int bad = 0;
    int firstBad = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        // Decoding keeps bytes that are not code page 932; encoding gives them back unchanged.
        if (!platform::cp932::isValid(platform::cp932::encode(lines[i])) && bad++ == 0)
            firstBad = static_cast<int>(i) + 1;
    }
    if (bad > 0) {
        std::string message
            = "not valid code page 932 (Shift-JIS); the game shows broken characters";
        if (looksLikeUtf8(bytes))
            message += " (the file looks like UTF-8: save it as Shift-JIS)";
        if (bad > 1)
            message += "; " + std::to_string(bad - 1) + " more line(s) like it";
        report_.error(name, firstBad, message);
    }

    const bool hasCr = bytes.find('\r') != std::string::npos;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find(u'\n') == Text::npos)
            continue;
        if (!hasCr)
            report_.error(name, 1,
                "ends its lines with LF alone: the game reads the whole file as one line; use CR "
                "LF");
        else
            report_.error(name, static_cast<int>(i) + 1,
                "holds a LF without a CR before it: the game reads the text on both sides as one "
                "line");
        break;
    }

    int line = 1;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r')
            continue;
        if (i + 1 < bytes.size() && bytes[i + 1] != '\n') {
            report_.warning(name, line,
                "ends a line with CR alone; the game reads it, but other tools may not: use CR LF");
            break;
        }
        ++line;
    }
}

bool Folder::playsAsMusic(const std::string& name) const
{
    return has(name) && platform::readMidiFile(fullPath(name).string()).has_value();
}

bool Folder::looksLikePicture(const std::string& name)
{
    return has(name)
        && (isMetafile(bytes(name, 44))
            || !QImageReader::imageFormat(QString::fromStdString(fullPath(name).string()))
                    .isEmpty());
}

const Folder::PictureRead& Folder::picture(const std::string& name)
{
    auto it = pictures_.find(name);
    if (it == pictures_.end()) {
        PictureRead read;
        if (!has(name)) {
            read.problem = name + " is missing";
        } else {
            read.metafile = isMetafile(bytes(name, 44));
            try {
                const platform::Picture picture = platform::LoadPicture(
                    platform::fromUtf8(fullPath(name).string()), platform::fromUtf8(name));
                read.size = { picture.width(), picture.height() };
                read.skippedMetadata = platform::picture_metadata::skippedBytes(
                    platform::fromUtf8(fullPath(name).string()));
            } catch (const platform::RuntimeError& e) {
                read.problem = e.what();
            }
        }
        it = pictures_.emplace(name, std::move(read)).first;
    }
    return it->second;
}

std::optional<std::string> Folder::pictureProblem(const std::string& name)
{
    return picture(name).problem;
}

long long Folder::pictureSkippedMetadata(const std::string& name)
{
    return picture(name).skippedMetadata;
}

bool Folder::pictureIsMetafile(const std::string& name)
{
    return picture(name).metafile;
}

std::optional<std::pair<int, int>> Folder::pictureSize(const std::string& name)
{
    const PictureRead& read = picture(name);
    return read.problem ? std::nullopt : std::optional(read.size);
}

} // namespace check
