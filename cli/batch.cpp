#include "batch.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonObject>

#include <array>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "commands.h"
#include "install_job.h"
#include "install_record.h"
#include "install_result_text.h"
#include "interrupt.h"
#include "open_failure_text.h"
#include "plan.h"
#include "port_argument.h"
#include "preferences.h"
#include "printer_messages.h"
#include "printer_search.h"
#include "report.h"
#include "session.h"
#include "settings_argument.h"

namespace cli {
namespace {

using printer::InstallOutcome;
using printer::InstallResult;

// The ports of the batch: those given, or every present one of the port list.
struct Targets {
  std::vector<printer::SearchPort> ports;
  bool given = false;  // an unprobed port given by name gets a line; one of the list does not
};

Targets TargetsOf(const Arguments& arguments) {
  const std::vector<ports::PortEntry> entries = CurrentPortList();
  Targets targets;
  targets.given = !arguments.ports.isEmpty();
  if (!targets.given) {
    targets.ports = ports::SearchPorts(entries, -1);
    return targets;
  }
  // One device is one job, however often and by whatever names it was given: COM1 and the
  // path it maps to, a link and its device, one address twice.
  QStringList devices;
  for (const QString& port : arguments.ports) {
    const PortTarget target = ResolvePort(port, entries);
    const QString canonical = QFileInfo(target.device).canonicalFilePath();
    const QString device = canonical.isEmpty() ? target.device : canonical;
    if (devices.contains(device)) continue;
    devices << device;
    targets.ports.push_back({target.name.toStdString(),
                             QFile::encodeName(target.device).toStdString(),
                             target.name.toStdString()});
  }
  return targets;
}

QString Shown(const printer::SearchPort& port) {
  const QString name = QString::fromStdString(port.tag);
  const QString device = QString::fromStdString(port.device);
  return name == device ? name : name + " (" + device + ')';
}

// The outcome in words; for a port that would not open, why, as identify would say it.
QString StatusOf(const InstallOutcome& outcome) {
  QString status = texts::StatusText(outcome);
  if (outcome.result != InstallResult::CannotOpen && outcome.result != InstallResult::NotProbed) {
    return status;
  }
  const QString reason =
      texts::OpenFailureText(outcome.openError, outcome.rateBefore, InterfaceLanguage::English);
  return reason.isEmpty() ? status : status + QStringLiteral(": ") + reason;
}

void PrintLine(const printer::SearchPort& port, const InstallOutcome& outcome, bool json) {
  const QString model = texts::ModelName(outcome.model);
  if (json) {
    OutJson({{"port", QString::fromStdString(port.tag)},
             {"device", QString::fromStdString(port.device)},
             {"model", model},
             {"family", outcome.family},
             {"baud_before", static_cast<qint64>(outcome.rateBefore)},
             {"baud_after", static_cast<qint64>(outcome.rateAfter)},
             {"result", texts::ResultName(outcome.result)},
             {"status", StatusOf(outcome)}});
    return;
  }
  const QString printer = outcome.family == printer::kNoFamily
                              ? QString()
                              : QStringLiteral(" %1, family %2:").arg(model).arg(outcome.family);
  Out(Shown(port) + u':' + printer + u' ' + StatusOf(outcome));
}

constexpr std::array<InstallResult, 6> kCounted = {
    InstallResult::Configured,  InstallResult::RestartNeeded, InstallResult::NoPrinter,
    InstallResult::Unsupported, InstallResult::CannotOpen,    InstallResult::Failed};

void PrintSummary(const std::map<QString, int>& counts, int portCount, const QString& logError,
                  bool json) {
  if (json) {
    QJsonObject summary{{"ports", portCount}};
    if (!logError.isEmpty()) summary.insert("log_error", logError);
    for (const InstallResult result : kCounted) {
      const QString name = texts::ResultName(result);
      summary.insert(name, counts.contains(name) ? counts.at(name) : 0);
    }
    OutJson({{"summary", summary}});
    return;
  }
  QStringList parts;
  for (const InstallResult result : kCounted) {
    const QString name = texts::ResultName(result);
    if (counts.contains(name)) {
      parts << QStringLiteral("%1 %2").arg(counts.at(name)).arg(QString(name).replace(u'-', u' '));
    }
  }
  Out(QStringLiteral("%1 ports: %2").arg(portCount).arg(parts.join(QStringLiteral(", "))));
}

// The outcomes as they come from the ports' threads, in the order the ports end.
class Finished {
 public:
  void Put(std::size_t index, const InstallOutcome& outcome) {
    const std::lock_guard lock(mutex_);
    done_.emplace_back(index, outcome);
    changed_.notify_one();
  }
  std::pair<std::size_t, InstallOutcome> Take() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !done_.empty(); });
    auto next = done_.front();
    done_.pop_front();
    return next;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::pair<std::size_t, InstallOutcome>> done_;
};

