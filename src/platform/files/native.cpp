#include "platform/files/native_p.h"

#include <cerrno>
#include <cstring>

namespace platform {

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

} // namespace platform
