// A printer behind a device server in the window: added through "Network port…", connected to
// like a cable, remembered across restarts, and removed again with Delete.
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "ser2net_server.h"
#include "window_fixture.h"

namespace {

using test_support::Ser2netProtocol;
using test_support::Ser2netServer;

}  // namespace

class NetworkPortChoiceTest : public WindowTest {
 protected:
  void SetUp() override {
    if (Ser2netServer::Program().empty()) GTEST_SKIP() << Ser2netServer::kMissing;
  }
  QString Current() const { return Find<QComboBox>("cbPort")->currentText(); }
};

TEST_F(NetworkPortChoiceTest, AnAddedPortIsConnectedRememberedAndRemoved) {
  vprinter::VirtualPrinter printer(AnsweringAs(kFamily0Model, 9600));
  ASSERT_TRUE(printer.Start());
  Ser2netServer server(printer.DevicePath(), Ser2netProtocol::Rfc2217);
  ASSERT_TRUE(server.Start());
  const QString url = QString::fromStdString(server.Url());
  const QString label =
      QStringLiteral("127.0.0.1:%1 — network, RFC 2217").arg(QString::number(server.Port()));

  int asked = 0;
  seams_.networkPort = [&](QWidget*, InterfaceLanguage) {
    ++asked;
    return QString(url);
  };
  OpenWindow();
  const int addEntry = static_cast<int>(Entries("cbPort").size());
  EXPECT_EQ(Find<QComboBox>("cbPort")->itemText(addEntry), "Network port…");
  Select("cbPort", addEntry);
  ASSERT_TRUE(WaitUntil([&] { return asked == 1 && Current() == label; }, 2000))
      << Current().toStdString();
  EXPECT_EQ(Stored("NetworkPorts/1").toString(), url);

  Select("cbBaud", 3);
  Click("Connect");
  ASSERT_TRUE(Connected(*window_)) << messages_.join(u'|').toStdString();
  EXPECT_EQ(Find<QLineEdit>("PrinterModel")->text(), kFamily0Model);
  Click("Connect");
  window_->close();
  EXPECT_EQ(Stored("PortDevice").toString(), url);

  OpenWindow();
  EXPECT_EQ(Current(), label) << "the added port is kept and chosen again";
  QTest::keyClick(Find<QComboBox>("cbPort"), Qt::Key_Delete);
  EXPECT_FALSE(Entries("cbPort").contains(label));
  EXPECT_FALSE(Stored("NetworkPorts/1").isValid());
  EXPECT_EQ(asked, 1);
}
