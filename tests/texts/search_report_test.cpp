// The search's report: a line for each port, with what the printer or the system said there.
#include <QStringList>

#include <gtest/gtest.h>

#include "search_report.h"

namespace {

printer::PortFinding Finding(const char* name, printer::PortSeen seen, const char* model = "",
                             std::uint32_t rate = 0) {
  printer::PortFinding finding;
  finding.name = name;
  finding.seen = seen;
  finding.model = model;
  finding.rate = rate;
  return finding;
}

TEST(SearchReport, NamesAndDetailsAreShownAsTheyAreEvenWithPercentSigns) {
  printer::SearchResult result;
  result.findings = {Finding("COM1", printer::PortSeen::Unsupported, "Acme %1 X%2", 115200),
                     Finding("COM2", printer::PortSeen::Held)};
  result.findings[1].openError = {OpenFailure::Busy, "/dev/ttyS1", "minicom, process 4242", 0};
  EXPECT_EQ(texts::SearchReport(result, InterfaceLanguage::English),
            "No supported printer answered on any port at any baud rate.\n"
            "COM1: Acme %1 X%2 (not supported) at 115200 bps\n"
            "COM2: in use by another program (minicom, process 4242)");
  EXPECT_EQ(texts::SearchReport(result, InterfaceLanguage::Bulgarian).split(u'\n').at(1),
            "COM1: Acme %1 X%2 (не се поддържа) при 115200 bps");
}

}  // namespace
