#pragma once

#include <QIcon>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <utility>

#include "preferences.h"
#include "serial.h"

struct LanguageTexts;
class PortChooser;
class QComboBox;

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

  explicit TMainF(QWidget* parent = nullptr);
  ~TMainF() override;

  // Where messages go; the modal message dialog unless replaced (tests record them).
  void SetMessageSink(MessageSink sink) { messageSink_ = std::move(sink); }
  // Length of each pause between printer commands.
  void SetPauseMs(int milliseconds) { pauseMs_ = milliseconds; }
  // Where the port list's devices come from: the system's unless replaced (tests feed
  // pseudo-terminals); the list is filled from it at once.
  void SetDeviceSource(std::unique_ptr<ports::DeviceSource> source);

  bool IsConnected() const { return Connected != 0; }
  int CurrentFamily() const { return ModelFamily; }
  int CurrentLanguage() const { return Language; }

 public slots:
  void ConnectClick();
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
  void WriteTexts(const LanguageTexts& texts);
  void Message(const QString& text);
  int WriteCommand(std::span<const std::uint8_t> command);
  void Pump();
  void Pause();
  bool SendDipSwitch(int number, int value);
  // Writes a command of the sequence; false when the open port did not take all of it.
  bool Deliver(std::span<const std::uint8_t> command);
  // Reports a printer that stopped answering and disconnects it; always false.
  bool DropSilentPrinter();
  void StepProgress();
  // The connect-failed message, with why the port would not open when it was tried at rate.
  QString ConnectFailed(std::uint32_t rate) const;
  // The device of the connection has left the system: disconnects at once and says so.
  void DropVanishedPrinter();

  std::unique_ptr<Ui::TMainF> ui;
  // The image list of the flags: Bulgarian in colour, in grey, British in colour, in grey.
  std::array<QIcon, 4> LangImages;

  Tserial Serial;
  std::unique_ptr<PortChooser> portChooser_;
  std::array<std::uint8_t, 256> CommandBuffer{};
  std::uint8_t Connected = 0;
  std::int32_t ModelFamily = -1;
  std::int32_t Language = -1;

  MessageSink messageSink_;
  int pauseMs_ = kPauseMs;
  int runningSequences_ = 0;
  bool closed_ = false;
};
