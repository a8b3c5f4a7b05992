// The data folder as the game sees it: text files read a line at a time by the game's own reader
// (and checked once for their code page and line ends), and pictures loaded by content.
#pragma once

#include <cstdint>

#include "check/report.h"

#include <filesystem>
#include <map>
#include <optional>
#include <set>

namespace check {

class Folder
{
public:
    Folder(std::filesystem::path dir, Report& report);

    // True when a file of that name is in the folder ("0.dat", "pics/sea.dat").
    bool has(const std::string& name) const;
    // The names of the folder's files and of those in its folders, in name order.
    const std::set<std::string>& files() const { return files_; }

    // The lines of a text file as the game reads them, or nullptr when the file is missing.
    // The first call reports bytes that are not code page 932 and line ends other than CR LF.
    const std::vector<Text>* text(const std::string& name);

    // True when the file's first bytes are those of a picture format the game reads.
    bool looksLikePicture(const std::string& name);
    // Why the game cannot show the picture file (missing, unreadable, not a picture); nothing
    // when it loads.
    std::optional<std::string> pictureProblem(const std::string& name);
    // The size of a picture the game can show, in pixels (width, height); nothing for one it
    // cannot.
    std::optional<std::pair<int, int>> pictureSize(const std::string& name);
    // True when the picture is a metafile (WMF or EMF): drawn at the size of the picture box, it
    // has no size of its own in pixels, only the shape of its frame.
    bool pictureIsMetafile(const std::string& name);
    // The bytes of metadata (text, colour profiles, Exif ...) the game leaves out when it reads
    // the picture, because there is more of it than a picture may keep; 0 for most pictures.
    long long pictureSkippedMetadata(const std::string& name);

    // True when the music device reads the file as a tune it can play.
    bool playsAsMusic(const std::string& name) const;

    // The file's bytes as they are, or its first `limit` bytes.
    std::string bytes(const std::string& name, size_t limit = SIZE_MAX) const;
    // Text files of a story are small: larger ones are reported, not read.
    static constexpr uintmax_t MaxTextBytes = 16 << 20;

private:
    std::filesystem::path fullPath(const std::string& name) const;
    void checkBytes(
        const std::string& name, const std::string& bytes, const std::vector<Text>& lines);

    std::filesystem::path dir_;
    Report& report_;
    std::set<std::string> files_;
    std::map<std::string, std::optional<std::vector<Text>>> texts_;
    struct PictureRead
    {
        std::optional<std::string> problem;
        std::pair<int, int> size;
        bool metafile = false;
        long long skippedMetadata = 0;
    };
    const PictureRead& picture(const std::string& name);
    std::map<std::string, PictureRead> pictures_;
};

} // namespace check
