#pragma once

#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

#include "mainform.h"
#include "settings_folder.h"
#include "window_fixture.h"

// A window on a settings file of its own, with the system's devices and the real pauses; its
// messages are recorded instead of shown.
class FolderWindowTest : public testing::Test {
 protected:
  std::unique_ptr<TMainF> Open() {
    auto window = std::make_unique<TMainF>(RecordingSeams(messages_));
    window->show();
    return window;
  }

  const SettingsFolder folder_;
  QStringList messages_;
};
