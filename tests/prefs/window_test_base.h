#pragma once

#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

#include "mainform.h"
#include "settings_folder.h"

// A window on a settings file of its own; its messages are recorded instead of shown.
class WindowTest : public testing::Test {
 protected:
  std::unique_ptr<TMainF> Open() {
    auto window = std::make_unique<TMainF>();
    window->SetMessageSink([this](const QString& text) { messages_ << text; });
    window->show();
    return window;
  }

  const SettingsFolder folder_;
  QStringList messages_;
};
