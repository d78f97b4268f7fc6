#pragma once

#include <QFile>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <string>

#include "answering.h"
#include "virtual_printer.h"

// What a window bench stands on: a folder of its own for the settings and the window's cache,
// set before the application starts, and a virtual printer of one model reached as COM1.
class WindowBenchFolder {
 public:
  WindowBenchFolder() {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder_.path()));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(folder_.path()));
  }

 private:
  const QTemporaryDir folder_;
};

// The printer, once the application is there to write the settings file; none if it did not
// start.
inline std::unique_ptr<vprinter::VirtualPrinter> StartPrinterOnCom1(const std::string& model) {
  auto printer = std::make_unique<vprinter::VirtualPrinter>(AnsweringAs(model));
  if (!printer->Start()) return nullptr;
  QSettings(QSettings::NativeFormat, QSettings::UserScope, "Tavrin Ltd", "Quillsetter")
      .setValue("Ports/COM1", QString::fromStdString(printer->DevicePath()));
  return printer;
}
