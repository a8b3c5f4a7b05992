#include "platform/module_file.h"

#include <cerrno>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

bool readAt(int fd, void* into, size_t size, off_t at)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(
            fd, static_cast<char*>(into) + done, size - done, at + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string segmentsProblem(int fd, unsigned long long fileSize)
{
    Elf64_Ehdr header {};
    if (!readAt(fd, &header, sizeof header, 0) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0)
        return "not a shared library";
    if (header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_type != ET_DYN
        || header.e_phentsize != sizeof(Elf64_Phdr))
        return "not a shared library of this machine";
    if (header.e_phoff + static_cast<unsigned long long>(header.e_phnum) * sizeof(Elf64_Phdr)
        > fileSize)
        return "cut short (its header runs past its end)";
    for (unsigned i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr segment {};
        if (!readAt(fd, &segment, sizeof segment,
                static_cast<off_t>(header.e_phoff + i * sizeof(Elf64_Phdr))))
            return "cannot be read";
        if (segment.p_type != PT_NULL && segment.p_filesz > 0
            && (segment.p_offset > fileSize || segment.p_filesz > fileSize - segment.p_offset))
            return "cut short (it is " + std::to_string(fileSize) + " bytes long, its parts need "
                + std::to_string(segment.p_offset + segment.p_filesz) + ")";
    }
    return {};
}

} // namespace

std::string moduleProblem(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::strerror(errno);
    struct stat st
    {
    };
    std::string problem;
    if (::fstat(fd, &st) != 0)
        problem = std::strerror(errno);
    else if (!S_ISREG(st.st_mode))
        problem = "not a file";
    else
        problem = segmentsProblem(fd, static_cast<unsigned long long>(st.st_size));
    ::close(fd);
    return problem;
}

} // namespace platform
