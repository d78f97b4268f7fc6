// The real window under Wine, in-process on Qt's offscreen platform, as the Linux window tests
// run it: its choices in the registry (read back with the registry calls themselves), its first
// language from GetACP(), the port list from Windows' own enumeration, and printers that run.sh
// starts on the Linux side: a family-1 printer reached as COM1, a family-0 printer behind ser2net
// over RFC 2217. run.sh passes the printers' logs of what they received and the address.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "mainform.h"
#include "printer_models.h"
#include "registry_key.h"
#include "wait_until.h"
#include "window_seams.h"
#include "window_state.h"

// gtest shows a QString, and each of a QStringList, as its text.
void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

using Bytes = std::vector<std::uint8_t>;

const QString kConnectFailed =
    "Connect failed. Please verify you have selected the right com port, the right baudrate (can "
    "be seen on printer's selftest) and you have no windows printer driver attached to this com "
    "port. This can be verified from Control Panel->Printers";
const QString kOperationComplete =
    "Operation complete. In order to DIP settings changes take effect you have to turn off and on "
    "your printer!";
constexpr int kShortPauseMs = 10;
// A family-1 Set pauses after the settings end and after each of the eight DIP switches.
constexpr int kFamilyOnePauses = 9;

// What a Linux virtual printer received, from its log of JSON lines ({"ms":..,"hex":".."}),
// counted from the last mark.
class PrinterLog {
 public:
  explicit PrinterLog(const char* variable) : path_(qEnvironmentVariable(variable)) {}

  bool Given() const { return !path_.isEmpty(); }
  void Mark() { mark_ = QFile(path_).size(); }
  // Every byte since the mark, once at least byteCount are there (or after five seconds).
  Bytes SinceMark(std::size_t byteCount) const {
    Bytes bytes;
    WaitUntil(
        [&] {
          bytes = Read();
          return bytes.size() >= byteCount;
        },
        5000);
    return bytes;
  }

 private:
  Bytes Read() const {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(mark_)) return {};
    static const QRegularExpression kHex(QStringLiteral("\"hex\":\"([0-9a-f]*)\""));
    Bytes bytes;
    for (auto match = kHex.globalMatch(QString::fromLatin1(file.readAll())); match.hasNext();) {
      const QByteArray chunk = QByteArray::fromHex(match.next().captured(1).toLatin1());
      bytes.insert(bytes.end(), chunk.begin(), chunk.end());
    }
    return bytes;
  }

  QString path_;
  qint64 mark_ = 0;
};

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// The registry's number as the window wrote it: -1 is 0xFFFFFFFF.
std::pair<DWORD, int> Stored(const RegistryValues& values, const wchar_t* name) {
  const auto value = values.find(name);
  if (value == values.end()) return {REG_NONE, 0};
  return {value->second.type, static_cast<int>(value->second.Dword())};
}

class WindowUnderWine : public testing::Test {
 protected:
  void SetUp() override { DeleteQuillsetterKey(); }
  void TearDown() override {
    window_.reset();
    DeleteQuillsetterKey();
  }

  // The window with the seams of these tests, all set here: messages are recorded, pauses last
  // pauseMs, completed sends are logged in this run's folder, and "Network port…" is answered
  // with networkPort.
  TMainF& OpenWindow(int pauseMs = kShortPauseMs, const QString& networkPort = {}) {
    WindowSeams seams;
    seams.message = [this](const QString& text) { messages_ << text; };
    seams.pauseMs = pauseMs;
    seams.installLogPath = folder_.filePath(QStringLiteral("installs.jsonl"));
    seams.networkPort = [networkPort](QWidget*, InterfaceLanguage) { return networkPort; };
    window_ = std::make_unique<TMainF>(std::move(seams));
    window_->show();
    // The system's ports are listed once the window has been painted; COM1 leads to a printer.
    EXPECT_TRUE(WaitUntil([this] { return Com1Listed(); }, 5000))
        << Find<QComboBox>("cbPort")->itemText(0).toStdString();
    return *window_;
  }
  // Closes the window as the user does; it stores its choices.
  void CloseWindow() {
    window_->close();
    window_.reset();
  }

