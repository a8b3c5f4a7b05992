#include "platform/files/atomic_file.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Temporary files are named TARGET.tmp-PID-N: the writer's process number, then a random number.
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

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::discard()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temp_.empty())
        ::unlink(temp_.c_str());
    temp_.clear();
}

int AtomicFile::open(const std::string& target)
{
    discard();
    target_ = target;
    size_ = 0;
    struct stat st
    {
    };
    const mode_t mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    for (int attempt = 0; attempt < 8 && fd_ < 0; ++attempt) {
        temp_ = tempName(target);
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd_ < 0 && errno != EEXIST)
            break;
    }
    if (fd_ < 0) {
        const int err = errno;
        temp_.clear();
        return err;
    }
    ::fchmod(fd_, mode);
    return 0;
}

int AtomicFile::write(std::string_view bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            discard();
            return err;
        }
        done += static_cast<size_t>(n);
    }
    size_ += static_cast<long long>(bytes.size());
    return 0;
}

AtomicFile::Result AtomicFile::commit()
{
    if (::fsync(fd_) != 0 && errno != EINVAL)
        return { Failure::Writing, errno };
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        return { Failure::Writing, errno };
    if (::rename(temp_.c_str(), target_.c_str()) != 0)
        return { Failure::Replacing, errno };
    temp_.clear();
    // Make the rename itself durable.
    const auto slash = target_.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : target_.substr(0, slash + 1);
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return {};
}

void removeStaleTemporaries(const std::string& target)
{
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

} // namespace platform
