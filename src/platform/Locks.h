#pragma once

#include <QString>

// Locks on the program's files that another copy of the program, and other
// table programs on the same (shared) folder, respect. A lock lasts until it
// is released or its descriptor is closed.
namespace platform {

enum class LockKind { Shared, Exclusive };

// Takes the lock without waiting: 0, or -1 with errno; heldElsewhere(errno)
// tells a lock another program holds from other failures.
int tryLock(int fd, LockKind kind);
int unlock(int fd);
bool heldElsewhere(int error);

// A descriptor that holds an exclusive lock on the folder itself, for work
// on the folder as a whole, or -1 with errno. Closing it releases the lock.
int lockFolder(const QString& folder);

} // namespace platform
