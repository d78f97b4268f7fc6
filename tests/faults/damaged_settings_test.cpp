// Settings files damaged in every way we could think of: the window starts without a crash or a
// hang, each value falls back as the stored-preference rules say, and closing writes back a file
// that starts clean with the same choices.
#include <QElapsedTimer>
#include <QSettings>

#include <map>
#include <random>
#include <string>
#include <utility>

#include "message_box_closer.h"
#include "settings_folder.h"
#include "window_fixture.h"

namespace {

const QString kLoadFailed = "Failed loading preferences!";
// Generous: a 10 MiB line takes seconds under the sanitizers on a busy machine; a hang does not
// end at all.
constexpr qint64 kStartBoundMs = 60000;

// What a first start shows with no file (in English, this run's locale has no Cyrillic).
const std::map<std::string, int> kDefaults = {
    {"cbPort", 0},    {"cbBaud", 7},     {"cbIntensity", 3},  {"cbSpeed", 0},
    {"cbCountry", 0}, {"cbCodePage", 0}, {"cbNewBaud", 7},    {"cbAutoCutter", 1},
    {"cbPaper", 1},   {"cbProtocol", 0}, {"cbCommandSet", 0}, {"cbEsct", 0}};

// A file's bytes; the large ones are made only when a test uses them.
class FileText {
 public:
  FileText(const char* text) : bytes_(text) {}
  FileText(QByteArray bytes) : bytes_(std::move(bytes)) {}
  FileText(QByteArray (*make)()) : make_(make) {}
  QByteArray Bytes() const { return make_ != nullptr ? make_() : bytes_; }

 private:
  QByteArray bytes_;
  QByteArray (*make_)() = nullptr;
};

struct Damage {
  const char* label;
  FileText file;
  std::map<std::string, int> changed;  // the lists that do not show their default
  int language = 1;
  bool loadFailed = false;
};

void PrintTo(const Damage& damage, std::ostream* out) { *out << damage.label; }

// Text that may hold NUL bytes.
template <std::size_t N>
QByteArray Raw(const char (&text)[N]) {
  return QByteArray(text, N - 1);
}

QByteArray Noise(qsizetype size) {
  std::mt19937 random(20240611);
  QByteArray noise(size, '\0');
  for (char& byte : noise) byte = static_cast<char>(random());
  return noise;
}

QByteArray SmallNoise() { return Noise(4096); }
QByteArray TwentyMegabytesOfNoise() { return Noise(20 << 20); }

QByteArray ManyKeys() {
  QByteArray text = "[General]\n";
  for (int i = 0; i < 100000; ++i) {
    text += "Unknown" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\n";
  }
  return text + "Baud=3\n";
}

// One value of ten million digits.
QByteArray HugeLine() { return "[General]\nBaud=" + QByteArray(10 << 20, '9') + "\nSpeed=2\n"; }

// Values that are no 32-bit decimal number fall back to their default; numbers outside a list
// leave it with nothing selected; a port outside 1..8 is COM1.
const Damage kDamages[] = {
    {"BinaryNoise", SmallNoise, {}, 1, true},
    {"TwentyMegabytesOfNoise", TwentyMegabytesOfNoise, {}, 1, true},
    {"ManyKeys", ManyKeys, {{"cbBaud", 3}}},
    {"HugeValues",
     "[General]\nBaud=1099511627776\nSpeed=-1099511627776\nPort=1099511627776\n"
     "Language=1099511627776\nIntensity=2147483648\nCountry=2147483647\n",
     {{"cbCountry", -1}}},
    {"NegativeNumbers",
     "[General]\nBaud=-1\nSpeed=-5\nPort=-1\nPaper=-2147483648\nLanguage=-5\n",
     {{"cbBaud", -1}, {"cbSpeed", -1}, {"cbPaper", -1}},
     -5},
    {"NegativePortAndLanguageNone", "[General]\nPort=-5\nLanguage=-1\n", {}},
    {"DuplicatedKeysTheLastWins",
     "[General]\nBaud=2\nIntensity=1\nBaud=5\n",
     {{"cbBaud", 5}, {"cbIntensity", 1}}},
    {"DuplicatedSectionsTheLastWins",
     "[General]\nBaud=2\n[Ports]\nCOM9=x\n[General]\nBaud=5\n",
     {{"cbBaud", 5}}},
    {"WrongTypes",
     "[General]\nBaud=fast\nIntensity=1, 2\nSpeed=@ByteArray(2)\nCountry=@Rect(1 2 3 4)\n"
     "CodePage=@Variant(\\0\\0\\0\\x6@\\b\\0\\0\\0\\0\\0\\0)\nNewBaud=@Invalid()\n"
     "Autocutter=@Variant(\\xff\\xff)\nPaper=3.0\nProtocol=0x1\nCommandset=\n"
     "DsiableESCt=@Variant(\\0\\0\\0\\n\\x7f\\xff\\xff\\xfe)\nLanguage=@ByteArray(0)\n",
     {}},
    // A string list in Qt's own encoding that claims four billion entries: Qt reserves room for
    // them before reading, which the allocator may refuse; either way nothing is read.
    {"ListOfFourBillionStrings",
     "[General]\nLanguage=@Variant(\\0\\0\\0\\xb\\xff\\xff\\xff\\xff)\nBaud=3\n",
     {{"cbBaud", 3}}},
    // Qt's own encoding of an integer is an integer.
    {"IntegerInQtsOwnEncoding",
     "[General]\nBaud=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)\n",
     {{"cbBaud", 5}}},
    {"KeysOutsideGeneral", "[Other]\nBaud=3\n[Ports]\nSpeed=2\n", {}},
    // The group name is not case-sensitive.
    {"GeneralInLowerCase", "[general]\nIntensity=1\n", {{"cbIntensity", 1}}},
    {"KeysBeforeAnySection", "Baud=3\n[Ports]\nCOM1=/dev/null\n", {{"cbBaud", 3}}},
    {"ByteOrderMark", "\xEF\xBB\xBF[General]\nBaud=3\n", {{"cbBaud", 3}}, 1, true},
    {"CrLfLineEnds",
     "[General]\r\nBaud=3\r\nSpeed=2\r\nLanguage=0\r\n",
     {{"cbBaud", 3}, {"cbSpeed", 2}},
     0},
    {"NulBytes",
     Raw("[General]\nBaud=3\0\nSp\0eed=2\nIntensity=\0\nCountry=4\n"),
     {{"cbCountry", 4}}},
    {"HugeLine", HugeLine, {{"cbSpeed", 2}}},
    {"CutOffInASection", "[General]\nBaud=3\n[Gen", {{"cbBaud", 3}}, 1, true},
};

// The window fixture on a settings folder of this test's own.
class DamagedSettings : public WindowTest, public testing::WithParamInterface<Damage> {
 protected:
  void TearDown() override {
    WindowTest::TearDown();
    // Back to the folder the other tests of this run use.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       qEnvironmentVariable("XDG_CONFIG_HOME"));
  }

