#include "window_fixture.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QSettings>

namespace {

QSettings Settings() {
  return {QSettings::NativeFormat, QSettings::UserScope, "Tavrin Ltd", "Quillsetter"};
}

}  // namespace

WindowTest::WindowTest() { Settings().clear(); }

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
  vprinter::Options options;
  options.reply = vprinter::ReplyForModel(model);
  return StartPrinter(std::move(options));
}

void WindowTest::Store(const QString& name, const QVariant& value) {
  QSettings settings = Settings();
  settings.setValue(name, value);
  settings.sync();
}

QVariant WindowTest::Stored(const QString& name) const { return Settings().value(name); }

TMainF& WindowTest::OpenWindow(std::unique_ptr<FedDeviceSource> devices) {
  window_ = std::make_unique<TMainF>();
  devices_ = devices.get();
  window_->SetDeviceSource(std::move(devices));
  window_->SetMessageSink([this](const QString& text) { messages_ << text; });
  window_->SetPauseMs(kShortPauseMs);
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
