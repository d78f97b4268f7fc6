#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

#include "device_source.h"
#include "install_log.h"
#include "interface_language.h"
#include "message_dialog.h"
#include "network_port_dialog.h"
#include "restart_wait.h"
#include "settings_file_actions.h"
#include "settings_sequence.h"

class QWidget;

// What the window takes from outside itself, given once when it is made: the real dialogs, the
// system's devices, the install log in the application's data folder and the printer's real
// pauses and restart limit unless replaced (tests record the messages, answer the questions,
// feed pseudo-terminals as devices and shorten the waits).
struct WindowSeams {
  using MessageSink = std::function<void(const QString& text)>;
  // Asks for a line of text, with a suggestion; empty when the user cancels.
  using TextQuestion = std::function<QString(QWidget* parent, const QString& title,
                                             const QString& prompt, const QString& suggested)>;
  // Asks for a network port's address; empty when the user cancels.
  using AddressDialog = std::function<QString(QWidget* parent, InterfaceLanguage language)>;

  MessageSink message = ShowMessage;
  TextQuestion question = AskForText;             // what Code pages… prints
  FileDialog fileDialog = AskForFile;             // the file of Load and Save settings…
  AddressDialog networkPort = AskForNetworkPort;  // the address "Network port…" adds
  // Where the port list's devices come from; the system's when empty. The list is filled from
  // a given source at once.
  std::unique_ptr<ports::DeviceSource> devices;
  // Where every completed Set is logged.
  QString installLogPath = prefs::DefaultInstallLogPath();
  // The pause between printer commands.
  int pauseMs = printer::kSequencePauseMs;
  // How long the window waits for a printer to come back at a new rate.
  std::chrono::milliseconds restartLimit = printer::kRestartLimit;
};
