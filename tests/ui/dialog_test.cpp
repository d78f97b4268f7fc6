// The message dialog the window shows its messages in.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <gtest/gtest.h>

#include "message_dialog.h"

TEST(MessageDialog, HasNoIconTheTitleAndOneOkButtonForEnterAndEscape) {
  const auto box = MakeMessageBox("Error communicating with printer");
  EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
  EXPECT_EQ(box->windowTitle(), "ui_tests");
  EXPECT_EQ(box->text(), "Error communicating with printer");
  ASSERT_EQ(box->buttons().size(), 1);
  EXPECT_EQ(box->standardButton(box->buttons().front()), QMessageBox::Ok);
  EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->buttons().front());
  EXPECT_EQ(box->escapeButton(), box->buttons().front());
}

TEST(MessageDialog, LongTextIsWrappedWithinHalfTheScreenAndCentred) {
  const QString longText =
      QString("Connect failed. Please verify you have selected the right ").repeated(6);
  const auto box = MakeMessageBox(longText);
  box->show();
  QApplication::processEvents();
  const QRect screen = box->screen()->availableGeometry();
  EXPECT_LE(box->width(), screen.width() / 2);
  EXPECT_LE((box->frameGeometry().center() - screen.center()).manhattanLength(), 4);
  box->close();
}

TEST(MessageDialog, IsAnnouncedAsAnAlertWithTheTitleAndTheText) {
  const auto box = MakeMessageBox("Error communicating with printer");
  box->show();
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(box.get());
  ASSERT_NE(accessible, nullptr);
  EXPECT_EQ(accessible->role(), QAccessible::AlertMessage);
  EXPECT_EQ(accessible->text(QAccessible::Name), "ui_tests");
  EXPECT_EQ(accessible->text(QAccessible::Description), "Error communicating with printer");
  QStringList children;
  for (int i = 0; i < accessible->childCount(); ++i) {
    children << accessible->child(i)->text(QAccessible::Name);
  }
  EXPECT_TRUE(children.contains("Error communicating with printer"))
      << children.join('|').toStdString();
  box->close();
}
