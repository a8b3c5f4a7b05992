// Text files held under small file numbers, read and written a line at a time in code page 932.
//
// Reading: a line ends at a carriage return; the carriage return and a line feed directly after
// it are dropped; the last line needs no terminator. Writing: each line ends in CR LF, and a file
// opened for output replaces the old one only when it is closed, in one rename, so a failure or
// a crash half-way leaves the old file as it was.
#pragma once

#include "platform/text.h"

#include <array>
#include <memory>

namespace platform {

// The platform layer is POSIX: paths are separated by '/'.
constexpr char16_t PathSeparator = u'/';

class Files
{
public:
    static constexpr short MaxFileNo = 255;
    // Longer lines are cut to this many bytes; the rest of the line is skipped.
    static constexpr size_t MaxLineBytes = 1 << 20;

    Files();
    ~Files();
    Files(const Files&) = delete;
    Files& operator=(const Files&) = delete;

    // Paths under this folder are named relative to it in error messages ("dat/txt.dat").
    void setDisplayRoot(Text folder) { displayRoot_ = std::move(folder); }
    Text displayName(const Text& path) const;

    // True when something (a file or a folder) of that name is there.
    static bool exists(const Text& path);
    // True when `path` is a folder (or a symbolic link to one).
    static bool isFolder(const Text& path);
    // True when this user may create and replace files in the folder (false on a read-only
    // mount, and for a folder the user may not write).
    static bool folderWritable(const Text& folder);
    // The folder's full path with every symbolic link and "." or ".." resolved, without a
    // separator at the end; empty when it cannot be resolved.
    static Text realPath(const Text& path);
    // What is at `path`, a symbolic link at its end not followed: two stamps are equal only when
    // they show the same file, unchanged (or both show nothing there).
    struct Stamp
    {
        enum class Kind { Missing, File, Link, Other };
        Kind kind = Kind::Missing;
        unsigned long long device = 0, inode = 0;
        long long size = 0, changedNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp stamp(const Text& path);
    // Creates the folder and any folder above it that is missing, new ones readable by this user
    // only. Errors name the folder.
    void makeFolders(const Text& folder) const;
    // Removes the temporary files that a program killed while it wrote `path` left beside it
    // (named after it, with the process number of a program no longer running). Quiet.
    static void removeStaleTemporaries(const Text& path);

    short FreeFile() const;
    void OpenInput(short no, const Text& path);
    void OpenOutput(short no, const Text& path);
    bool isOpen(short no) const;

    Text LineInput(short no);
    bool Eof(short no);
    // Length of the open file in bytes.
    long long LOF(short no);
    // True when the last line read was longer than MaxLineBytes and was cut.
    bool lineCut(short no);
    void PrintLine(short no, TextView line);

    // Closing an output file puts it in place. Closing a number that is not open does nothing;
    // a number outside 1..MaxFileNo is an error.
    void Close(short no);
    // Closes every input file; output files that were not closed are discarded, never half
    // written over the old ones.
    void CloseAll();

private:
    struct Handle;
    Handle& handle(short no, const char* action);
    [[noreturn]] void fail(const Text& path, TextView what, int err) const;

    std::array<std::unique_ptr<Handle>, MaxFileNo + 1> handles_;
    Text displayRoot_;
};

} // namespace platform
