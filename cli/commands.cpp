#include "commands.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <cstdio>
#include <thread>

#include "batch.h"
#include "code_page_proof.h"
#include "identify.h"
#include "install_record.h"
#include "install_slip.h"
#include "interrupt.h"
#include "log_command.h"
#include "open_failure_text.h"
#include "output.h"
#include "plan.h"
#include "port_argument.h"
#include "port_list.h"
#include "preferences.h"
#include "printer.h"
#include "printer_search.h"
#include "printer_settings_file.h"
#include "progress_line.h"
#include "search_report.h"
#include "serial.h"
#include "settings_argument.h"
#include "settings_sequence.h"
#include "test_page.h"

namespace cli {
namespace {

constexpr int kSliceMs = 10;

QString Latin1(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The result of identify, find and apply: the printer and where it answered.
struct Found {
  QString port;
  QString device;
  std::uint32_t baud = 0;
  QString model;
  int family = printer::kNoFamily;
};

void Report(const Found& found, bool json, const QString& sentence) {
  if (json) {
    const QJsonObject object{{"port", found.port},
                             {"device", found.device},
                             {"baud", static_cast<qint64>(found.baud)},
                             {"model", found.model},
                             {"family", found.family}};
    Out(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
  } else {
    Out(sentence);
  }
}

// A serial wait that Ctrl-C ends.
void StopOnInterrupt(Tserial& serial) {
  serial.SetWaitHook([] { return !Interrupted(); });
}

// "COM3 (/dev/ttyUSB0)", or the path alone when the port was named by it.
QString Named(const PortTarget& target) {
  return target.name == target.device ? target.name : target.name + " (" + target.device + ')';
}

int CannotOpen(const PortTarget& target, const Tserial& serial, std::uint32_t baud) {
  const QString reason =
      ports::OpenFailureText(serial.LastOpenError(), baud, ports::TextLanguage::English);
  Err("Cannot open " + Named(target) + '.' + (reason.isEmpty() ? QString() : u' ' + reason));
  return kCannotOpen;
}

// Opens the port and asks the printer for its model; an exit status other than kDone when that
// failed, with the message written.
int OpenAndIdentify(const PortTarget& target, std::uint32_t baud, Tserial& serial, Found& found) {
  StopOnInterrupt(serial);
  if (!serial.OpenDevice(QFile::encodeName(target.device).toStdString(), baud)) {
    return CannotOpen(target, serial, baud);
  }
  const printer::IdentifyResult reply = printer::AskModel(serial);
  if (Interrupted()) return kInterrupted;
  found = {target.name, target.device, baud, Latin1(reply.model), reply.family};
  if (!reply.answered) {
    Err(QStringLiteral("No printer answered on %1 at %2 bps.").arg(Named(target)).arg(baud));
    return kNoPrinter;
  }
  if (reply.family == printer::kNoFamily) {
    Err("This printer model (" + found.model + ") is not supported!");
    return kUnsupported;
  }
  return kDone;
}

// The port of --port at the rate of --baud, with a supported printer on it.
int ConnectAsGiven(const Arguments& arguments, Tserial& serial, Found& found) {
  return OpenAndIdentify(ResolvePort(arguments.ports.front(), CurrentPortList()), *arguments.baud,
                         serial, found);
}

QString Where(const Found& found) {
  return QStringLiteral("%1 at %2 bps").arg(Named({found.port, found.device})).arg(found.baud);
}

QString Described(const Found& found) {
  return QStringLiteral("%1: %2, family %3").arg(Where(found), found.model).arg(found.family);
}

int Ports(const Arguments& arguments) {
  QJsonArray entries;
  for (const ports::PortEntry& entry : CurrentPortList()) {
    const QString description = entry.detected ? entry.detected->description : QString();
    if (arguments.json) {
      entries.append(QJsonObject{{"name", entry.Name()},
                                 {"device", entry.device},
                                 {"description", description},
                                 {"present", entry.IsPresent()}});
    } else {
      Out(entry.Label(ports::TextLanguage::English) +
          (entry.IsPresent() ? QStringLiteral(" (") + entry.device + u')' : QString()));
    }
  }
  if (arguments.json) {
    Out(QString::fromUtf8(
        QJsonDocument(QJsonObject{{"ports", entries}}).toJson(QJsonDocument::Compact)));
  }
  return kDone;
}

int Identify(const Arguments& arguments) {
  Tserial serial;
  Found found;
  const int status = ConnectAsGiven(arguments, serial, found);
  if (status != kDone) return status;
  Report(found, arguments.json, Described(found));
  return kDone;
}

int Find(const Arguments& arguments) {
  printer::SearchRequest request;
  // The name each port goes by in the result: "COM3", "ttyUSB0" or the path given.
  QStringList names;
  const std::vector<ports::PortEntry> entries = CurrentPortList();
  if (arguments.ports.isEmpty()) {
    std::vector<int> indices;
    request.ports = ports::SearchPorts(entries, -1, &indices);
    for (const int index : indices) names << entries[static_cast<std::size_t>(index)].Name();
  } else {
    for (const QString& port : arguments.ports) {
      const PortTarget target = ResolvePort(port, entries);
      request.ports.push_back(
          {target.name.toStdString(), QFile::encodeName(target.device).toStdString()});
      names << target.name;
    }
  }
  // The rate the window would try first: the one last chosen there.
  request.firstRate = printer::BaudRateOf(prefs::Load().choices.baud);
  ProgressLine progress;
  printer::SearchHooks hooks;
  hooks.progress = [&progress](int made, int planned, const std::string& port, std::uint32_t rate) {
    progress.Show(made + 1, planned,
                  QStringLiteral("%1 at %2 bps").arg(QString::fromStdString(port)).arg(rate));
  };
  hooks.stopRequested = [] { return Interrupted(); };
  const printer::SearchResult result = printer::FindPrinter(request, hooks);
  progress.Finish();
  if (result.stopped) return kInterrupted;
  if (!result.found) {
    Err(ports::SearchReport(result, ports::TextLanguage::English));
    return kNoPrinter;
  }
  const Found found{names[result.portIndex], QString::fromStdString(result.device), result.rate,
                    Latin1(result.model), result.family};
  Report(found, arguments.json, Described(found));
  return kDone;
}

// Sleeps the pause in slices, so that Ctrl-C ends it at once.
bool Pause(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!Interrupted() && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kSliceMs));
  }
  return !Interrupted();
}

// Runs steps with progress on standard error; the exit status of the run.
int RunOnPrinter(Tserial& serial, const printer::SettingsSequence& steps, bool checkAlive) {
  ProgressLine progress;
  printer::SendHooks hooks;
  const int total = static_cast<int>(steps.size());
  hooks.stepSent = [&progress, &steps, total](std::size_t index) {
    progress.Show(static_cast<int>(index) + 1, total, DescribeStep(steps[index]));
  };
  hooks.pause = Pause;
  hooks.stopRequested = [] { return Interrupted(); };
  const printer::SendOutcome outcome = checkAlive ? printer::SendSequence(serial, steps, hooks)
                                                  : printer::RunSteps(serial, steps, hooks);
  progress.Finish();
  switch (outcome) {
    case printer::SendOutcome::Complete:
      return kDone;
    case printer::SendOutcome::Stopped:
      return kInterrupted;
    case printer::SendOutcome::NoAnswer:
    case printer::SendOutcome::LineLost:
      break;
  }
  Err(QStringLiteral("Error communicating with printer"));
  return kStoppedAnswering;
}

// What a completed or failed send did, for the install log and the slip.
printer::InstallOutcome SendOutcomeOf(const Found& found, const printer::PrinterSettings& sent,
                                      int status) {
  printer::InstallOutcome outcome;
  outcome.model = found.model.toStdString();
  outcome.family = found.family;
  outcome.rateBefore = found.baud;
  outcome.rateAfter = found.baud;
  outcome.result =
      status == kDone ? printer::InstallResult::Configured : printer::InstallResult::Failed;
  outcome.failure =
      status == kInterrupted ? printer::InstallFailure::Stopped : printer::InstallFailure::LineLost;
  const std::uint32_t newRate = printer::BaudRateOf(sent.newBaud);
  if (status == kDone && found.family == printer::kDipFamily && newRate != 0 &&
      newRate != found.baud) {
    outcome.result = printer::InstallResult::RestartNeeded;
    outcome.rateAfter = newRate;
  }
  return outcome;
}

int Apply(const Arguments& arguments) {
  const auto settings = LoadSettingsArgument(arguments.file);
  if (!settings) return kUsage;
  const int pauseMs = arguments.pauseMs.value_or(printer::kSequencePauseMs);
  const auto stepsFor = [&settings, pauseMs](int family) {
    return printer::BuildSettingsSequence(family, *settings, pauseMs);
  };
  if (arguments.dryRun && !arguments.model.isEmpty()) {
    return PlanForModel(
        arguments.model, [&stepsFor](int family) { return WithLivenessCheck(stepsFor(family)); },
        arguments.json);
  }
  Tserial serial;
  Found found;
  const int identified = ConnectAsGiven(arguments, serial, found);
  if (identified != kDone) return identified;
  if (arguments.dryRun) {
    serial.Close();
    PrintPlan(Described(found), WithLivenessCheck(stepsFor(found.family)), found.family, found.baud,
              arguments.json);
    return kDone;
  }

  int status = RunOnPrinter(serial, stepsFor(found.family), true);
  const InstallContext context = ContextFor(arguments.file, *settings);
  const printer::InstallOutcome outcome = SendOutcomeOf(found, *settings, status);
  if (status == kDone && arguments.slip) {
    printer::SlipFacts facts = SlipFactsFor(context, Named({found.port, found.device}));
    facts.model = outcome.model;
    facts.rateBefore = outcome.rateBefore;
    facts.rateAfter = outcome.rateAfter;
    facts.family = outcome.family;
    facts.settings = *settings;
    status = RunOnPrinter(serial, printer::BuildInstallSlip(facts, context.language), false);
  }
  serial.Close();
  if (!arguments.logFile.isEmpty() &&
      !prefs::AppendInstallRecord(
          arguments.logFile,
          RecordOf(context,
                   {found.port.toStdString(), QFile::encodeName(found.device).toStdString()},
                   outcome))) {
    Err("Cannot write the install log " + arguments.logFile + '.');
  }
  if (status != kDone) return status;
  QString sentence = "Settings applied to " + found.model + " on " + Where(found) + '.';
  if (found.family == printer::kDipFamily) {
    sentence +=
        QStringLiteral(" Switch the printer off and on for the DIP switches to take effect.");
  }
  Report(found, arguments.json, sentence);
  return kDone;
}

int TestPage(const Arguments& arguments) {
  // The window's choices, as it stored them.
  const prefs::StoredChoices stored = prefs::Load().choices;
  printer::PrinterSettings settings;
  settings.intensity = stored.intensity;
  settings.speed = stored.speed;
  settings.country = stored.country;
  settings.codePage = arguments.codePage.value_or(stored.codePage);
  const auto stepsFor = [&settings](const QString& model, int family) {
    return printer::BuildTestPage(model.toStdString(), settings,
                                  printer::LabelsOf(settings, family), 1);
  };
  if (arguments.dryRun && !arguments.model.isEmpty()) {
    return PlanForModel(
        arguments.model,
        [&stepsFor, &arguments](int family) { return stepsFor(arguments.model, family); },
        arguments.json);
  }

  Tserial serial;
  Found found;
  const int identified = ConnectAsGiven(arguments, serial, found);
  if (identified != kDone) return identified;
  const auto steps = stepsFor(found.model, found.family);
  if (arguments.dryRun) {
    serial.Close();
    PrintPlan(Described(found), steps, found.family, found.baud, arguments.json);
    return kDone;
  }
  const int status = RunOnPrinter(serial, steps, false);
  serial.Close();
  if (status == kDone) Out("Test page printed on " + found.model + " at " + Where(found) + '.');
  return status;
}

int CodePages(const Arguments& arguments) {
  Tserial serial;
  Found found;
  const int identified = ConnectAsGiven(arguments, serial, found);
  if (identified != kDone) return identified;
  const QByteArray text =
      arguments.text ? arguments.text->toUtf8()
                     : QByteArray(printer::TestPageSample(ContextFor({}, {}).language).data());
  const int status = RunOnPrinter(serial, printer::BuildCodePageProof(text.toStdString()), false);
  serial.Close();
  if (status == kDone) Out("Code pages printed on " + found.model + " at " + Where(found) + '.');
  return status;
}

}  // namespace

int Run(const ParseResult& parsed) {
  const Arguments& arguments = parsed.arguments;
  if (!parsed.error.isEmpty()) {
    Err("quillsetter-cli: " + parsed.error + "\n\n" + HelpText(arguments.command));
    return kUsage;
  }
  if (arguments.help) {
    Out(HelpText(arguments.command));
    return kDone;
  }
  if (arguments.version) {
    Out("quillsetter-cli " + QCoreApplication::applicationVersion());
    return kDone;
  }
  CatchInterrupt();
  switch (arguments.command) {
    case Command::Ports:
      return Ports(arguments);
    case Command::Identify:
      return Identify(arguments);
    case Command::Find:
      return Find(arguments);
    case Command::Apply:
      return Apply(arguments);
    case Command::TestPage:
      return TestPage(arguments);
    case Command::CodePages:
      return CodePages(arguments);
    case Command::Log:
      return ShowLog(arguments);
    case Command::Batch:
      return Batch(arguments);
    case Command::None:
      break;
  }
  return kUsage;
}

}  // namespace cli
