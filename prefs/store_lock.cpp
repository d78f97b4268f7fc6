#include <QDir>
#include <QFileInfo>

#include "store.h"

namespace prefs {
namespace {

// A save takes a fraction of a second; a lock held longer is a hung process's.
constexpr int kLockWaitMs = 5000;

}  // namespace

StoreLock::StoreLock() : lock_(StoreLockPath()) {
  QDir().mkpath(QFileInfo(StoreLockPath()).path());
  held_ = lock_.tryLock(kLockWaitMs);
}

}  // namespace prefs
