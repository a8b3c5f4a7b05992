#include "platform/files/folders.h"

#include "platform/files/native_p.h"

#include <cerrno>
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

FolderLock::FolderLock(const Text& folder)
{
    if (folder.find(u'\0') != Text::npos)
        return;
    fd_ = ::open(nativePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        return;
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) { }
}

FolderLock::~FolderLock()
{
    if (fd_ >= 0)
        ::close(fd_); // releases the lock
}

} // namespace platform