  // Opens the window on the file as it is, and checks the messages shown while it started, how
  // long that took, and what it shows.
  void Start(const QStringList& expectedMessages) {
    const MessageBoxCloser boxes;
    messages_.clear();
    QElapsedTimer clock;
    clock.start();
    OpenWindow();
    EXPECT_LT(clock.elapsed(), kStartBoundMs);
    EXPECT_EQ(messages_, expectedMessages);
    EXPECT_TRUE(boxes.Texts().isEmpty());
    messages_.clear();
    std::map<std::string, int> expected = kDefaults;
    for (const auto& [list, index] : GetParam().changed) expected[list] = index;
    for (const auto& [list, index] : expected) EXPECT_EQ(Selected(list.c_str()), index) << list;
    const int language = GetParam().language;
    EXPECT_EQ(ShownLanguage(*window_), language == 0 || language == 1 ? language : -1);
  }

  // Closes the window: nothing is shown, and the language number it held is written back.
  void Close() {
    window_->close();
    EXPECT_TRUE(messages_.isEmpty()) << messages_.join('|').toStdString();
    EXPECT_EQ(folder_.Values().value("Language"), QString::number(GetParam().language));
  }

  const SettingsFolder folder_;
};

TEST_P(DamagedSettings, StartFallsBackValueByValueAndCloseWritesTheChoicesBack) {
  folder_.Write(GetParam().file.Bytes());
  Start(GetParam().loadFailed ? QStringList{kLoadFailed} : QStringList{});
  Close();
  Start({});
  Close();
}

INSTANTIATE_TEST_SUITE_P(Damages, DamagedSettings, testing::ValuesIn(kDamages),
                         [](const testing::TestParamInfo<Damage>& info) {
                           return std::string(info.param.label);
                         });

}  // namespace
