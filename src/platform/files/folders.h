// Folders: making them, and locking one while a file in it is replaced.
#pragma once

#include "platform/text.h"

#include <string>

namespace platform {

// Creates the folder (a native path) and any folder above it that is missing, new ones readable
// by this user only. Returns 0, or the error number and in `failed` the folder that could not be
// made.
int makeFolders(const std::string& folder, std::string* failed);

// An exclusive lock on a folder, held while the object lives: another program that locks the same
// folder waits until it is released (also when the holder ends without releasing it), for at most
// `waitMs` milliseconds when that is not negative; then it goes on without the lock. Where the
// file system has no locks, nothing is locked.
class FolderLock
{
public:
    explicit FolderLock(const Text& folder, int waitMs = -1);
    bool held() const { return fd_ >= 0; }
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_ = -1;
};

} // namespace platform
