// quillsetter-cli batch over eight family-1 virtual printers with the real pauses, next to the
// same batch over one. Prints figures; run by ./dev bench.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "answering.h"
#include "printer_models.h"
#include "temp_dir.h"
#include "virtual_printer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPrinters = 8;
constexpr double kAim = 1.2;

// The seconds the program took, or a negative number when it did not configure every printer.
double TimeBatch(const std::string& settingsFile, const std::vector<std::string>& devices) {
  std::string command = std::string("'") + QUILLSETTER_CLI + "' batch '" + settingsFile + "'";
  for (const std::string& device : devices) command += " --port " + device;
  command += " > /dev/null";
  const auto start = Clock::now();
  const int status = std::system(command.c_str());
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return status == 0 ? seconds : -1;
}

}  // namespace

int main() {
  const TempDir temporary("batch_bench");
  const std::filesystem::path& folder = temporary.Path();
  // The program's own settings folder, so that the user's choices play no part.
  ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  const std::string settingsFile = (folder / "shop.quillsetter").string();
  std::ofstream(settingsFile) << "[Printer]\nIntensity=3\nSpeed=0\nCountry=0\nCodePage=0\n"
                                 "NewBaud=7\nAutocutter=1\nPaper=1\nProtocol=0\nCommandset=0\n"
                                 "DsiableESCt=0\n";

  std::vector<std::unique_ptr<vprinter::VirtualPrinter>> printers;
  std::vector<std::string> devices;
  for (int i = 0; i < kPrinters; ++i) {
    printers.push_back(std::make_unique<vprinter::VirtualPrinter>(AnsweringAs(kFamily1Model)));
    if (!printers.back()->Start()) return 1;
    devices.push_back(printers.back()->DevicePath());
  }
  const double one = TimeBatch(settingsFile, {devices.front()});
  const double all = TimeBatch(settingsFile, devices);
  if (one < 0 || all < 0) {
    std::puts("batch bench: a batch did not configure every printer");
    return 1;
  }
  std::printf("batch, 1 family-1 printer, real pauses: %.2f s\n", one);
  std::printf("batch, %d family-1 printers at once: %.2f s = %.2f x one (aim < %.1f: %s)\n",
              kPrinters, all, all / one, kAim, all / one < kAim ? "met" : "MISSED");
  return 0;
}
