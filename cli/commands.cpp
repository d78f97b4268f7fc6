#include "commands.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <functional>

#include "batch.h"
#include "code_page_proof.h"
#include "completed_send.h"
#include "install_record.h"
#include "interrupt.h"
#include "log_command.h"
#include "open_failure_text.h"
#include "plan.h"
#include "port_argument.h"
#include "port_list.h"
#include "preferences.h"
#include "printer.h"
#include "printer_messages.h"
#include "printer_search.h"
#include "printer_settings_file.h"
#include "progress_line.h"
#include "report.h"
#include "search_progress.h"
#include "search_report.h"
#include "serial.h"
#include "session.h"
#include "settings_argument.h"
#include "settings_sequence.h"
#include "test_page.h"

namespace cli {
namespace {

// "COM3 (/dev/ttyUSB0)", or the path alone when the port was named by it.
QString Named(const PortTarget& target) {
  return target.name == target.device ? target.name : target.name + " (" + target.device + ')';
}

// The port of --port at the rate of --baud, connected with a supported printer on it; an exit
// status other than kDone when that failed, with the message written.
int ConnectAsGiven(const Arguments& arguments, printer::Session& session, Found& found) {
  const PortTarget target = ResolvePort(arguments.ports.front(), CurrentPortList());
  const std::uint32_t baud = *arguments.baud;
  const printer::ConnectResult result =
      session.Connect(QFile::encodeName(target.device).toStdString(), baud);
  found = {target.name, target.device, baud, texts::ModelName(result.model), result.family};
  if (Interrupted()) return Failed(arguments.json, kInterrupted, InterruptText(), found);
  switch (result.outcome) {
    case printer::ConnectOutcome::Connected:
      return kDone;
    case printer::ConnectOutcome::CannotOpen: {
      const QString reason =
          texts::OpenFailureText(result.openError, baud, InterfaceLanguage::English);
      return Failed(
          arguments.json, kCannotOpen,
          "Cannot open " + Named(target) + '.' + (reason.isEmpty() ? QString() : u' ' + reason),
          found);
    }
    case printer::ConnectOutcome::NoAnswer:
      return Failed(arguments.json, kNoPrinter,
                    QStringLiteral("No printer answered on %1 at %2 bps.")
                        .arg(Named(target), QString::number(baud)),
                    found);
    case printer::ConnectOutcome::Unsupported:
      break;
  }
  return Failed(arguments.json, kUnsupported, texts::UnsupportedModel(found.model), found);
}

// A channel whose waits Ctrl-C ends.
class InterruptibleSerial {
 public:
  InterruptibleSerial() {
    serial_.SetWaitHook([] { return !Interrupted(); });
  }
  printer::Session& session() { return session_; }