int DryRun(const Arguments& arguments, const printer::PrinterSettings& settings,
           const Targets& targets, std::uint32_t firstRate) {
  const int pauseMs = arguments.pauseMs.value_or(printer::kSequencePauseMs);
  if (!arguments.model.isEmpty()) {
    return PlanForModel(
        arguments.model,
        [&settings, pauseMs](int family) {
          return printer::Session::SendPlan(family, settings, pauseMs);
        },
        arguments.json);
  }
  // Every port is searched at once; the plans follow in the ports' order.
  std::vector<printer::SearchResult> results(targets.ports.size());
  std::vector<std::thread> searches;
  for (std::size_t index = 0; index < targets.ports.size(); ++index) {
    searches.emplace_back([&targets, &results, firstRate, index] {
      printer::SearchRequest request;
      request.ports = {targets.ports[index]};
      request.firstRate = firstRate;
      printer::SearchHooks hooks;
      hooks.stopRequested = [] { return Interrupted(); };
      results[index] = printer::FindPrinter(request, hooks);
    });
  }
  for (std::thread& search : searches) search.join();
  bool found = false;
  for (std::size_t index = 0; index < targets.ports.size(); ++index) {
    const printer::SearchPort& port = targets.ports[index];
    const printer::SearchResult& result = results[index];
    if (result.stopped) return Failed(arguments.json, kInterrupted, InterruptText());
    if (!result.found) {
      if (targets.given) Err(Shown(port) + ": no supported printer");
      continue;
    }
    found = true;
    PrintPlan(QStringLiteral("%1 on %2 at %3 bps")
                  .arg(texts::ModelName(result.model), Shown(port))
                  .arg(result.rate),
              printer::Session::SendPlan(result.family, settings, pauseMs), result.family,
              result.rate, arguments.json);
  }
  return found ? kDone : Failed(arguments.json, kNoPrinter, "No supported printer answered.");
}

}  // namespace

int Batch(const Arguments& arguments) {
  // Any family may answer: the file has every value.
  const auto settings = LoadSettingsArgument(arguments, printer::kDipFamily);
  if (!settings) return kUsage;
  const Targets targets = arguments.model.isEmpty() ? TargetsOf(arguments) : Targets{};
  // The rate the window would try first: the one last chosen there.
  const std::uint32_t firstRate = printer::BaudRateOf(prefs::Load().choices.baud);
  if (arguments.dryRun) return DryRun(arguments, *settings, targets, firstRate);

  const prefs::InstallContext context = prefs::ContextFor(arguments.file, *settings);
  Finished finished;
  std::vector<std::thread> threads;
  for (std::size_t index = 0; index < targets.ports.size(); ++index) {
    printer::InstallJob job;
    job.port = targets.ports[index];
    job.firstRate = firstRate;
    job.settings = *settings;
    job.pauseMs = arguments.pauseMs.value_or(printer::kSequencePauseMs);
    job.wishes.confirmModel = true;
    job.wishes.followRestart = arguments.waitRestart;
    job.wishes.printSlip = arguments.slip;
    job.wishes.slip = prefs::SlipFactsFor(context, Shown(job.port));
    job.wishes.language = context.language;
    threads.emplace_back([job = std::move(job), index, &finished] {
      finished.Put(index, printer::RunInstallJob(job, [] { return Interrupted(); }));
    });
  }

  std::map<QString, int> counts;
  int lines = 0;
  int unlogged = 0;
  for (std::size_t left = targets.ports.size(); left > 0; --left) {
    const auto [index, outcome] = finished.Take();
    const printer::SearchPort& port = targets.ports[index];
    // A console or a held port of the list is no printer of this batch.
    if (outcome.result == InstallResult::NotProbed && !targets.given) continue;
    ++lines;
    ++counts[texts::ResultName(outcome.result)];
    PrintLine(port, outcome, arguments.json);
    const bool reached = outcome.family != printer::kNoFamily;
    if (reached && !arguments.logFile.isEmpty() &&
        !prefs::AppendInstallRecord(arguments.logFile, prefs::RecordOf(context, port, outcome))) {
      ++unlogged;
    }
  }
  for (std::thread& thread : threads) thread.join();
  const QString logError =
      unlogged == 0 ? QString()
                    : QStringLiteral("Cannot write the install log %1 (%2 records not written).")
                          .arg(arguments.logFile)
                          .arg(unlogged);
  PrintSummary(counts, lines, logError, arguments.json);
  if (!logError.isEmpty()) Err(logError);

  if (Interrupted()) return kInterrupted;
  const auto count = [&counts](InstallResult result) {
    const QString name = texts::ResultName(result);
    return counts.contains(name) ? counts.at(name) : 0;
  };
  // A port that will not open is a failure, also when it is the only one.
  const int failed = count(InstallResult::Failed) + count(InstallResult::Unsupported) +
                     count(InstallResult::CannotOpen);
  if (failed > 0) return kSomeFailed;
  const int configured = count(InstallResult::Configured) + count(InstallResult::RestartNeeded);
  if (configured == 0) return kNoPrinter;
  return unlogged > 0 ? kNotWritten : kDone;
}

}  // namespace cli
