// Loading the stored choices from a settings file of any content.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "preferences.h"
#include "printer.h"
#include "printer_settings_file.h"
#include "require.h"

namespace {

using prefs::StoredChoices;
using Bytes = std::vector<char>;

using Number = int (*)(const StoredChoices&);
constexpr std::array<std::pair<std::string_view, Number>, 13> kValues = {{
    {"Language", [](const StoredChoices& c) { return c.language; }},
    {"Port", [](const StoredChoices& c) { return c.port; }},
    {"Baud", [](const StoredChoices& c) { return c.baud; }},
    {"Intensity", [](const StoredChoices& c) { return c.printer.intensity; }},
    {"Speed", [](const StoredChoices& c) { return c.printer.speed; }},
    {"Country", [](const StoredChoices& c) { return c.printer.country; }},
    {"CodePage", [](const StoredChoices& c) { return c.printer.codePage; }},
    {"NewBaud", [](const StoredChoices& c) { return c.printer.newBaud; }},
    {"Autocutter", [](const StoredChoices& c) { return c.printer.autoCutter; }},
    {"Paper", [](const StoredChoices& c) { return c.printer.paper; }},
    {"Protocol", [](const StoredChoices& c) { return c.printer.protocol; }},
    {"Commandset", [](const StoredChoices& c) { return c.printer.commandSet; }},
    {"DsiableESCt", [](const StoredChoices& c) { return c.printer.esct; }},
}};

// On a memory-backed folder a save costs microseconds rather than milliseconds.
std::filesystem::path BaseFolder() {
  std::error_code error;
  if (std::filesystem::is_directory("/dev/shm", error) && access("/dev/shm", W_OK) == 0) {
    return "/dev/shm";
  }
  return std::filesystem::temp_directory_path();
}

// The configuration folder of this run, made once and removed at the end.
class ConfigFolder {
 public:
  ConfigFolder() {
    std::string pattern = (BaseFolder() / "fuzz-prefs-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    std::filesystem::create_directory(root_ / "Tavrin Ltd");
    setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
  }
  ~ConfigFolder() { std::filesystem::remove_all(root_); }
  ConfigFolder(const ConfigFolder&) = delete;
  ConfigFolder& operator=(const ConfigFolder&) = delete;

  std::filesystem::path File() const { return root_ / "Tavrin Ltd" / "Quillsetter.conf"; }

 private:
  std::filesystem::path root_;
};

// Made on first use, which must come before the first QSettings: it takes the configuration
// folder from the environment once.
const ConfigFolder& Folder() {
  static const ConfigFolder folder;
  return folder;
}

void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  // QSettings keeps a parsed file while its size and time stay the same: each input gets a
  // time of its own.
  static long long inputCount = 0;
  const timespec times[2] = {{1'000'000'000 + ++inputCount, 0}, {1'000'000'000 + inputCount, 0}};
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Folder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Bytes bytes(data, data + size);
  WriteFile(Folder().File(), bytes);
  const prefs::LoadResult loaded = prefs::Load();
  const StoredChoices& choices = loaded.choices;

  Require(loaded.status != prefs::LoadStatus::KeyUnavailable, "a readable file can be opened");
  Require(choices.port >= 1 && choices.port <= 8, "the port is 1 to 8");
  // Only escapes (%XX) let a key name differ from its text in the file.
  const std::string_view text(bytes.data(), bytes.size());
  if (text.find('%') == std::string_view::npos) {
    for (const auto& [name, number] : kValues) {
      Require(text.find(name) != std::string_view::npos || number(choices) == number({}),
              "a value the file does not name keeps its default");
    }
  }
  Require(ReadFile(Folder().File()) == bytes, "loading leaves the file as it was");

  // The same bytes as a printer settings file: every setting it yields is an entry of its list,
  // or the value it had.
  if (const auto file = prefs::LoadPrinterSettings(QString::fromStdString(Folder().File()), {})) {
    const printer::PrinterSettings& loadedSettings = file->settings;
    const auto inList = [](int index, std::size_t size) {
      return index >= 0 && static_cast<std::size_t>(index) < size;
    };
    Require(inList(loadedSettings.intensity, printer::kIntensityLabels.size()) &&
                inList(loadedSettings.speed, printer::kUnconnectedSpeedLabels.size()) &&
                inList(loadedSettings.country, printer::kCountryLabels.size()) &&
                inList(loadedSettings.codePage, printer::kCodePageLabels.size()) &&
                inList(loadedSettings.newBaud, printer::kBaudLabels.size()) &&
                inList(loadedSettings.protocol, printer::kProtocolLabels.size()),
            "a settings file yields entries of the lists");
    Require(ReadFile(Folder().File()) == bytes, "loading a settings file leaves it as it was");
  }

  // Saved and loaded again, the choices come back unchanged.
  if (prefs::Save(choices)) {
    Require(prefs::Load().choices == choices, "the saved choices load back unchanged");
  }
  return 0;
}
