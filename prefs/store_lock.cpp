#include <QDir>
#include <QFileInfo>

#include "store.h"

namespace prefs {
namespace {

// A save takes a fraction of a second; a lock held longer is a hung process's.
constexpr int kLockWaitMs = 5000;

// The lock sits beside the file, whose folder a first save makes.
bool Take(QLockFile& lock) {
  QDir().mkpath(QFileInfo(StoreLockPath()).path());
  return lock.tryLock(kLockWaitMs);
}

}  // namespace

StoreLock::StoreLock() : lock_(StoreLockPath()), held_(Take(lock_)) {}

}  // namespace prefs
