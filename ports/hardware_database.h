#pragma once

#include <QString>

namespace ports {

// The model name udev's hardware database gives a USB device ("FT232 Serial (UART) IC"); empty
// when the database is missing or does not know it. Read through libudev, so that it works
// where no udev daemon runs.
QString HardwareDatabaseModel(quint16 vendorId, quint16 productId);

}  // namespace ports
