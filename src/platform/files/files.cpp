#include "platform/files/files.h"

#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/files/atomic_file.h"
#include "platform/files/folders.h"
#include "platform/files/native_p.h"
#include "platform/files/regular_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr size_t BufferSize = 64 * 1024;

} // namespace

struct Files::Handle
{
    Text path;
    int fd = -1;
    bool output = false;
    AtomicFile out; // output: the file that replaces the target on close
    std::string buf; // input: bytes read ahead; output: bytes not yet written
    size_t pos = 0; // input: next unread byte of buf
    bool atEnd = false; // input: the file has no more bytes beyond buf
    bool lastCut = false; // input: the last line read was cut at MaxLineBytes

    ~Handle()
    {
        if (fd >= 0)
            ::close(fd);
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
        if (const int err = out.write(buf))
            files.fail(path, u"cannot be written", err);
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
    std::string failed;
    if (const int err = platform::makeFolders(nativePath(folder), &failed))
        fail(pathFromNative(failed), u"cannot be created", err);
    if (!isFolder(folder))
        fail(folder, u"cannot be created: a file of that name is in the way", 0);
}

void Files::removeStaleTemporaries(const Text& path)
{
    platform::removeStaleTemporaries(nativePath(path));
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
    const std::string target = nativePath(path);
    struct stat st
    {
    };
    if (::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        fail(path, u"cannot be written: a folder of that name is in the way", 0);
    if (const int err = h->out.open(target))
        fail(path, u"cannot be written", err);
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
    if (h.output)
        return h.out.size() + static_cast<long long>(h.buf.size());
    struct stat st
    {
    };
    if (::fstat(h.fd, &st) != 0)
        fail(h.path, u"cannot be read", errno);
    return static_cast<long long>(st.st_size);
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
    const AtomicFile::Result put = h->out.commit();
    if (put.failure == AtomicFile::Failure::Writing)
        fail(h->path, u"cannot be written", put.err);
    if (put.failure == AtomicFile::Failure::Replacing)
        fail(h->path, u"cannot be replaced", put.err);
}

void Files::CloseAll()
{
    for (auto& h : handles_)
        h.reset();
}

} // namespace platform
