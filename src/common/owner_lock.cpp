#include "common/owner_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vt
{
namespace
{

// A file or folder locked by this process, -1 when it cannot be. A file is
// opened for writing: on a network file system the lock needs it.
int lockedFd(const Path& path, int create)
{
    const QByteArray name = path.native();
    int fd = ::open(name.constData(),
                    O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | create, 0600);
    if (fd < 0 && errno == EISDIR)
        fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st {
    };
    if (::fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) ||
        ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

std::shared_ptr<const OwnerLock> OwnerLock::take(const Path& path)
{
    const int fd = lockedFd(path, O_CREAT);
    if (fd < 0)
        return {};
    return std::shared_ptr<const OwnerLock>(new OwnerLock(fd));
}

OwnerLock::~OwnerLock()
{
    ::close(fd_);
}

bool RemoveIfAbandoned(const Path& lockPath, const std::function<void()>& remove)
{
    const int fd = lockedFd(lockPath, 0);
    if (fd < 0)
        return false;
    remove();
    ::close(fd);
    return true;
}

} // namespace vt
