// The stored choices in the registry key HKEY_CURRENT_USER\Software\Tavrin Ltd\Quillsetter,
// read and written with the Win32 registry calls themselves, not through QSettings.
#define WIN32_LEAN_AND_MEAN
#include <gtest/gtest.h>
#include <windows.h>

#include <QString>

#include <string>
#include <utility>
#include <vector>

#include "network_ports.h"
#include "preferences.h"
#include "registry_key.h"
#include "stored_values.h"

namespace {

using prefs::LoadStatus;
using prefs::StoredChoices;

class Registry : public testing::Test {
 protected:
  void SetUp() override { DeleteQuillsetterKey(); }
  void TearDown() override { DeleteQuillsetterKey(); }
};

TEST_F(Registry, HoldsTheThirteenNumbersAsDwordsUnderTheirExactNames) {
  const StoredChoices& written = kEveryValueChanged;
  ASSERT_TRUE(prefs::Save(written));

  const auto values = QuillsetterValues();
  for (const auto& [name, number] : StoredNumbers(written)) {
    const auto value = values.find(name.toStdWString());
    ASSERT_NE(value, values.end()) << name.toStdString();
    EXPECT_EQ(value->second.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value->second.Dword(), static_cast<DWORD>(number)) << name.toStdString();
  }
  // Nothing but the thirteen while no device, slip or network port was chosen.
  EXPECT_EQ(values.size(), 13U);

  const auto loaded = prefs::Load();
  EXPECT_EQ(loaded.status, LoadStatus::Loaded);
  EXPECT_EQ(loaded.choices, written);
}

TEST_F(Registry, KeepsTheLaterValuesInFormsRegeditShows) {
  StoredChoices written;
  written.portDevice = QStringLiteral("USB Serial Port (COM7)");
  written.printSlip = true;
  ASSERT_TRUE(prefs::Save(written));
  ASSERT_TRUE(prefs::AddNetworkPort(QStringLiteral("rfc2217://192.168.1.20:4001")));

  const auto values = QuillsetterValues();
  ASSERT_TRUE(values.contains(L"PortDevice"));
  EXPECT_EQ(values.at(L"PortDevice").type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(values.at(L"PortDevice").Text(), L"USB Serial Port (COM7)");
  ASSERT_TRUE(values.contains(L"PrintSlip"));
  EXPECT_EQ(values.at(L"PrintSlip").type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(values.at(L"PrintSlip").Dword(), 1U);

  const auto network = ValuesOf(L"Software\\Tavrin Ltd\\Quillsetter\\NetworkPorts");
  ASSERT_EQ(network.size(), 1U);
  EXPECT_EQ(network.begin()->second.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(network.begin()->second.Text(), L"rfc2217://192.168.1.20:4001");

  EXPECT_EQ(prefs::Load().choices, written);
  EXPECT_EQ(prefs::NetworkPorts(), QStringList{QStringLiteral("rfc2217://192.168.1.20:4001")});
}

TEST_F(Registry, TakesAValueOfAnotherTypeOrOutOfRangeAsDamaged) {
  const StoredChoices defaults;
  // A number written as text by hand, a binary value, a port beyond COM8.
  WriteString(L"Intensity", L"5");
  WriteValue(L"Baud", REG_BINARY, {0x02, 0x00, 0x00, 0x00});
  WriteDword(L"Port", 99);
  WriteDword(L"Speed", 4);

  const auto loaded = prefs::Load();
  EXPECT_NE(loaded.status, LoadStatus::KeyUnavailable);
  EXPECT_EQ(loaded.choices.printer.intensity, defaults.printer.intensity);
  EXPECT_EQ(loaded.choices.baud, defaults.baud);
  EXPECT_EQ(loaded.choices.port, defaults.port);
  EXPECT_EQ(loaded.choices.printer.speed, 4);

  // A save puts every number back as a DWORD.
  ASSERT_TRUE(prefs::Save(loaded.choices));
  const auto values = QuillsetterValues();
  EXPECT_EQ(values.at(L"Intensity").type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(values.at(L"Baud").type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(values.at(L"Port").Dword(), 1U);
}

// QSettings makes the key when it opens it; no value is written before a save.
TEST_F(Registry, HoldsNoValueUntilTheFirstSave) {
  const auto loaded = prefs::Load();
  EXPECT_EQ(loaded.status, LoadStatus::Loaded);
  EXPECT_EQ(loaded.choices, StoredChoices{});
  EXPECT_TRUE(QuillsetterValues().empty());
}

}  // namespace
