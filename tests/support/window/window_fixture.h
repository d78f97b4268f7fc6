#pragma once

#include <QComboBox>
#include <QStringList>
#include <QVariant>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "answering.h"
#include "fed_device_source.h"
#include "mainform.h"
#include "printer_models.h"
#include "virtual_printer.h"
#include "wait_until.h"
#include "window_seams.h"
#include "window_state.h"

using Bytes = std::vector<std::uint8_t>;

// What a window under test is given: its messages recorded in messages instead of shown, the
// rest as the real window has it.
WindowSeams RecordingSeams(QStringList& messages);

// The real window on the offscreen platform, talking through COM1 to a virtual printer on a pty,
// with its own settings file; messages are recorded instead of shown.
class WindowTest : public testing::Test {
 protected:
  static constexpr int kShortPauseMs = 10;

  WindowTest();
  void TearDown() override;

  // Starts a printer and points COM1 at it in the settings file.
  vprinter::VirtualPrinter& StartPrinter(vprinter::Options options);
  vprinter::VirtualPrinter& StartPrinter(const std::string& model);
  // Stores a value in the settings file before the window reads it.
  void Store(const QString& name, const QVariant& value);
  QVariant Stored(const QString& name) const;

  // Recorded messages and short pauses.
  WindowSeams FixtureSeams();
  // Makes and shows the window with seams_; pauses are short unless a test sets them back. Its
  // port list takes its devices from the source given (devices_ from then on), else from an
  // empty one.
  TMainF& OpenWindow(
      std::unique_ptr<FedDeviceSource> devices = std::make_unique<FedDeviceSource>());
  void Settle();  // hands pending events (layout, repaint) to the loop

  template <class Widget>
  Widget* Find(const char* name) const {
    auto* widget = window_->findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void Click(const char* button) const;
  void Select(const char* list, int index) const { Find<QComboBox>(list)->setCurrentIndex(index); }
  int Selected(const char* list) const { return Find<QComboBox>(list)->currentIndex(); }
  // The entries of a list; of the port list, those that reach a port.
  QStringList Entries(const char* list) const;
  bool Shown(const char* name) const;

  // Everything the printer received, once at least byteCount bytes are there.
  Bytes ReceivedAtLeast(std::size_t byteCount) const;

  QStringList messages_;
  // What the next window is given; a test changes it before OpenWindow, which puts it back to
  // the fixture's own.
  WindowSeams seams_;
  std::unique_ptr<vprinter::VirtualPrinter> printer_;
  std::unique_ptr<TMainF> window_;
  FedDeviceSource* devices_ = nullptr;  // the open window's, owned by it
};

Bytes Concat(std::initializer_list<Bytes> parts);
