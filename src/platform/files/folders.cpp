#include "platform/files/folders.h"

#include "platform/files/native_p.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

int makeFolders(const std::string& folder, std::string* failed)
{
    for (size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
        const std::string part = folder.substr(0, end);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            const int err = errno;
            if (failed)
                *failed = part;
            return err;
        }
        if (end == std::string::npos)
            return 0;
    }
}

FolderLock::FolderLock(const Text& folder, int waitMs)
{
    if (folder.find(u'\0') != Text::npos)
        return;
    fd_ = ::open(nativePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        return;
    // Tried every 10 ms: another copy holds the lock only while it writes a list.
    for (int waited = 0;; waited += 10) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0)
            return;
        if ((errno != EWOULDBLOCK && errno != EINTR) || (waitMs >= 0 && waited >= waitMs))
            break;
        const timespec step { 0, 10'000'000 };
        ::nanosleep(&step, nullptr);
    }
    ::close(fd_);
    fd_ = -1;
}

FolderLock::~FolderLock()
{
    if (fd_ >= 0)
        ::close(fd_); // releases the lock
}

} // namespace platform