 private:
  Tserial serial_;
  printer::Session session_{serial_};
};

QString Where(const Found& found) {
  return QStringLiteral("%1 at %2 bps")
      .arg(Named({found.port, found.device}), QString::number(found.baud));
}

QString Described(const Found& found) {
  return QStringLiteral("%1: %2, family %3")
      .arg(Where(found), found.model, QString::number(found.family));
}

int Ports(const Arguments& arguments) {
  QJsonArray entries;
  for (const ports::PortEntry& entry : CurrentPortList()) {
    const QString description = entry.detected ? entry.detected->description : QString();
    if (arguments.json) {
      entries.append(QJsonObject{{"name", entry.Name()},
                                 {"device", entry.device},
                                 {"description", description},
                                 {"present", entry.IsPresent()},
                                 {"network", entry.network}});
    } else {
      // The window's entry, with what it opens where the entry does not name that already (on
      // Windows "USB Serial Port (COM7)" does).
      const QString label = entry.Label(InterfaceLanguage::English);
      const bool opensShown = !entry.IsPresent() || label.contains(entry.device);
      Out(label + (opensShown ? QString() : QStringLiteral(" (") + entry.device + u')'));
    }
  }
  if (arguments.json) OutJson({{"ports", entries}});
  return kDone;
}

int Identify(const Arguments& arguments) {
  InterruptibleSerial line;
  Found found;
  const int status = ConnectAsGiven(arguments, line.session(), found);
  if (status != kDone) return status;
  Report(found, arguments.json, Described(found));
  return kDone;
}

int Find(const Arguments& arguments) {
  printer::SearchRequest request;
  // Each port is tagged with the name it goes by in the result: "COM3", "ttyUSB0" or the path
  // given.
  const std::vector<ports::PortEntry> entries = CurrentPortList();
  if (arguments.ports.isEmpty()) {
    request.ports = ports::SearchPorts(entries, -1);
  } else {
    for (const QString& port : arguments.ports) {
      const PortTarget target = ResolvePort(port, entries);
      request.ports.push_back({target.name.toStdString(),
                               QFile::encodeName(target.device).toStdString(),
                               target.name.toStdString()});
    }
  }
  // The rate the window would try first: the one last chosen there.
  request.firstRate = printer::BaudRateOf(prefs::Load().choices.baud);
  // The ports are tried at once: the count is over every port, the words name the port the
  // result waits on and the ports that are done.
  ProgressLine progress;
  QString waitingOn;
  printer::SearchHooks hooks;
  hooks.progress = [&waitingOn](int, int, const std::string& port, std::uint32_t rate) {
    waitingOn =
        QStringLiteral("%1 at %2 bps").arg(QString::fromStdString(port), QString::number(rate));
  };
  hooks.ports = [&progress, &waitingOn](const printer::PortsProgress& ports) {
    if (waitingOn.isEmpty()) return;
    const QString all = texts::PortsProgressText(ports, InterfaceLanguage::English);
    progress.Show(ports.triesMade, ports.triesPlanned,
                  all.isEmpty() ? waitingOn : waitingOn + QStringLiteral(" (") + all + u')');
  };
  hooks.stopRequested = [] { return Interrupted(); };
  const printer::SearchResult result = printer::FindPrinter(request, hooks);
  progress.Finish();
  if (result.stopped) return Failed(arguments.json, kInterrupted, InterruptText());
  if (!result.found) {
    return Failed(arguments.json, kNoPrinter,
                  texts::SearchReport(result, InterfaceLanguage::English));
  }
  const Found found{QString::fromStdString(result.tag), QString::fromStdString(result.device),
                    result.rate, texts::ModelName(result.model), result.family};
  Report(found, arguments.json, Described(found));
  return kDone;
}

// Runs steps with progress on standard error, each step in words, pauses that Ctrl-C ends.
printer::SendOutcome RunOnPrinter(
    const printer::SettingsSequence& steps,
    const std::function<printer::SendOutcome(const printer::SendHooks&)>& run) {
  ProgressLine progress;
  printer::SendHooks hooks;
  const int total = static_cast<int>(steps.size());
  hooks.stepSent = [&progress, &steps, total](std::size_t index) {
    progress.Show(static_cast<int>(index) + 1, total, QString::fromStdString(steps[index].what));
  };
  hooks.pause = [](int ms) {
    return printer::SleepUnlessStopped(std::chrono::milliseconds(ms), Interrupted);
  };
  hooks.stopRequested = Interrupted;
  const printer::SendOutcome outcome = run(hooks);
  progress.Finish();
  return outcome;
}

// How a run on a printer ended: kDone, or a failure's status and what to say.
struct RunEnd {
  int status = kDone;
  QString message;
};

RunEnd EndOf(printer::SendOutcome outcome) {
  switch (outcome) {
    case printer::SendOutcome::Complete:
      return {};
    case printer::SendOutcome::Stopped:
      return {kInterrupted, InterruptText()};
    case printer::SendOutcome::NoAnswer:
    case printer::SendOutcome::LineLost:
      break;
  }
  return {kStoppedAnswering, texts::NoAnswer()};
}

// Runs steps on the printer found; the exit status, with a failure said.
int RunReported(const Arguments& arguments, const Found& found,
                const printer::SettingsSequence& steps,
                const std::function<printer::SendOutcome(const printer::SendHooks&)>& run) {
  const RunEnd end = EndOf(RunOnPrinter(steps, run));
  return end.status == kDone ? kDone : Failed(arguments.json, end.status, end.message, found);
}

int Apply(const Arguments& arguments) {
  // A file made for one printer may leave out what its family is not sent: what every family is
  // sent is checked before a port is opened, the rest once the family is known.
  const int plannedFamily = arguments.dryRun && !arguments.model.isEmpty()
                                ? printer::Classify(arguments.model.toStdString())
                                : printer::kNoFamily;
  auto settings = LoadSettingsArgument(arguments, plannedFamily);
  if (!settings) return kUsage;
  const int pauseMs = arguments.pauseMs.value_or(printer::kSequencePauseMs);
  const auto planFor = [&settings, pauseMs](int family) {
    return printer::Session::SendPlan(family, *settings, pauseMs);
  };
  if (arguments.dryRun && !arguments.model.isEmpty()) {
    return PlanForModel(arguments.model, planFor, arguments.json);
  }
  InterruptibleSerial line;
  printer::Session& session = line.session();
  Found found;
  const int identified = ConnectAsGiven(arguments, session, found);
  if (identified != kDone) return identified;
  settings = LoadSettingsArgument(arguments, found.family);
  if (!settings) return kUsage;
  if (arguments.dryRun) {
    session.Disconnect();
    PrintPlan(Described(found), planFor(found.family), found.family, found.baud, arguments.json);
    return kDone;
  }

  // The run that ended the job, the send's or the slip's, decides the exit status.
  printer::SendOutcome last = RunOnPrinter(
      planFor(found.family),
      [&](const printer::SendHooks& hooks) { return session.Send(*settings, hooks, pauseMs); });
  const prefs::InstallContext context = prefs::ContextFor(arguments.file, *settings);
  printer::SendWishes wishes;
  wishes.printSlip = arguments.slip;
  wishes.slip = prefs::SlipFactsFor(context, Named({found.port, found.device}));
  wishes.language = context.language;
  wishes.run = [&](const printer::SettingsSequence& slip) {
    last = RunOnPrinter(slip,
                        [&](const printer::SendHooks& hooks) { return session.Run(slip, hooks); });
    return last;
  };
  wishes.stop = Interrupted;
  const printer::InstallOutcome outcome = printer::CompleteSend(session, *settings, last, wishes);
  session.Disconnect();
  const printer::SearchPort port{found.port.toStdString(),
                                 QFile::encodeName(found.device).toStdString(),
                                 found.port.toStdString()};
  // An install that is not logged is a failure of its own, said in the JSON too.
  QJsonObject logFailure;
  if (!arguments.logFile.isEmpty() &&
      !prefs::AppendInstallRecord(arguments.logFile, prefs::RecordOf(context, port, outcome))) {
    logFailure.insert("log_error", "Cannot write the install log " + arguments.logFile + '.');
    Err(logFailure["log_error"].toString());
  }
  const RunEnd end = EndOf(last);
  if (end.status != kDone) {
    return Failed(arguments.json, end.status, end.message, found, logFailure);
  }
  QString sentence = "Settings applied to " + found.model + " on " + Where(found) + '.';
  if (found.family == printer::kDipFamily) {
    sentence +=
        QStringLiteral(" Switch the printer off and on for the DIP switches to take effect.");
  }
  if (outcome.rateChange == printer::RateChange::SetDeviceServer) {
    sentence +=
        u' ' + texts::SetDeviceServer(found.device, outcome.rateAfter, InterfaceLanguage::English);
  }
  Report(found, arguments.json, sentence, logFailure);
  return logFailure.isEmpty() ? kDone : kNotWritten;
}

int TestPage(const Arguments& arguments) {
  // The window's choices, as it stored them.
  printer::PrinterSettings settings = prefs::Load().choices.printer;
  settings.codePage = arguments.codePage.value_or(settings.codePage);
  const auto planFor = [&settings](const std::string& model) {
    return printer::Session::TestPagePlan(model, settings, InterfaceLanguage::English);
  };
  if (arguments.dryRun && !arguments.model.isEmpty()) {
    return PlanForModel(
        arguments.model, [&](int) { return planFor(arguments.model.toStdString()); },
        arguments.json);
  }

  InterruptibleSerial line;
  printer::Session& session = line.session();
  Found found;
  const int identified = ConnectAsGiven(arguments, session, found);
  if (identified != kDone) return identified;
  const auto steps = planFor(session.Model());
  if (arguments.dryRun) {
    session.Disconnect();
    PrintPlan(Described(found), steps, found.family, found.baud, arguments.json);
    return kDone;
  }
  const int status = RunReported(arguments, found, steps, [&](const printer::SendHooks& hooks) {
    return session.PrintTestPage(settings, InterfaceLanguage::English, hooks);
  });
  session.Disconnect();
  if (status == kDone) {
    Report(found, arguments.json,
           "Test page printed on " + found.model + " at " + Where(found) + '.');
  }
  return status;
}

int CodePages(const Arguments& arguments) {
  InterruptibleSerial line;
  printer::Session& session = line.session();
  Found found;
  const int identified = ConnectAsGiven(arguments, session, found);
  if (identified != kDone) return identified;
  const std::string text =
      arguments.text ? arguments.text->toStdString()
                     : std::string(printer::TestPageSample(prefs::ContextFor({}, {}).language));
  const printer::SettingsSequence steps = printer::BuildCodePageProof(text);
  const int status = RunReported(arguments, found, steps, [&](const printer::SendHooks& hooks) {
    return session.Run(steps, hooks);
  });
  session.Disconnect();
  if (status == kDone) {
    Report(found, arguments.json,
           "Code pages printed on " + found.model + " at " + Where(found) + '.');
  }
  return status;
}

int RunCommand(const ParseResult& parsed) {
  const Arguments& arguments = parsed.arguments;
  if (!parsed.error.isEmpty()) {
    // The reason in one line, then the help for it.
    Failed(arguments.json, kUsage, "quillsetter-cli: " + parsed.error);
    Err(u'\n' + HelpText(arguments.command));
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
  for (const QString& port : arguments.ports) {
    const QString problem = AddressProblem(port);
    if (!problem.isEmpty()) return Failed(arguments.json, kUsage, problem);
  }
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

}  // namespace

int Run(const ParseResult& parsed) {
  CatchInterrupt();
  return WithOutputWritten(RunCommand(parsed));
}

}  // namespace cli
