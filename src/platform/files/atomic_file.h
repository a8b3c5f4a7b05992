// Every file the game writes is written whole or not at all: into a temporary file beside it,
// which then replaces it in one rename. A failure or a crash half-way leaves the old file as it
// was, and at most a temporary file, which removeStaleTemporaries clears away later.
#pragma once

#include "platform/text.h"

#include <string>
#include <string_view>

namespace platform {

class AtomicFile
{
public:
    AtomicFile() = default;
    // An uncommitted file is discarded: its temporary file is removed, the target untouched.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Starts the file that will replace `target` (a native path): a new temporary file
    // TARGET.tmp-PID-N beside it, which takes the target's permissions (0644 for a new file).
    // Returns 0, or the error number.
    int open(const std::string& target);
    // Appends the bytes. Returns 0, or the error number (the file is then discarded).
    int write(std::string_view bytes);
    // The bytes written so far.
    long long size() const { return size_; }

    // Puts the file in place: its bytes on disk, then the rename over the target, then the rename
    // itself on disk.
    enum class Failure { None, Writing, Replacing };
    struct Result
    {
        Failure failure = Failure::None;
        int err = 0;
    };
    Result commit();

private:
    void discard();
    int fd_ = -1;
    std::string target_;
    std::string temp_;
    long long size_ = 0;
};

// Removes the temporary files that a program killed while it wrote `path` left beside it (named
// after it, with the process number of a program no longer running). Quiet.
void removeStaleTemporaries(const std::string& path);

} // namespace platform
