#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device_source.h"
#include "interface_language.h"
#include "port_list.h"

class PortComboBox;
class QWidget;

// A device as the port list names it, and as Tserial opens it.
QString DeviceName(const std::string& device);
std::string DevicePath(const QString& device);
class Tserial;

// The window's port list: fills cbPort from a device source (COM1 to COM6 first, then the
// detected devices), keeps the selection on the chosen device while devices come and go, and
// says when the device of a connection leaves.
class PortChooser : public QObject {
  Q_OBJECT

 public:
  // serial resolves the device each COM entry opens.
  PortChooser(PortComboBox* list, const Tserial& serial);
  ~PortChooser() override;
  Q_DISABLE_COPY_MOVE(PortChooser)

  // Where devices come from from now on; the list is filled from it at once.
  void SetSource(std::unique_ptr<ports::DeviceSource> source);
  // Fills the list from the system's devices unless a source was set or the list is no longer
  // shown; not on the way to the first paint.
  void Start();

  // The stored choice: the device when it is there, else COM<comNumber> (none outside 1 to 6).
  void Choose(int comNumber, const QString& device);
  // What to store: the COM entry chosen last (0 for none), and the detected device chosen after
  // it (empty when a COM entry was chosen last), kept while the device is away.
  int ChosenCom() const { return chosenCom_; }
  const QString& ChosenDevice() const { return chosenDevice_; }

  void SetLanguage(InterfaceLanguage language);

  // Asks for a network port's address; empty when the user cancels. The list's last entry,
  // "Network port…", asks; Delete on a network entry removes it.
  using AddressDialog = std::function<QString(QWidget* parent, InterfaceLanguage language)>;
  void SetAddressDialog(AddressDialog dialog) { addressDialog_ = std::move(dialog); }

  const std::vector<ports::PortEntry>& Entries() const { return entries_; }
  // The entry that reaches device; none when no entry does.
  const ports::PortEntry* EntryFor(const QString& device) const;
  // The device the selected entry opens now; empty when nothing is selected.
  QString SelectedDevice() const;

  // While work is under way on a device (a connection, a search, a wait) the selection stays on
  // the entry that reaches it, whatever comes and goes, and none while no entry does.
  void Hold(const QString& device);
  void Release();
  // Chooses the entry that reaches device, as the user would; nothing changes when none does.
  void SelectDevice(const QString& device);
  // The device of the connection from now on (empty: none), for OpenedDeviceGone.
  void Watch(const QString& device);

 signals:
  // The detected device being watched has left the system: no longer listed, and its node gone
  // or its line hung up.
  void OpenedDeviceGone();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Fill();
  void Select();
  void AddNetworkPort();
  void RemoveSelectedNetworkPort();
  void Remember(int index);
  const ports::PortEntry* Selected() const;
  QString DeviceAt(int index) const;
  int IndexOf(const QString& device) const;

  PortComboBox* list_;
  const Tserial& serial_;
  std::unique_ptr<ports::DeviceSource> source_;
  std::vector<ports::PortEntry> entries_;
  InterfaceLanguage language_ = InterfaceLanguage::English;
  int chosenCom_ = 1;
  QString chosenDevice_;
  QString openedDevice_;
  std::optional<QString> heldDevice_;
  AddressDialog addressDialog_;
  bool painted_ = false;
};
