// The dry run against the wire: what apply --dry-run and test-page --dry-run show is what apply
// and test-page then write, for a printer of every family.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "cli_fixture.h"

namespace {

// The bytes of a plan as the dry run prints it: each step's number, its bytes in hex and what
// they mean, two spaces apart.
Bytes PlannedBytes(const QString& plan) {
  Bytes bytes;
  for (const QString& line : plan.split(u'\n')) {
    const QStringList columns = line.trimmed().split(QStringLiteral("  "), Qt::SkipEmptyParts);
    bool step = false;
    columns.value(0).toInt(&step);
    if (!step || columns.size() < 2) continue;
    for (const QString& hex : columns[1].split(u' ')) {
      bytes.push_back(static_cast<std::uint8_t>(hex.toUInt(nullptr, 16)));
    }
  }
  return bytes;
}

// What the printer received after the identify query of the connect.
Bytes AfterTheConnect(const vprinter::VirtualPrinter& printer) {
  Bytes received = printer.Received();
  received.erase(received.begin(),
                 received.begin() + std::min<std::ptrdiff_t>(2, std::ssize(received)));
  return received;
}

using PlanTest = CliTest;

TEST_F(PlanTest, WhatTheDryRunShowsIsWhatIsSentInEveryFamily) {
  const QString file =
      SettingsFile({"Intensity=4", "Speed=1", "Country=2", "CodePage=15", "NewBaud=7",
                    "Autocutter=0", "Paper=1", "Protocol=1", "Commandset=0", "DsiableESCt=1"});
  constexpr std::array<const char*, 3> kModels = {kFamily0Model, kFamily1Model, kFamily2Model};
  int number = 0;
  for (const char* model : kModels) {
    SCOPED_TRACE(model);
    const QString port = QStringLiteral("COM%1").arg(++number);
    auto& printer = AddPrinter(number, AnsweringAs(model));

    const Outcome plan = Cli({"apply", file, "--dry-run", "--model", model, "--pause-ms", "10"});
    ASSERT_EQ(plan.status, 0) << plan.err.toStdString();
    const Outcome sent = Cli({"apply", file, "--port", port, "--baud", "9600", "--pause-ms", "10"});
    ASSERT_EQ(sent.status, 0) << sent.err.toStdString();
    const Bytes planned = PlannedBytes(plan.out);
    EXPECT_GT(planned.size(), 15u);
    ASSERT_TRUE(printer.WaitForReceived(2 + planned.size(), 2000));
    EXPECT_EQ(AfterTheConnect(printer), planned);

    printer.ClearReceived();
    const Outcome page = Cli({"test-page", "--dry-run", "--model", model});
    ASSERT_EQ(page.status, 0) << page.err.toStdString();
    const Outcome printed = Cli({"test-page", "--port", port, "--baud", "9600"});
    ASSERT_EQ(printed.status, 0) << printed.err.toStdString();
    const Bytes pagePlanned = PlannedBytes(page.out);
    EXPECT_GT(pagePlanned.size(), 224u) << "the chart alone has 224 bytes";
    ASSERT_TRUE(printer.WaitForReceived(2 + pagePlanned.size(), 2000));
    EXPECT_EQ(AfterTheConnect(printer), pagePlanned);
  }
}

}  // namespace
