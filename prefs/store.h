#pragma once

#include <QLockFile>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <span>
#include <utility>

namespace prefs {

// The registry key HKEY_CURRENT_USER\Software\Tavrin Ltd\Quillsetter on Windows,
// "Tavrin Ltd/Quillsetter.conf" in the user's configuration folder elsewhere.
// Where the file is not a regular file (a FIFO, a device) the store reads as one that cannot be
// opened: nothing is read from it and nothing is saved over it, and no command waits on it.
class Store : public QSettings {
 public:
  Store();
};

// Holds off the saves of other processes (another window, the command line) from a read of the
// store to the write that follows, so that what each of them adds is kept. Held() is false when
// the lock could not be had within a few seconds; then nothing should be written.
class StoreLock {
 public:
  StoreLock();
  bool Held() const { return held_; }

 private:
  QLockFile lock_;
  bool held_ = false;
};

// The lock file of the store: beside the settings file, or in the temporary folder for the
// registry.
QString StoreLockPath();

// A value to store under its name; an invalid (default) QVariant removes the name.
using NamedValue = std::pair<const char*, QVariant>;

// Writes every value into the store, keeping what else it holds; true only when all of them are
// stored. A failed write leaves the store as it was.
bool WriteValues(std::span<const NamedValue> values);

}  // namespace prefs
