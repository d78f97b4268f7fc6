#include "window_fixture.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QSettings>

#include <utility>

namespace {

QSettings Settings() {
  return {QSettings::NativeFormat, QSettings::UserScope, "Tavrin Ltd", "Quillsetter"};
}

}  // namespace

WindowSeams RecordingSeams(QStringList& messages) {
  WindowSeams seams;
  seams.message = [&messages](const QString& text) { messages << text; };
  return seams;
}

WindowTest::WindowTest() : seams_(FixtureSeams()) { Settings().clear(); }

WindowSeams WindowTest::FixtureSeams() {
  WindowSeams seams = RecordingSeams(messages_);
  seams.pauseMs = kShortPauseMs;
  return seams;
}

void WindowTest::TearDown() {
  window_.reset();
  if (printer_) printer_->Stop();
  Settings().clear();
}

vprinter::VirtualPrinter& WindowTest::StartPrinter(vprinter::Options options) {
  printer_ = std::make_unique<vprinter::VirtualPrinter>(std::move(options));
  EXPECT_TRUE(printer_->Start());
  Store("Ports/COM1", QString::fromStdString(printer_->DevicePath()));
  return *printer_;
}

vprinter::VirtualPrinter& WindowTest::StartPrinter(const std::string& model) {
  return StartPrinter(AnsweringAs(model));
}

void WindowTest::Store(const QString& name, const QVariant& value) {
  QSettings settings = Settings();
  settings.setValue(name, value);
  settings.sync();
}

QVariant WindowTest::Stored(const QString& name) const { return Settings().value(name); }

TMainF& WindowTest::OpenWindow(std::unique_ptr<FedDeviceSource> devices) {
  devices_ = devices.get();
  seams_.devices = std::move(devices);
  window_ = std::make_unique<TMainF>(std::exchange(seams_, FixtureSeams()));
  window_->show();
  Settle();
  return *window_;
}

void WindowTest::Settle() { QCoreApplication::processEvents(); }

void WindowTest::Click(const char* button) const { Find<QAbstractButton>(button)->click(); }

QStringList WindowTest::Entries(const char* list) const {
  const QComboBox* box = Find<QComboBox>(list);
  QStringList entries;
  for (int i = 0; i < box->count(); ++i) entries << box->itemText(i);
  // The port list ends with the entry that adds a network port; it reaches no port.
  if (!entries.isEmpty() && entries.last().endsWith(u'…') && !entries.last().contains(u'—')) {
    entries.removeLast();
  }
  return entries;
}

bool WindowTest::Shown(const char* name) const {
  return Find<QWidget>(name)->isVisibleTo(window_.get());
}

Bytes WindowTest::ReceivedAtLeast(std::size_t byteCount) const {
  printer_->WaitForReceived(byteCount, 2000);
  return printer_->Received();
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}
