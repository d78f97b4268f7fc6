#include <libudev.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "hardware_database.h"

namespace ports {
namespace {

struct UdevRelease {
  void operator()(udev* context) const { udev_unref(context); }
  void operator()(udev_hwdb* database) const { udev_hwdb_unref(database); }
};

}  // namespace

QString HardwareDatabaseModel(quint16 vendorId, quint16 productId) {
  const std::unique_ptr<udev, UdevRelease> context(udev_new());
  if (!context) return {};
  const std::unique_ptr<udev_hwdb, UdevRelease> database(udev_hwdb_new(context.get()));
  if (!database) return {};
  // The key udev itself looks a USB device up by.
  char key[32];
  std::snprintf(key, sizeof key, "usb:v%04Xp%04X*", vendorId, productId);
  for (udev_list_entry* entry = udev_hwdb_get_properties_list_entry(database.get(), key, 0);
       entry != nullptr; entry = udev_list_entry_get_next(entry)) {
    if (std::strcmp(udev_list_entry_get_name(entry), "ID_MODEL_FROM_DATABASE") == 0) {
      return QString::fromUtf8(udev_list_entry_get_value(entry));
    }
  }
  return {};
}

}  // namespace ports
