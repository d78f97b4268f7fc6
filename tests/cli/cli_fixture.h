#pragma once

// quillsetter-cli run as a program with the test's own settings folder, against virtual
// printers on ptys reached as COM<n> through the [Ports] map.
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "answering.h"
#include "printer_models.h"
#include "virtual_printer.h"

using Bytes = std::vector<std::uint8_t>;

struct Outcome {
  int status = -1;
  QString out;
  QString err;
};

// The settings folder main made for the whole run: Qt takes the user's configuration folder once
// per process, and the program under test gets the same one.
class CliTest : public testing::Test {
 protected:
  void SetUp() override { Settings().clear(); }
  void TearDown() override { Settings().clear(); }

  static QSettings Settings() {
    return {QSettings::NativeFormat, QSettings::UserScope, "Tavrin Ltd", "Quillsetter"};
  }

  // Starts a printer reached as COM<number>.
  vprinter::VirtualPrinter& AddPrinter(int number, vprinter::Options options) {
    printers_.push_back(std::make_unique<vprinter::VirtualPrinter>(std::move(options)));
    EXPECT_TRUE(printers_.back()->Start());
    QSettings settings = Settings();
    settings.setValue(QStringLiteral("Ports/COM%1").arg(number),
                      QString::fromStdString(printers_.back()->DevicePath()));
    settings.sync();
    return *printers_.back();
  }

  void Start(const QStringList& arguments) {
    process_.start(QStringLiteral(QUILLSETTER_CLI), arguments);
    ASSERT_TRUE(process_.waitForStarted(5000));
  }

  Outcome Finish(int timeoutMs = 20000) {
    process_.waitForFinished(timeoutMs);
    return {process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1,
            QString::fromUtf8(process_.readAllStandardOutput()).trimmed(),
            QString::fromUtf8(process_.readAllStandardError()).trimmed()};
  }

  Outcome Cli(const QStringList& arguments) {
    Start(arguments);
    return Finish();
  }

  QString SettingsFile(const QStringList& lines) {
    QString path = config_.filePath(QStringLiteral("shop.quillsetter"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(("[Printer]\n" + lines.join(u'\n') + u'\n').toUtf8());
    return path;
  }

  const QDir config_{qEnvironmentVariable("XDG_CONFIG_HOME")};
  std::vector<std::unique_ptr<vprinter::VirtualPrinter>> printers_;
  QProcess process_;
};

inline QJsonObject Json(const QString& text) {
  return QJsonDocument::fromJson(text.toUtf8()).object();
}

inline QJsonObject Expected(const char* port, const std::string& device, int baud,
                            const char* model, int family) {
  return {{"port", port},
          {"device", QString::fromStdString(device)},
          {"baud", baud},
          {"model", model},
          {"family", family}};
}
