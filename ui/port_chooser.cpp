#include "port_chooser.h"

#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>

#include "device_paths.h"
#include "language.h"
#include "network_ports.h"
#include "port_combo_box.h"
#include "preferences.h"
#include "serial.h"
#include "system_device_source.h"

namespace {

QString AddNetworkPortText(InterfaceLanguage language) {
  return QString::fromUtf8(TextsFor(language).addNetworkPort);
}

}  // namespace

QString DeviceName(const std::string& device) {
  return QFile::decodeName(QByteArray::fromStdString(device));
}

std::string DevicePath(const QString& device) { return QFile::encodeName(device).toStdString(); }

PortChooser::PortChooser(PortComboBox* list, const Tserial& serial) : list_(list), serial_(serial) {
  connect(list_, &QComboBox::currentIndexChanged, this, &PortChooser::Remember);
  connect(list_, &PortComboBox::PopupAboutToShow, this, [this] {
    if (!source_) return Start();
    // Where no device events arrive, the list is brought up to date when it opens; the [Ports]
    // map may have been edited too.
    source_->Refresh();
    Fill();
  });
  list_->installEventFilter(this);
}

PortChooser::~PortChooser() = default;

bool PortChooser::eventFilter(QObject* watched, QEvent* event) {
  if (watched != list_) return false;
  // The system's devices are looked at once the window has been painted, off the way to it.
  if (event->type() == QEvent::Paint && !painted_) {
    painted_ = true;
    QTimer::singleShot(0, this, &PortChooser::Start);
  }
  const auto* key = event->type() == QEvent::KeyPress ? dynamic_cast<QKeyEvent*>(event) : nullptr;
  if (key != nullptr && key->key() == Qt::Key_Delete) {
    RemoveSelectedNetworkPort();
    return true;
  }
  return false;
}

void PortChooser::SetSource(std::unique_ptr<ports::DeviceSource> source) {
  source_ = std::move(source);
  connect(source_.get(), &ports::DeviceSource::Changed, this, &PortChooser::Fill);
  source_->Refresh();
  Fill();
}

void PortChooser::Start() {
  // A window closed already has no use for the list. On Windows the window's own handle hears of
  // ports coming and going.
  if (!source_ && list_->isVisible()) {
    SetSource(std::make_unique<ports::SystemDeviceSource>(list_->window()->winId()));
  }
}

void PortChooser::Choose(int comNumber, const QString& device) {
  chosenCom_ = comNumber >= 1 && comNumber <= ports::kComEntries ? comNumber : 0;
  chosenDevice_ = device;
  Select();
}

void PortChooser::SetLanguage(InterfaceLanguage language) {
  language_ = language;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    list_->setItemText(static_cast<int>(i), entries_[i].Label(language_));
  }
  if (!entries_.empty() && list_->count() > static_cast<int>(entries_.size())) {
    list_->setItemText(static_cast<int>(entries_.size()), AddNetworkPortText(language_));
  }
}

QString PortChooser::SelectedDevice() const { return DeviceAt(list_->currentIndex()); }

void PortChooser::Hold(const QString& device) {
  heldDevice_ = device;
  Select();
}

void PortChooser::Release() {
  heldDevice_.reset();
  Select();
}

void PortChooser::SelectDevice(const QString& device) {
  const int index = IndexOf(device);
  if (index < 0) return;
  {
    const QSignalBlocker quiet(list_);
    list_->setCurrentIndex(index);
  }
  Remember(index);
}

void PortChooser::Watch(const QString& device) {
  const ports::PortEntry* entry = EntryFor(device);
  openedDevice_ = entry != nullptr && entry->detected ? entry->detected->path : QString();
}

const ports::PortEntry* PortChooser::EntryFor(const QString& device) const {
  const int index = IndexOf(device);
  const bool listed = index >= 0 && static_cast<std::size_t>(index) < entries_.size();
  return listed ? &entries_[static_cast<std::size_t>(index)] : nullptr;
}

