#pragma once

#include <QIcon>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "background_job.h"
#include "interface_language.h"
#include "printer_search.h"
#include "restart_wait.h"
#include "serial.h"
#include "session.h"
#include "settings_file_actions.h"
#include "settings_sequence.h"

class PortChooser;

// Asks for a line of text, with a suggestion; empty when the user cancels.
QString AskForText(QWidget* parent, const QString& title, const QString& prompt,
                   const QString& suggested);
class QEventLoop;

namespace ports {
class DeviceSource;
}

namespace Ui {
class TMainF;
}

// The tool's one window: its handlers read the lists, hand the values to the printer session
// (or to a search or a wait on the worker thread), and turn what comes back into captions and
// messages.
class TMainF : public QWidget {
  Q_OBJECT
  Q_DISABLE_COPY_MOVE(TMainF)

 public:
  using MessageSink = std::function<void(const QString&)>;

  static constexpr int kPauseMs = printer::kSequencePauseMs;
  static constexpr int kRestartLimitMs = static_cast<int>(printer::kRestartLimit.count());

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
  // Selects a settings file's printer settings in the lists, as "Load settings…" does.
  void LoadSettingsFile(const QString& path) { settingsFile_->LoadFrom(path); }
  // Where "Network port…" asks for an address; a dialog unless replaced (tests give it).
  void SetNetworkPortDialog(std::function<QString(QWidget*, InterfaceLanguage)> dialog);
  // Where Code pages… asks for its text; an input dialog unless replaced (tests answer).
  using TextQuestion = std::function<QString(QWidget* parent, const QString& title,
                                             const QString& prompt, const QString& suggested)>;
  void SetTextQuestion(TextQuestion question) { textQuestion_ = std::move(question); }
  // Where every completed Set is logged: installs.jsonl in the application's data folder unless
  // replaced.
  void SetInstallLogPath(const QString& path) { installLogPath_ = path; }
  // Where the port list's devices come from: the system's unless replaced (tests feed
  // pseudo-terminals); the list is filled from it at once.
  void SetDeviceSource(std::unique_ptr<ports::DeviceSource> source);

  bool IsConnected() const { return session_.IsConnected(); }
  int CurrentFamily() const { return session_.Family(); }
  int CurrentLanguage() const { return Language; }

 public slots:
  void ConnectClick();
  void FindClick();
  void TestPageClick();
  void CodePagesClick();
  void SetClick();
  void ExitClick();
  void LangBGClick();
  void LangENClick();

 public:
  // True when the sequence ran to its end; false when the printer missed the liveness check.
  bool SendSettings();
  // Every control's state and the captions that follow it, from what the window does, the
  // connection and its family.
  void UpdateControls();
  void ApplyLanguage();
  void ShowFlags();

 signals:
  // The window has closed and none of its handlers is still running: the program may end.
  void Finished();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // What the window is doing; only one thing at a time.
  enum class Activity { Idle, Connecting, Sending, Searching, WaitingForRestart, PrintingTestPage };

  class RunningHandler;
  class ActivityScope;

  void FormCreate();
  void FormClose();
  InterfaceLanguage Speaking() const { return InterfaceLanguageOf(Language); }
  void Message(const QString& text);
  printer::PrinterSettings ChosenSettings() const;

  // Connects to device at rate and says how it went; a connection's device is what the port
  // list holds from then on.
  void ConnectTo(const QString& device, std::uint32_t rate);
  void ShowDisconnected();
  // Runs steps on the printer with progress, pauses and pumps; a printer that stopped answering
  // is reported and disconnected.
  printer::SendOutcome RunOnPrinter(
      Activity activity,
      const std::function<printer::SendOutcome(const printer::SendHooks& hooks)>& run);
  void DropSilentPrinter();
  // The slip, where asked for, and the install log's line for a completed send.
  void RecordCompletedSend(const printer::PrinterSettings& settings);
  // The device of the connection has left the system: disconnects at once and says so.
  void DropVanishedPrinter();
  void StopSend();
  bool Pause(int ms);

  void FinishSearch(const printer::SearchResult& result, const QString& modelBefore,
                    int maximumBefore);
  void FollowRateChange(const printer::RateChangeAfterSend& after);
  void FinishRestartWait(const printer::RestartResult& result, const printer::RestartWait& wait,
                         int maximumBefore);
  void ReconnectAt(const std::string& device, std::uint32_t rate, const QString& report);
  void SelectRate(std::uint32_t rate);

  std::unique_ptr<Ui::TMainF> ui;
  // The image list of the flags: Bulgarian in colour, in grey, British in colour, in grey.
  std::array<QIcon, 4> LangImages;
  std::array<QIcon, 2> bolts_;  // off, on

  Tserial Serial;
  printer::Session session_{Serial};
  std::unique_ptr<PortChooser> portChooser_;
  // The stored language number: 0 Bulgarian, 1 English, -1 or any other not applied.
  std::int32_t Language = -1;

  MessageSink messageSink_;
  TextQuestion textQuestion_;
  QString installLogPath_;
  SettingsFileActions* settingsFile_ = nullptr;  // a child of the window
  int pauseMs_ = kPauseMs;
  int restartLimitMs_ = kRestartLimitMs;
  Activity activity_ = Activity::Idle;
  // Connect's caption is in English after a connect or a disconnect, and in the window's
  // language once the language is applied.
  InterfaceLanguage connectCaptionLanguage_ = InterfaceLanguage::English;
  // Set stays usable after a send whatever its end; a connect or a disconnect decides anew.
  bool setLeftOn_ = false;
  bool stopSend_ = false;
  int runningHandlers_ = 0;
  bool closed_ = false;
  QEventLoop* pauseLoop_ = nullptr;
  // Declared last so that it stops and joins before the controls its reports touch are gone.
  BackgroundJob worker_;
};
