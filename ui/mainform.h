#pragma once

#include <QIcon>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "background_job.h"
#include "preferences.h"
#include "printer_search.h"
#include "serial.h"
#include "settings_file_actions.h"
#include "settings_sequence.h"

struct LanguageTexts;
class PortChooser;
class QComboBox;
class QEventLoop;

namespace ports {
class DeviceSource;
}

namespace Ui {
class TMainF;
}

// The tool's one window and its controller: owns the serial channel, the command buffer and
// the connection state; its handlers run every procedure of the tool.
class TMainF : public QWidget {
  Q_OBJECT
  Q_DISABLE_COPY_MOVE(TMainF)

 public:
  using MessageSink = std::function<void(const QString&)>;

  static constexpr int kPauseMs = 1500;
  static constexpr int kRestartLimitMs = 120000;

  explicit TMainF(QWidget* parent = nullptr);
  ~TMainF() override;

  // Where messages go; the modal message dialog unless replaced (tests record them).
  void SetMessageSink(MessageSink sink) { messageSink_ = std::move(sink); }
  // Length of each pause between printer commands.
  void SetPauseMs(int milliseconds) { pauseMs_ = milliseconds; }
  // How long the window waits for a printer to come back at a new rate.
  void SetRestartLimitMs(int milliseconds) { restartLimitMs_ = milliseconds; }
  // Where the settings-file buttons ask for a file; the platform's file dialogs unless replaced
  // (tests name the file).
  void SetFileDialog(FileDialog dialog) { settingsFile_->SetFileDialog(std::move(dialog)); }
  // Where the port list's devices come from: the system's unless replaced (tests feed
  // pseudo-terminals); the list is filled from it at once.
  void SetDeviceSource(std::unique_ptr<ports::DeviceSource> source);

  bool IsConnected() const { return Connected != 0; }
  int CurrentFamily() const { return ModelFamily; }
  int CurrentLanguage() const { return Language; }

 public slots:
  void ConnectClick();
  void FindClick();
  void TestPageClick();
  void SetClick();
  void ExitClick();
  void LangBGClick();
  void LangENClick();

 public:
  // True when the sequence ran to its end; false when the printer missed the liveness check.
  bool SendSettings();
  void UpdateControls();
  void ApplyLanguage();
  void ShowFlags();

 signals:
  // The window has closed and none of its handlers is still running: the program may end.
  void Finished();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void FormClose();
  void FillLists();
  void FitColumns();
  // The lists whose selection is stored, with their stored value (the port aside).
  std::array<std::pair<QComboBox*, int prefs::StoredChoices::*>, 11> StoredLists() const;
  void WriteTexts(int language);
  void Message(const QString& text);
  // The printer settings the lists show.
  printer::PrinterSettings ChosenSettings() const;
  void SetSettingListsEnabled(bool enabled);
  // The port and rate lists and their labels: off while connected, searching or waiting.
  void SetPortChoiceEnabled(bool enabled);
  // Turns the controls a send must not meet off while it runs, and on again after it.
  void WithSendControlsOff(const std::function<void()>& send);
  bool PrintTestPage();
  // Runs steps on the printer with progress, pauses and pumps; a printer that stopped answering
  // is reported and disconnected.
  printer::SendOutcome RunOnPrinter(const printer::SettingsSequence& steps, bool checkAlive);
  void FollowRateChange(std::uint32_t newRate, std::uint32_t oldRate);
  void ReconnectAt(std::uint32_t rate, const QString& report);
  void SelectRate(std::uint32_t rate);
  // Reports a printer that stopped answering and disconnects it; always false.
  bool DropSilentPrinter();
  void StopSend();
  void Pump();
  bool Pause(int ms);
  // The connect-failed message, with why the port would not open when it was tried at rate.
  QString ConnectFailed(std::uint32_t rate) const;
  // The device of the connection has left the system: disconnects at once and says so.
  void DropVanishedPrinter();

  void ShowSearching(bool searching);
  void FinishSearch(const printer::SearchResult& result, const std::vector<int>& portIndices,
                    const QString& modelBefore, int maximumBefore);

  class RunningHandler;

  std::unique_ptr<Ui::TMainF> ui;
  // The image list of the flags: Bulgarian in colour, in grey, British in colour, in grey.
  std::array<QIcon, 4> LangImages;

  Tserial Serial;
  std::unique_ptr<PortChooser> portChooser_;
  std::uint8_t Connected = 0;
  std::int32_t ModelFamily = -1;
  std::int32_t Language = -1;

  MessageSink messageSink_;
  SettingsFileActions* settingsFile_ = nullptr;  // a child of the window
  int pauseMs_ = kPauseMs;
  int restartLimitMs_ = kRestartLimitMs;
  std::string connectedDevice_;  // the device of the last connection
  // What the worker thread does: only one at a time.
  enum class Task { None, Search, RestartWait };
  Task task_ = Task::None;
  int runningHandlers_ = 0;
  bool closed_ = false;
  bool sending_ = false;
  bool stopSend_ = false;
  QEventLoop* pauseLoop_ = nullptr;
  // Declared last so that it stops and joins before the controls its reports touch are gone.
  BackgroundJob worker_;
};