// A COM entry reaches the device its number resolves to now: the [Ports] map may have been
// edited since the list was filled, or the list not be filled yet.
QString PortChooser::DeviceAt(int index) const {
  const bool listed = index >= 0 && static_cast<std::size_t>(index) < entries_.size();
  if (listed && !entries_[static_cast<std::size_t>(index)].IsCom()) {
    return entries_[static_cast<std::size_t>(index)].device;
  }
  if (index < 0 || index >= ports::kComEntries) return {};
  return DeviceName(ComDevice(index + 1, prefs::PortMapResolver()));
}

int PortChooser::IndexOf(const QString& device) const {
  if (device.isEmpty()) return -1;
  for (int index = 0; index < list_->count(); ++index) {
    if (ports::SameDevice(DeviceAt(index), device)) return index;
  }
  return -1;
}

void PortChooser::Fill() {
  entries_ = ports::BuildPortList(source_->Devices(), ports::ComDevicesOf(prefs::PortMapResolver()),
                                  prefs::NetworkPorts());
  {
    const QSignalBlocker quiet(list_);
    list_->clear();
    for (const ports::PortEntry& entry : entries_) list_->addItem(entry.Label(language_));
    list_->addItem(AddNetworkPortText(language_));
  }
  Select();

  // An enumeration can leave out a device that is still there (one it could not open while this
  // window holds it): gone means its node is gone or its line hung up.
  const QList<ports::DetectedDevice> devices = source_->Devices();
  if (!openedDevice_.isEmpty() &&
      std::none_of(devices.begin(), devices.end(),
                   [this](const auto& device) { return device.path == openedDevice_; }) &&
      (!QFileInfo::exists(openedDevice_) || serial_.LineGone())) {
    openedDevice_.clear();
    emit OpenedDeviceGone();
  }
}

// The held device's entry while one is held; else the chosen device where it is listed, else the
// chosen COM entry.
void PortChooser::Select() {
  if (heldDevice_) {
    const QSignalBlocker quiet(list_);
    list_->setCurrentIndex(IndexOf(*heldDevice_));
    return;
  }
  int index = chosenCom_ - 1;
  const auto device = std::find_if(entries_.begin(), entries_.end(), [this](const auto& entry) {
    return entry.Reaches(chosenDevice_);
  });
  if (device != entries_.end()) index = static_cast<int>(device - entries_.begin());
  const QSignalBlocker quiet(list_);
  list_->setCurrentIndex(index);
}

// A selection made by the user or the window, not by filling the list.
void PortChooser::Remember(int index) {
  if (!entries_.empty() && index == static_cast<int>(entries_.size())) {
    // "Network port…" is no port: the choice stays where it was while the address is asked.
    Select();
    QTimer::singleShot(0, this, &PortChooser::AddNetworkPort);
    return;
  }
  const ports::PortEntry* entry = Selected();
  if (entry != nullptr && entry->network) {
    chosenDevice_ = entry->device;
    return;
  }
  if (entry != nullptr && !entry->IsCom()) {
    chosenDevice_ = entry->detected->stableName;
    return;
  }
  chosenCom_ = index + 1;
  chosenDevice_.clear();
}

void PortChooser::AddNetworkPort() {
  const QString address = addressDialog_ ? addressDialog_(list_->window(), language_) : QString();
  if (address.isEmpty() || !prefs::AddNetworkPort(address)) return;
  Fill();
  SelectDevice(address);
}

void PortChooser::RemoveSelectedNetworkPort() {
  const ports::PortEntry* entry = Selected();
  if (entry == nullptr || !entry->network || !list_->isEnabled()) return;
  const QString address = entry->device;
  if (!prefs::RemoveNetworkPort(address)) return;
  if (chosenDevice_ == address) chosenDevice_.clear();
  Fill();
}

const ports::PortEntry* PortChooser::Selected() const {
  const int index = list_->currentIndex();
  const bool listed = index >= 0 && static_cast<std::size_t>(index) < entries_.size();
  return listed ? &entries_[static_cast<std::size_t>(index)] : nullptr;
}
