#pragma once

#include "common/path.h"

#include <functional>
#include <memory>

namespace vt
{

// A lock (flock) this process holds on a file or folder for as long as the
// object lives; the kernel drops it when the process ends, however it ends.
// It tells a live run's working folder or partial result from one a killed
// run left, where a process number cannot: runs in other PID namespaces
// (containers) or on other machines sharing a network folder.
class OwnerLock
{
  public:
    // Locks the file (made when missing) or folder; nothing when it cannot
    // be locked, or another process holds it.
    static std::shared_ptr<const OwnerLock> take(const Path& path);
    ~OwnerLock();
    OwnerLock(const OwnerLock&) = delete;
    OwnerLock& operator=(const OwnerLock&) = delete;

  private:
    explicit OwnerLock(int fd) : fd_(fd) {}
    int fd_;
};

// Calls `remove` while holding the lock of `lockPath` when no process holds
// it, and answers true; a path that cannot be locked (gone, a file system
// without locks, a FIFO) is left alone.
bool RemoveIfAbandoned(const Path& lockPath, const std::function<void()>& remove);

} // namespace vt
