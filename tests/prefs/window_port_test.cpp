#include <QAbstractButton>

#include <gtest/gtest.h>

#include "answering.h"
#include "file_events.h"
#include "folder_window_test.h"
#include "printer_models.h"
#include "settings_folder.h"
#include "virtual_printer.h"
#include "window_state.h"

namespace {

QByteArray Device(const vprinter::VirtualPrinter& printer) {
  return QByteArray::fromStdString(printer.DevicePath());
}

void ClickConnect(const TMainF& window) { window.findChild<QAbstractButton*>("Connect")->click(); }

using PortMap = FolderWindowTest;

TEST_F(PortMap, ConnectOpensTheDeviceMappedToTheChosenPortAndSeesEdits) {
  vprinter::VirtualPrinter first(AnsweringAs(kFamily1Model));
  vprinter::VirtualPrinter second(AnsweringAs(kFamily1Model));
  ASSERT_TRUE(first.Start());
  ASSERT_TRUE(second.Start());
  folder_.Write("[General]\nPort=3\n\n[Ports]\nCOM1=" + Device(second) + "\nCOM3=" + Device(first) +
                "\n");
  const auto window = Open();
  ASSERT_EQ(List(*window, "cbPort")->currentIndex(), 2);

  ClickConnect(*window);
  EXPECT_TRUE(Connected(*window));
  EXPECT_EQ(first.IdentifyCount(), 1);
  EXPECT_EQ(second.IdentifyCount(), 0);
  ClickConnect(*window);
  ASSERT_FALSE(Connected(*window));

  // Edited while the tool runs; the next Connect reads the map anew.
  folder_.Write("[General]\nPort=3\n\n[Ports]\nCOM3=" + Device(second) + "\nCOM4=/dev/null\n");
  ClickConnect(*window);
  EXPECT_TRUE(Connected(*window));
  EXPECT_EQ(first.IdentifyCount(), 1);
  EXPECT_EQ(second.IdentifyCount(), 1);
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join(u'|').toStdString();
}

TEST_F(PortMap, ClosingWhileConnectedClosesThePortBeforeTheFileIsWritten) {
  vprinter::VirtualPrinter printer(AnsweringAs(kFamily1Model));
  ASSERT_TRUE(printer.Start());
  folder_.Write("[Ports]\nCOM1=" + Device(printer) + "\n");
  const auto window = Open();
  ClickConnect(*window);
  ASSERT_TRUE(Connected(*window));

  FileEvents events(QString::fromStdString(printer.DevicePath()), folder_.OrganisationPath());
  ASSERT_TRUE(events.Watching());
  window->close();
  const QStringList seen = events.Take();
  ASSERT_FALSE(seen.isEmpty());
  EXPECT_EQ(seen.first(), "closed") << seen.join(u'|').toStdString();
  EXPECT_EQ(seen.count("closed"), 1) << seen.join(u'|').toStdString();
  EXPECT_TRUE(seen.contains("moved Quillsetter.conf")) << seen.join(u'|').toStdString();
  EXPECT_EQ(folder_.Values().value("Ports/COM1"), Device(printer));
  EXPECT_EQ(folder_.Values().value("Baud"), "7");
}

}  // namespace
