#include "commands.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <cstdio>
#include <thread>

#include "identify.h"
#include "interrupt.h"
#include "open_failure_text.h"
#include "port_argument.h"
#include "port_list.h"
#include "preferences.h"
#include "printer.h"
#include "printer_search.h"
#include "printer_settings_file.h"
#include "progress_line.h"
#include "search_report.h"
#include "serial.h"
#include "settings_sequence.h"
#include "test_page.h"

namespace cli {
namespace {

constexpr int kSliceMs = 10;

void Out(const QString& text) { std::fputs(qPrintable(text + u'\n'), stdout); }
void Err(const QString& text) { std::fputs(qPrintable(text + u'\n'), stderr); }

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

int Apply(const Arguments& arguments) {
  const auto loaded = prefs::LoadPrinterSettings(arguments.file, printer::PrinterSettings{});
  if (!loaded) {
    Err("Cannot read the settings file " + arguments.file + '.');
    return kUsage;
  }
  if (!loaded->skipped.isEmpty()) {
    Err("The settings file " + arguments.file +
        " has no usable value for: " + loaded->skipped.join(QStringLiteral(", ")) + '.');
    return kUsage;
  }
  Tserial serial;
  Found found;
  const int identified = ConnectAsGiven(arguments, serial, found);
  if (identified != kDone) return identified;

  const int status = RunOnPrinter(
      serial,
      printer::BuildSettingsSequence(found.family, loaded->settings,
                                     arguments.pauseMs.value_or(printer::kSequencePauseMs)),
      true);
  serial.Close();
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
  Tserial serial;
  Found found;
  const int identified = ConnectAsGiven(arguments, serial, found);
  if (identified != kDone) return identified;

  // The window's choices, as it stored them.
  const prefs::StoredChoices stored = prefs::Load().choices;
  printer::PrinterSettings settings;
  settings.intensity = stored.intensity;
  settings.speed = stored.speed;
  settings.country = stored.country;
  settings.codePage = arguments.codePage.value_or(stored.codePage);
  const auto steps = printer::BuildTestPage(found.model.toStdString(), settings,
                                            printer::LabelsOf(settings, found.family), 1);
  const int status = RunOnPrinter(serial, steps, false);
  serial.Close();
  if (status == kDone) Out("Test page printed on " + found.model + " at " + Where(found) + '.');
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
    case Command::None:
      break;
  }
  return kUsage;
}

}  // namespace cli
