#pragma once

#include <QIcon>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

#include "background_job.h"
#include "interface_language.h"
#include "printer_search.h"
#include "pumped_send.h"
#include "restart_wait.h"
#include "serial.h"
#include "session.h"
#include "settings_file_actions.h"
#include "settings_sequence.h"
#include "window_seams.h"

class PortChooser;

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
  explicit TMainF(WindowSeams seams = {}, QWidget* parent = nullptr);
  ~TMainF() override;

  // Selects a settings file's printer settings in the lists, as "Load settings…" does.
  void LoadSettingsFile(const QString& path) { settingsFile_->LoadFrom(path); }

 public slots:
  void ConnectClick();
  void FindClick();
  void TestPageClick();
  void CodePagesClick();
  void SetClick();
  void ExitClick();
  void LangBGClick();
  void LangENClick();

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
  // Every change of what the window does: the controls follow it, the cursor shows that the
  // tool is busy while it connects, and the search and the restart wait hold the device they
  // are about in the port list.
  void ChangeActivity(Activity activity, const QString& heldDevice = {});
  // Every control's state and the captions that follow it, from what the window does, the
  // connection and its family.
  void UpdateControls();
  void ApplyLanguage();
  InterfaceLanguage Speaking() const { return InterfaceLanguageOf(Language); }
  void Message(const QString& text);
  printer::PrinterSettings ChosenSettings() const;

  // Connects to device at rate and says how it went; a connection's device is what the port
  // list holds from then on.
  void ConnectTo(const QString& device, std::uint32_t rate);
  // Sends the chosen settings, with the closing message of the DIP family; true when every step
  // went out, false when the printer fell silent, the line was lost or the send was stopped.
  bool SendSettings();
  // Runs steps on the printer with progress, pauses and pumps; a printer that stopped answering
  // is reported and disconnected.
  printer::SendOutcome RunOnPrinter(Activity activity, const PumpedSend::Steps& run);
  // The slip, where asked for, and the install log's line for a completed send.
  void RecordCompletedSend(const printer::PrinterSettings& settings);
  // The device of the connection has left the system: disconnects at once and says so.
  void DropVanishedPrinter();

  void FinishSearch(const printer::SearchResult& result, const QString& modelBefore,
                    int maximumBefore);
  void FollowRateChange(const printer::RateChangeAfterSend& after);
  void FinishRestartWait(const printer::RestartResult& result, const printer::RestartWait& wait,
                         int maximumBefore);

  std::unique_ptr<Ui::TMainF> ui;
  // The image list of the flags: Bulgarian in colour, in grey, British in colour, in grey.
  std::array<QIcon, 4> LangImages;
  std::array<QIcon, 2> bolts_;  // off, on

  Tserial Serial;
  printer::Session session_{Serial};
  std::unique_ptr<PortChooser> portChooser_;
  // The stored language number: 0 Bulgarian, 1 English, -1 or any other not applied.
  std::int32_t Language = -1;

  WindowSeams seams_;
  SettingsFileActions* settingsFile_ = nullptr;  // a child of the window
  std::unique_ptr<PumpedSend> send_;
  Activity activity_ = Activity::Idle;
  // Connect's caption is in English after a connect or a disconnect, and in the window's
  // language once the language is applied.
  InterfaceLanguage connectCaptionLanguage_ = InterfaceLanguage::English;
  // Set stays usable after a send whatever its end; a connect or a disconnect decides anew.
  bool setLeftOn_ = false;
  int runningHandlers_ = 0;
  bool closed_ = false;
  // Declared last so that it stops and joins before the controls its reports touch are gone.
  BackgroundJob worker_;
};
