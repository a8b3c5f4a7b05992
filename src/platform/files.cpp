#include "platform/files.h"

#include "platform/cp932.h"
#include "platform/errors.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr size_t BufferSize = 64 * 1024;

Text errorText(int err)
{
    switch (err) {
    case ENOENT:
        return u"not found";
    case EACCES:
    case EPERM:
        return u"permission denied";
    case EISDIR:
        return u"is a folder, not a file";
    case ENOSPC:
        return u"the disk is full";
    case EROFS:
        return u"the folder is read-only";
    case ENOTDIR:
        return u"a file is in the way";
    default:
        return fromUtf8(std::strerror(err));
    }
}

// Temporary files of an output are named TARGET.tmp-PID-N: the writer's process number, then
// a random number.
constexpr std::string_view TempInfix = ".tmp-";

std::string tempName(const std::string& target)
{
    static std::mt19937 gen(std::random_device {}());
    return target + std::string(TempInfix) + std::to_string(::getpid()) + "-"
        + std::to_string(gen() % 1000000);
}

// The process number of a temporary file's name after TARGET.tmp-, or 0 when the rest of
// the name is not PID-N.
long long tempOwner(std::string_view rest)
{
    const auto dash = rest.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == rest.size())
        return 0;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (i != dash && (rest[i] < '0' || rest[i] > '9'))
            return 0;
    }
    long long pid = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + dash, pid);
    return ec == std::errc() && end == rest.data() + dash ? pid : LLONG_MAX;
}

bool processRunning(long long pid)
{
    if (pid <= 0 || pid > INT_MAX)
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

} // namespace

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

struct Files::Handle
{
    Text path;
    int fd = -1;
    bool output = false;
    std::string target; // output: the file replaced on close
    std::string temp; // output: where the lines are written until then
    std::string buf; // input: bytes read ahead; output: bytes not yet written
    size_t pos = 0; // input: next unread byte of buf
    bool atEnd = false; // input: the file has no more bytes beyond buf
    bool lastCut = false; // input: the last line read was cut at MaxLineBytes

    ~Handle()
    {
        if (fd >= 0)
            ::close(fd);
        if (output && !temp.empty())
            ::unlink(temp.c_str());
    }

    // Input: makes sure at least one unread byte is buffered unless the file is at its end.
    // Returns false at the end.
    bool fill(const Files& files)
    {
        if (pos < buf.size())
            return true;
        buf.clear();
        pos = 0;
        if (atEnd)
            return false;
        buf.resize(BufferSize);
        ssize_t n;
        do {
            n = ::read(fd, buf.data(), BufferSize);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            const int err = errno;
            buf.clear();
            atEnd = true;
            files.fail(path, u"cannot be read", err);
        }
        buf.resize(static_cast<size_t>(n));
        if (n == 0)
            atEnd = true;
        return n > 0;
    }

    // Input, with every buffered byte used: moves past a hole of a sparse file. A hole reads as
    // NUL bytes only, so it holds no line end, and the rest of a line that is cut anyway needs
    // no reading there.
    void skipHole()
    {
        const off_t here = ::lseek(fd, 0, SEEK_CUR);
        if (here < 0)
            return;
        const off_t data = ::lseek(fd, here, SEEK_DATA);
        if (data < 0 && errno == ENXIO)
            ::lseek(fd, 0, SEEK_END); // a hole up to the end of the file
    }

