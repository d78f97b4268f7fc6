#pragma once

#include <QObject>
#include <QTimer>

#include <memory>

struct udev;
struct udev_monitor;

namespace ports {

// Tells when terminal devices have come or gone, as udev announces them once it has named them
// and made their links: udev's monitor, read through a socket notifier, with a burst of events
// settled into one signal. Silent where no udev daemon runs.
class UdevWatch : public QObject {
  Q_OBJECT

 public:
  explicit UdevWatch(QObject* parent = nullptr);
  ~UdevWatch() override;
  Q_DISABLE_COPY_MOVE(UdevWatch)

 signals:
  void DevicesChanged();

 private:
  struct Release {
    void operator()(udev* context) const;
    void operator()(udev_monitor* monitor) const;
  };

  void Drain();

  std::unique_ptr<udev, Release> context_;
  std::unique_ptr<udev_monitor, Release> monitor_;
  QTimer settle_;
};

}  // namespace ports
