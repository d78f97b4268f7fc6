// Start-up time and peak memory of the program beside a one-button Qt Widgets window and beside
// its own form with none of its code, in the same run. Each program is started as a child with the
// window probe plugin loaded; the probe reports when the first window has been exposed and painted,
// and then closes it. Start-up is the time from just before fork to that report, and the CPU time
// the child had used by then (steadier than wall time on a busy machine); memory is the child's
// peak resident set (ru_maxrss from wait4). Prints figures; run by ./dev bench.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRuns = 15;
constexpr unsigned kChildTimeLimitS = 30;
constexpr double kStartAim = 1.3;
constexpr double kMemoryAim = 1.2;

struct Run {
  double startMs = 0;
  double cpuMs = 0;
  double peakMiB = 0;
};

struct Program {
  const char* name;
  std::string path;
  std::vector<Run> runs;
};

// Where the probe writes when it saw the window, and where the program's own output goes.
struct BenchFiles {
  std::filesystem::path report;
  std::filesystem::path output;
};

// Starts the program, waits for it to end, and reads when the probe saw its window.
std::optional<Run> StartOnce(const std::string& path, const BenchFiles& files) {
  std::filesystem::remove(files.report);
  std::fflush(stdout);
  const auto start = Clock::now();
  const pid_t child = fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    // A window that never shows must not hang the bench; the alarm survives exec.
    alarm(kChildTimeLimitS);
    // What the program prints (Qt's warnings) goes to a file, shown if the start fails.
    std::FILE* output = std::freopen(files.output.c_str(), "w", stdout);
    if (output == nullptr || dup2(fileno(output), STDERR_FILENO) < 0) _exit(126);
    execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child) return std::nullopt;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::printf("  %s ended with status %d; it printed:\n", path.c_str(), status);
    std::fflush(stdout);
    std::ifstream output(files.output);
    for (std::string line; std::getline(output, line);) std::printf("    %s\n", line.c_str());
    return std::nullopt;
  }

  std::ifstream report(files.report);
  std::string word;
  long long shownNs = 0;
  long long cpuNs = 0;
  if (!(report >> word >> shownNs >> cpuNs) || word != "shown") {
    std::printf("  %s showed no window\n", path.c_str());
    return std::nullopt;
  }
  const Clock::time_point shown{std::chrono::nanoseconds(shownNs)};
  // glibc declares the rusage counters inside anonymous unions.
  const long peakKiB = usage.ru_maxrss;  // NOLINT(cppcoreguidelines-pro-type-union-access)
  return Run{std::chrono::duration<double, std::milli>(shown - start).count(),
             static_cast<double>(cpuNs) / 1e6, static_cast<double>(peakKiB) / 1024.0};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

template <typename Field>
std::vector<double> Column(const Program& program, Field field) {
  std::vector<double> values;
  for (const Run& run : program.runs) values.push_back(run.*field);
  return values;
}

void PrintRow(const Program& program) {
  const auto start = Column(program, &Run::startMs);
  std::printf("  %-14s start-up %6.1f ms (%5.1f to %5.1f), CPU %5.1f ms, peak memory %5.1f MiB\n",
              program.name, Median(start), *std::min_element(start.begin(), start.end()),
              *std::max_element(start.begin(), start.end()), Median(Column(program, &Run::cpuMs)),
              Median(Column(program, &Run::peakMiB)));
}

void PrintRatio(const char* what, double ratio, double aim) {
  std::printf("  %s ratio %.2f (aim <= %.1f: %s)\n", what, ratio, aim,
              ratio <= aim ? "met" : "MISSED");
}

// Settings, caches, runtime files and the probe's report go to a private folder, so the bench
// leaves a person's settings alone and every start finds what the previous one saved.
bool PrepareEnvironment(const std::filesystem::path& folder, const BenchFiles& files) {
  const auto config = folder / "config";
  const auto runtime = folder / "runtime";
  std::filesystem::create_directories(config);
  std::filesystem::create_directories(runtime);
  std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
  return setenv("XDG_CONFIG_HOME", config.c_str(), 1) == 0 &&
         setenv("XDG_CACHE_HOME", config.c_str(), 1) == 0 &&
         setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1) == 0 &&
         setenv("WINDOW_PROBE_REPORT", files.report.c_str(), 1) == 0 &&
         setenv("QT_PLUGIN_PATH", WINDOW_PROBE_PLUGIN_PATH, 1) == 0 &&
         setenv("QT_QPA_GENERIC_PLUGINS", "windowprobe", 1) == 0 &&
         setenv("QT_QPA_PLATFORM", "offscreen", 0) == 0;
}

}  // namespace

int main() {
  const TempDir temporary("startup-bench");
  const std::filesystem::path& folder = temporary.Path();
  if (folder.empty()) return 1;
  const BenchFiles files{folder / "probe-report", folder / "output"};
  if (!PrepareEnvironment(folder, files)) return 1;

  Program minimal{"minimal window", MINIMAL_WINDOW_PROGRAM, {}};
  Program product{"quillsetter", QUILLSETTER_PROGRAM, {}};
  Program form{"its form alone", BARE_FORM_PROGRAM, {}};
  std::printf(
      "Start-up to the window shown, and peak memory, on the %s platform, medians of %d "
      "runs:\n",
      std::getenv("QT_QPA_PLATFORM"), kRuns);

  bool ok = true;
  // One start of each first, so both find the files they read in the page cache; then turns,
  // so a slow moment of the machine falls on both alike.
  for (int run = -1; run < kRuns && ok; ++run) {
    for (Program* program : {&minimal, &product, &form}) {
      const std::optional<Run> measured = StartOnce(program->path, files);
      ok = ok && measured.has_value();
      if (measured && run >= 0) program->runs.push_back(*measured);
    }
  }
  if (!ok) {
    std::printf("  start-up measurement failed\n");
    return 1;
  }

  PrintRow(minimal);
  PrintRow(product);
  PrintRow(form);
  const double start = Median(Column(minimal, &Run::startMs));
  PrintRatio("start-up", Median(Column(product, &Run::startMs)) / start, kStartAim);
  // The part of the ratio that is the form's own, built and painted by Qt alone.
  std::printf("  start-up ratio of the form alone %.2f\n",
              Median(Column(form, &Run::startMs)) / start);
  std::printf("  start-up CPU ratio %.2f\n",
              Median(Column(product, &Run::cpuMs)) / Median(Column(minimal, &Run::cpuMs)));
  PrintRatio("peak memory",
             Median(Column(product, &Run::peakMiB)) / Median(Column(minimal, &Run::peakMiB)),
             kMemoryAim);
  return 0;
}