  template <class Widget>
  Widget* Find(const char* name) const {
    auto* widget = window_->findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void Click(const char* button) const { Find<QAbstractButton>(button)->click(); }
  void Select(const char* list, int index) const { Find<QComboBox>(list)->setCurrentIndex(index); }
  int Selected(const char* list) const { return Find<QComboBox>(list)->currentIndex(); }
  int Language() const { return ShownLanguage(*window_); }
  // Until the list is filled its entries are bare "COM1" to "COM6".
  bool Com1Listed() const {
    const QString com1 = Find<QComboBox>("cbPort")->itemText(0);
    return com1.startsWith(QStringLiteral("COM1 — ")) &&
           !com1.endsWith(QStringLiteral("not present")) &&
           !com1.endsWith(QStringLiteral("няма устройство"));
  }
  std::string Messages() const { return messages_.join(u'|').toStdString(); }

  QTemporaryDir folder_;
  QStringList messages_;
  std::unique_ptr<TMainF> window_;
};

// run.sh runs this under LC_ALL=bg_BG.UTF-8 (GetACP() 1251) and under C.UTF-8.
TEST_F(WindowUnderWine, FirstStartSpeaksTheSystemsLanguage) {
  const QByteArray expected = qgetenv("QUILLSETTER_EXPECT_CYRILLIC");
  if (expected.isEmpty()) GTEST_SKIP() << "run.sh says whether the system is Cyrillic";
  const bool bulgarian = expected == "1";
  ASSERT_TRUE(QuillsetterValues().empty());
  OpenWindow();
  EXPECT_EQ(Language(), bulgarian ? 0 : 1) << "GetACP() " << GetACP();
  EXPECT_EQ(Find<QLabel>("lbPort")->text(),
            bulgarian ? QStringLiteral("Сериен порт:") : QStringLiteral("COM port:"));
  // Wine's ports have no description of their own.
  EXPECT_EQ(Find<QComboBox>("cbPort")->itemText(0), bulgarian
                                                        ? QStringLiteral("COM1 — Сериен порт")
                                                        : QStringLiteral("COM1 — Serial port"));
  CloseWindow();
  EXPECT_EQ(Stored(QuillsetterValues(), L"Language"),
            std::make_pair(static_cast<DWORD>(REG_DWORD), bulgarian ? 0 : 1));
  EXPECT_TRUE(messages_.isEmpty()) << Messages();
}

// Connect at COM1 / 115200 and Set, with the printer's 1.5 s pauses: the bytes on the wire are
// exact, and the Set lasts at least its nine pauses.
TEST_F(WindowUnderWine, SetsAFamilyOnePrinterOnCom1WithTheRealPauses) {
  PrinterLog printer("QUILLSETTER_COM1_LOG");
  ASSERT_TRUE(printer.Given()) << "run.sh gives the COM1 printer's log";
  OpenWindow(printer::kSequencePauseMs);
  ASSERT_EQ(Find<QComboBox>("cbPort")->currentText().left(4), "COM1");
  ASSERT_EQ(Selected("cbBaud"), 7);
  printer.Mark();
  Click("Connect");
  ASSERT_TRUE(Connected(*window_)) << Messages();
  EXPECT_EQ(Find<QLineEdit>("PrinterModel")->text(), kFamily1Model);
  EXPECT_EQ(printer.SinceMark(2), Bytes({0x1B, 0x5A}));

  Select("cbIntensity", 4);
  Select("cbSpeed", 1);
  Select("cbCountry", 2);
  Select("cbCodePage", 15);
  Select("cbProtocol", 1);
  Select("cbCommandSet", 1);
  Select("cbEsct", 1);
  Select("cbAutoCutter", 0);
  Select("cbPaper", 0);
  printer.Mark();
  QElapsedTimer clock;
  clock.start();
  Click("Set");
  const qint64 elapsed = clock.elapsed();

  const Bytes expected =
      Concat({{0x1B, 0x5A},
              {0x1B, 0x59, 0x04, 0x1B, 0x58, 0x01, 0x1B, 0x52, 0x02, 0x1B, 0x74, 0x0F},
              {0x1B, 0x3E, 0x00},
              // The new rate, 115200 (the one connected at): switches 1 to 3 on.
              {0x1D, 0x29, 0x01, 0x01},
              {0x1D, 0x29, 0x02, 0x01},
              {0x1D, 0x29, 0x03, 0x01},
              {0x1D, 0x29, 0x04, 0x01},
              {0x1D, 0x29, 0x05, 0x01},
              {0x1D, 0x29, 0x06, 0x01},
              {0x1D, 0x29, 0x07, 0x00},
              {0x1D, 0x29, 0x08, 0x00},
              {0x1B, 0x54}});
  EXPECT_EQ(printer.SinceMark(expected.size()), expected);
  EXPECT_EQ(messages_, QStringList({kOperationComplete}));
  EXPECT_GE(elapsed, kFamilyOnePauses * printer::kSequencePauseMs);
  EXPECT_TRUE(Connected(*window_));
}

// What the window leaves in the registry at close, read with the registry calls: the thirteen
// numbers as REG_DWORD under their exact names; the next start selects them again.
TEST_F(WindowUnderWine, StoresTheThirteenValuesAsDwordsAndTheNextStartReadsThem) {
  OpenWindow();
  Click("LangBG");
  Select("cbPort", 2);
  Select("cbBaud", 3);
  Select("cbIntensity", 5);
  Select("cbSpeed", 2);
  Select("cbCountry", 10);
  Select("cbCodePage", 19);
  Select("cbNewBaud", 0);
  Select("cbAutoCutter", 0);
  Select("cbPaper", 0);
  Select("cbProtocol", 1);
  Select("cbCommandSet", 1);
  Select("cbEsct", 1);
  CloseWindow();

  const std::vector<std::pair<const wchar_t*, int>> numbers = {
      {L"Language", 0}, {L"Port", 3},       {L"Baud", 3},       {L"Intensity", 5},  {L"Speed", 2},
      {L"Country", 10}, {L"CodePage", 19},  {L"NewBaud", 0},    {L"Autocutter", 0}, {L"Paper", 0},
      {L"Protocol", 1}, {L"Commandset", 1}, {L"DsiableESCt", 1}};
  const RegistryValues values = QuillsetterValues();
  for (const auto& [name, number] : numbers) {
    EXPECT_EQ(Stored(values, name), std::make_pair(static_cast<DWORD>(REG_DWORD), number))
        << QString::fromWCharArray(name).toStdString();
  }

  OpenWindow();
  EXPECT_EQ(Language(), 0);
  EXPECT_EQ(Find<QLabel>("lbPort")->text(), QStringLiteral("Сериен порт:"));
  const std::vector<std::pair<const char*, int>> selections = {
      {"cbPort", 2},     {"cbBaud", 3},      {"cbIntensity", 5},  {"cbSpeed", 2},
      {"cbCountry", 10}, {"cbCodePage", 19}, {"cbNewBaud", 0},    {"cbAutoCutter", 0},
      {"cbPaper", 0},    {"cbProtocol", 1},  {"cbCommandSet", 1}, {"cbEsct", 1}};
  for (const auto& [list, index] : selections) EXPECT_EQ(Selected(list), index) << list;
  EXPECT_TRUE(messages_.isEmpty()) << Messages();
}

// A value of another type counts as unreadable: its default, and no message. A number outside
// its list leaves the list with nothing selected; a port beyond COM8 is COM1. The close writes
// every number back as a REG_DWORD.
TEST_F(WindowUnderWine, TakesADamagedValueAsTheWindowDoes) {
  WriteString(L"Intensity", L"5");
  WriteValue(L"Baud", REG_BINARY, {0x02, 0x00, 0x00, 0x00});
  WriteDword(L"Speed", 42);
  WriteDword(L"Port", 99);
  WriteDword(L"Country", 4);

  OpenWindow();
  EXPECT_EQ(Selected("cbIntensity"), 3);
  EXPECT_EQ(Selected("cbBaud"), 7);
  EXPECT_EQ(Selected("cbSpeed"), -1);
  EXPECT_EQ(Selected("cbPort"), 0);
  EXPECT_EQ(Selected("cbCountry"), 4);
  EXPECT_TRUE(messages_.isEmpty()) << Messages();
  CloseWindow();

  const RegistryValues values = QuillsetterValues();
  const auto dword = static_cast<DWORD>(REG_DWORD);
  EXPECT_EQ(Stored(values, L"Intensity"), std::make_pair(dword, 3));
  EXPECT_EQ(Stored(values, L"Baud"), std::make_pair(dword, 7));
  EXPECT_EQ(Stored(values, L"Speed"), std::make_pair(dword, -1));
  EXPECT_EQ(Stored(values, L"Country"), std::make_pair(dword, 4));
}

// COM4 is left to Wine: with no serial device of this machine behind it, it is no port at all,
// Windows' "file not found", said in the window's language.
TEST_F(WindowUnderWine, APortThatDoesNotExistIsSaidInTheWindowsLanguage) {
  std::array<wchar_t, MAX_PATH> target{};
  if (QueryDosDeviceW(L"COM4", target.data(), MAX_PATH) != 0) {
    GTEST_SKIP() << "Wine gave COM4 to a serial device of this machine ("
                 << QString::fromWCharArray(target.data()).toStdString()
                 << "), and a port Wine made without its device is no serial port to it, not a "
                    "missing one: no missing port to try";
  }
  OpenWindow();
  Select("cbPort", 3);
  Select("cbBaud", 3);
  Click("Connect");
  EXPECT_FALSE(Connected(*window_));
  Click("LangBG");
  Click("Connect");
  EXPECT_EQ(messages_, QStringList({kConnectFailed + "\n\nThere is no device at COM4.",
                                    kConnectFailed + "\n\nНяма устройство на COM4."}));
}

// A printer behind ser2net on the Linux side, added through "Network port…": connected to at
// 9600 bps and set over RFC 2217, the bytes exact.
TEST_F(WindowUnderWine, SetsAPrinterBehindSer2netOverRfc2217) {
  const QString url = qEnvironmentVariable("QUILLSETTER_RFC2217_PRINTER");
  if (url.isEmpty()) GTEST_SKIP() << "ser2net is not installed: the network port test skips";
  PrinterLog printer("QUILLSETTER_NETWORK_LOG");
  ASSERT_TRUE(printer.Given()) << "run.sh gives the network printer's log";
  OpenWindow(kShortPauseMs, url);
  auto* ports = Find<QComboBox>("cbPort");
  const QString label = url.mid(url.indexOf(u'/') + 2) + QStringLiteral(" — network, RFC 2217");
  Select("cbPort", ports->count() - 1);
  ASSERT_TRUE(WaitUntil([&] { return ports->currentText() == label; }, 5000))
      << ports->currentText().toStdString();

  Select("cbBaud", 3);
  Click("Connect");
  ASSERT_TRUE(Connected(*window_)) << Messages();
  EXPECT_EQ(Find<QLineEdit>("PrinterModel")->text(), kFamily0Model);
  Select("cbCodePage", 15);
  printer.Mark();
  Click("Set");
  const Bytes expected =
      Concat({{0x1B, 0x5A},
              {0x1B, 0x59, 0x03, 0x1B, 0x58, 0x00, 0x1B, 0x52, 0x00, 0x1B, 0x74, 0x0F},
              {0x1B, 0x3E, 0x00},
              {0x1B, 0x54}});
  EXPECT_EQ(printer.SinceMark(expected.size()), expected);
  EXPECT_TRUE(messages_.isEmpty()) << Messages();
  Click("Connect");
  EXPECT_FALSE(Connected(*window_));
}

}  // namespace