    void flush(const Files& files)
    {
        size_t done = 0;
        while (done < buf.size()) {
            const ssize_t n = ::write(fd, buf.data() + done, buf.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                files.fail(path, u"cannot be written", errno);
            done += static_cast<size_t>(n);
        }
        buf.clear();
    }
};

Files::Files() = default;
Files::~Files() = default;

Text Files::displayName(const Text& path) const
{
    if (!displayRoot_.empty() && path.size() > displayRoot_.size()
        && path.compare(0, displayRoot_.size(), displayRoot_) == 0)
        return path.substr(displayRoot_.size());
    return path;
}

void Files::fail(const Text& path, TextView what, int err) const
{
    Text message = displayName(path) + u": " + Text(what);
    if (err != 0)
        message += u" (" + errorText(err) + u")";
    throw RuntimeError(message);
}

bool Files::exists(const Text& path)
{
    struct stat st
    {
    };
    return path.find(u'\0') == Text::npos && ::stat(nativePath(path).c_str(), &st) == 0;
}

bool Files::isFolder(const Text& path)
{
    struct stat st
    {
    };
    return path.find(u'\0') == Text::npos && ::stat(nativePath(path).c_str(), &st) == 0
        && S_ISDIR(st.st_mode);
}

bool Files::folderWritable(const Text& folder)
{
    return isFolder(folder)
        && ::faccessat(AT_FDCWD, nativePath(folder).c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

Text Files::realPath(const Text& path)
{
    if (path.find(u'\0') != Text::npos)
        return {};
    char* resolved = ::realpath(nativePath(path).c_str(), nullptr);
    if (!resolved)
        return {};
    const Text out = pathFromNative(resolved);
    std::free(resolved);
    return out;
}

Files::Stamp Files::stamp(const Text& path)
{
    Stamp s;
    struct stat st
    {
    };
    if (path.find(u'\0') != Text::npos || ::lstat(nativePath(path).c_str(), &st) != 0)
        return s;
    s.kind = S_ISREG(st.st_mode) ? Stamp::Kind::File
        : S_ISLNK(st.st_mode)    ? Stamp::Kind::Link
                                 : Stamp::Kind::Other;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.changedNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return s;
}

void Files::makeFolders(const Text& folder) const
{
    const std::string native = nativePath(folder);
    for (size_t end = native.find('/', 1);; end = native.find('/', end + 1)) {
        const std::string part = native.substr(0, end);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            const int err = errno;
            fail(pathFromNative(part), u"cannot be created", err);
        }
        if (end == std::string::npos)
            break;
    }
    if (!isFolder(folder))
        fail(folder, u"cannot be created: a file of that name is in the way", 0);
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

void Files::removeStaleTemporaries(const Text& path)
{
    const std::string target = nativePath(path);
    const auto slash = target.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string prefix
        = target.substr(slash == std::string::npos ? 0 : slash + 1) + std::string(TempInfix);
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return;
    while (const dirent* e = ::readdir(d)) {
        const std::string_view name(e->d_name);
        if (!name.starts_with(prefix))
            continue;
        const long long pid = tempOwner(name.substr(prefix.size()));
        if (pid != 0 && !processRunning(pid))
            ::unlinkat(::dirfd(d), e->d_name, 0);
    }
    ::closedir(d);
}

short Files::FreeFile() const
{
    for (short no = 1; no <= MaxFileNo; ++no) {
        if (!handles_[no])
            return no;
    }
    throw RuntimeError(u"too many files open");
}

bool Files::isOpen(short no) const
{
    return no >= 1 && no <= MaxFileNo && handles_[no];
}

Files::Handle& Files::handle(short no, const char* action)
{
    if (no < 1 || no > MaxFileNo)
        throw RuntimeError(u"bad file number " + Str(no));
    if (!handles_[no])
        throw RuntimeError(u"file number " + Str(no) + u" is not open (" + fromUtf8(action) + u")");
    return *handles_[no];
}

void Files::OpenInput(short no, const Text& path)
{
    if (no < 1 || no > MaxFileNo)
        throw RuntimeError(u"bad file number " + Str(no));
    if (handles_[no])
        throw RuntimeError(displayName(path) + u": file number " + Str(no) + u" is already open");
    const int fd = openRegularFile(path, displayName(path));
    auto h = std::make_unique<Handle>();
    h->path = path;
    h->fd = fd;
    handles_[no] = std::move(h);
}

void Files::OpenOutput(short no, const Text& path)
{
    if (no < 1 || no > MaxFileNo)
        throw RuntimeError(u"bad file number " + Str(no));
    if (handles_[no])
        throw RuntimeError(displayName(path) + u": file number " + Str(no) + u" is already open");
    auto h = std::make_unique<Handle>();
    h->path = path;
    h->output = true;
    h->target = nativePath(path);
    struct stat st
    {
    };
    if (::stat(h->target.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        fail(path, u"cannot be written: a folder of that name is in the way", 0);
    const mode_t mode = ::stat(h->target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        h->temp = tempName(h->target);
        fd = ::open(h->temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        h->temp.clear();
        fail(path, u"cannot be written", errno);
    }
    ::fchmod(fd, mode);
    h->fd = fd;
    handles_[no] = std::move(h);
}

Text Files::LineInput(short no)
{
    Handle& h = handle(no, "read");
    if (h.output)
        throw RuntimeError(displayName(h.path) + u": is open for writing, not reading");
    if (!h.fill(*this))
        fail(h.path, u"read past its end", 0);

    std::string line;
    bool cut = false;
    for (;;) {
        const char* begin = h.buf.data() + h.pos;
        const size_t avail = h.buf.size() - h.pos;
        const void* cr = std::memchr(begin, '\r', avail);
        const size_t take = cr ? static_cast<size_t>(static_cast<const char*>(cr) - begin) : avail;
        if (!cut) {
            const size_t room = MaxLineBytes - line.size();
            line.append(begin, std::min(take, room));
            cut = take > room;
        }
        h.pos += take;
        if (cr) {
            ++h.pos; // the carriage return
            if (h.fill(*this) && h.buf[h.pos] == '\n')
                ++h.pos;
            break;
        }
        if (cut)
            h.skipHole();
        if (!h.fill(*this))
            break; // the last line, without a terminator
    }
    h.lastCut = cut;
    return cp932::decode(line);
}

bool Files::Eof(short no)
{
    Handle& h = handle(no, "end-of-file test");
    if (h.output)
        return true;
    return !h.fill(*this);
}

long long Files::LOF(short no)
{
    Handle& h = handle(no, "length");
    struct stat st
    {
    };
    if (::fstat(h.fd, &st) != 0)
        fail(h.path, u"cannot be read", errno);
    return static_cast<long long>(st.st_size)
        + (h.output ? static_cast<long long>(h.buf.size()) : 0);
}

bool Files::lineCut(short no)
{
    Handle& h = handle(no, "read");
    return h.lastCut;
}

void Files::PrintLine(short no, TextView line)
{
    Handle& h = handle(no, "write");
    if (!h.output)
        throw RuntimeError(displayName(h.path) + u": is open for reading, not writing");
    h.buf += cp932::encode(line);
    h.buf += "\r\n";
    if (h.buf.size() >= BufferSize) {
        try {
            h.flush(*this);
        } catch (...) {
            handles_[no].reset(); // drops the half-written temporary file
            throw;
        }
    }
}

void Files::Close(short no)
{
    if (no < 1 || no > MaxFileNo)
        throw RuntimeError(u"bad file number " + Str(no));
    if (!handles_[no])
        return;
    std::unique_ptr<Handle> h = std::move(handles_[no]);
    if (!h->output)
        return;
    h->flush(*this);
    if (::fsync(h->fd) != 0 && errno != EINVAL)
        fail(h->path, u"cannot be written", errno);
    const int fd = h->fd;
    h->fd = -1;
    if (::close(fd) != 0)
        fail(h->path, u"cannot be written", errno);
    if (::rename(h->temp.c_str(), h->target.c_str()) != 0)
        fail(h->path, u"cannot be replaced", errno);
    h->temp.clear();
    // Make the rename itself durable.
    const auto slash = h->target.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : h->target.substr(0, slash + 1);
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

void Files::CloseAll()
{
    for (auto& h : handles_)
        h.reset();
}

} // namespace platform
