#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

#include "device_source.h"
#include "port_list.h"
#include "text_language.h"

class PortComboBox;
class Tserial;

// The window's port list: fills cbPort from a device source (COM1 to COM6 first, then the
// detected devices), keeps the selection on the chosen device while devices come and go, and
// opens the selected entry on Connect.
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

  void SetLanguage(ports::TextLanguage language);

  const std::vector<ports::PortEntry>& Entries() const { return entries_; }
  // The device the selected entry opens; empty when nothing is selected.
  QString SelectedDevice() const;

  // Opens the selected entry: a COM entry by its number as always, a detected device by its path.
  bool OpenSelected(Tserial& serial, std::uint32_t baudRate);

 signals:
  // The detected device the last OpenSelected reached has left the system: no longer listed, and
  // its node gone or its line hung up.
  void OpenedDeviceGone();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Fill();
  void Select();
  void Remember(int index);
  const ports::PortEntry* Selected() const;

  PortComboBox* list_;
  const Tserial& serial_;
  std::unique_ptr<ports::DeviceSource> source_;
  std::vector<ports::PortEntry> entries_;
  ports::TextLanguage language_ = ports::TextLanguage::English;
  int chosenCom_ = 1;
  QString chosenDevice_;
  QString openedDevice_;
};
