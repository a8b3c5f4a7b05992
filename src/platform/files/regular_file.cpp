#include "platform/files/regular_file.h"

#include "platform/errors.h"
#include "platform/files/native_p.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

int openRegularFile(const Text& path, const Text& shownAs)
{
    const auto fail = [&](TextView what, int err) {
        Text message = shownAs + u": " + Text(what);
        if (err != 0)
            message += u" (" + errorText(err) + u")";
        throw RuntimeError(message);
    };
    // The system would read a name only up to a NUL character: such a name names no file.
    if (path.find(u'\0') != Text::npos)
        fail(u"not found", 0);
    const std::string native = nativePath(path);
    int fd;
    do {
        // Without waiting: opening a named pipe for reading would wait for a writer.
        fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && errno == ENOENT)
        fail(u"not found", 0);
    if (fd < 0)
        fail(u"cannot be opened", errno);
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        fail(u"cannot be read", err);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        if (S_ISDIR(st.st_mode))
            fail(u"is a folder, not a file", 0);
        fail(u"is not a regular file (a device or a named pipe is in its place)", 0);
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

} // namespace platform
