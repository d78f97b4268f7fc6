#include "file_events.h"

#include <QFile>

#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cstring>

FileEvents::FileEvents(const QString& device, const QString& folder)
    : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
  if (fd_ < 0) return;
  deviceWatch_ = inotify_add_watch(fd_, QFile::encodeName(device).constData(),
                                   IN_CLOSE_WRITE | IN_CLOSE_NOWRITE);
  folderWatch_ =
      inotify_add_watch(fd_, QFile::encodeName(folder).constData(), IN_CREATE | IN_MOVED_TO);
}

FileEvents::~FileEvents() {
  if (fd_ >= 0) close(fd_);
}

QStringList FileEvents::Take() {
  QStringList events;
  alignas(inotify_event) std::array<char, 4096> buffer{};
  for (ssize_t length = 0; (length = read(fd_, buffer.data(), buffer.size())) > 0;) {
    for (ssize_t offset = 0; offset < length;) {
      inotify_event event{};
      std::memcpy(&event, buffer.data() + offset, sizeof event);
      const QString name =
          event.len > 0 ? QFile::decodeName(buffer.data() + offset + sizeof event) : QString();
      if (event.wd == deviceWatch_) {
        events << QStringLiteral("closed");
      } else if (event.mask & IN_CREATE) {
        events << "created " + name;
      } else {
        events << "moved " + name;
      }
      offset += static_cast<ssize_t>(sizeof event + event.len);
    }
  }
  return events;
}
