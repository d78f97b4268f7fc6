#include "udev_watch.h"

#include <libudev.h>

#include <QSocketNotifier>

namespace ports {
namespace {

// An adapter brings several events (the USB device, its interface, the terminal); one look
// after the last of them.
constexpr int kSettleMs = 250;

}  // namespace

void UdevWatch::Release::operator()(udev* context) const { udev_unref(context); }

void UdevWatch::Release::operator()(udev_monitor* monitor) const { udev_monitor_unref(monitor); }

UdevWatch::UdevWatch(QObject* parent) : QObject(parent), context_(udev_new()) {
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  connect(&settle_, &QTimer::timeout, this, &UdevWatch::DevicesChanged);
  if (!context_) return;
  monitor_.reset(udev_monitor_new_from_netlink(context_.get(), "udev"));
  if (!monitor_ ||
      udev_monitor_filter_add_match_subsystem_devtype(monitor_.get(), "tty", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor_.get()) < 0) {
    monitor_.reset();
    return;
  }
  auto* notifier =
      new QSocketNotifier(udev_monitor_get_fd(monitor_.get()), QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, &UdevWatch::Drain);
}

UdevWatch::~UdevWatch() = default;

void UdevWatch::Drain() {
  while (udev_device* device = udev_monitor_receive_device(monitor_.get())) {
    udev_device_unref(device);
  }
  settle_.start();
}

}  // namespace ports
