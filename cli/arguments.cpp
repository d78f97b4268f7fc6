#include "arguments.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <array>
#include <tuple>

#include "exit_status.h"
#include "printer.h"
#include "settings_sequence.h"

namespace cli {
namespace {

// Commands as bits, so that one row of the option table says which commands take the option.
enum Takers : unsigned {
  kPorts = 1U << 0U,
  kIdentify = 1U << 1U,
  kFind = 1U << 2U,
  kApply = 1U << 3U,
  kTestPage = 1U << 4U,
  kCodePages = 1U << 5U,
  kLog = 1U << 6U,
  kBatch = 1U << 7U,
};

struct CommandRow {
  const char* name;
  Command command;
  unsigned bit;
  const char* positional;  // FILE, [LOG] or nothing
  const char* positionalHelp;
  const char* summary;      // for the program's help
  const char* description;  // for the command's help
};

constexpr std::array<CommandRow, 8> kCommands = {{
    {"ports", Command::Ports, kPorts, nullptr, nullptr, "list the serial ports",
     "Lists every entry of the window's port list: COM1 to COM6, then each detected serial\n"
     "device no COM entry reaches, with its device, description and whether it is present."},
    {"identify", Command::Identify, kIdentify, nullptr, nullptr, "ask a printer for its model",
     "Asks the printer on port P at B bps for its name and says its model and family."},
    {"find", Command::Find, kFind, nullptr, nullptr,
     "look for a supported printer on every port at every rate",
     "Looks for a supported printer at every rate: on the given ports in that order, or on\n"
     "every present port of the port list."},
    {"apply", Command::Apply, kApply, "FILE", "the settings file (saved by the window)",
     "send a settings file to a printer",
     "Sends the printer settings of FILE (group [Printer]) to the printer on port P at B bps,\n"
     "with the pauses the printer needs, for the family the printer reports. Progress goes to\n"
     "standard error; Ctrl-C stops at the next step."},
    {"test-page", Command::TestPage, kTestPage, nullptr, nullptr,
     "print a test page with a code-page chart",
     "Prints the window's test page: the printer's settings as the window last stored them\n"
     "and the chart of a code page; nothing the printer stores changes."},
    {"code-pages", Command::CodePages, kCodePages, nullptr, nullptr,
     "print a text in each of the twenty code pages",
     "Prints, for each code page of the list, its number and label and the text in that code\n"
     "page (a code page of unknown encoding shows its bytes 80 to FF), so that the number\n"
     "that prints the text right can be read off; nothing the printer stores changes."},
    {"log", Command::Log, kLog, "[LOG]", "the install log (default: the window's)",
     "show an install log",
     "Shows the install log LOG (written by --log, and by the window after every Set) as a\n"
     "table, or with --json as one JSON object a line."},
    {"batch", Command::Batch, kBatch, "FILE", "the settings file (saved by the window)",
     "configure every printer on the given ports at once",
     "On every given port (without --port: every present port of the port list, never the\n"
     "console or a port another program holds) finds the printer, sends it the settings of\n"
     "FILE for the family it reports and asks its model again; all ports at once. One line\n"
     "a port as each ends, then a summary."},
}};

struct OptionRow {
  const char* name;
  const char* valueName;  // nullptr: a flag
  const char* help;
  unsigned takenBy;
};

constexpr std::array<OptionRow, 11> kOptions = {{
    {"port", "P",
     "a COM name (COM3), a detected device's name (ttyUSB0, COM9) or a device path; find and "
     "batch take it more than once",
     kIdentify | kFind | kApply | kTestPage | kCodePages | kBatch},
    {"baud", "B",
     "the printer's rate in bps: 1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200",
     kIdentify | kApply | kTestPage | kCodePages},
    {"code-page", "N", "the code page to chart, 0 to {last} (default: the stored one)", kTestPage},
    {"text", "TEXT", "the text to print (default: the window language's sample)", kCodePages},
    {"json", nullptr, "the result as JSON", kPorts | kIdentify | kFind | kApply | kLog | kBatch},
    {"dry-run", nullptr,
     "show the plan instead of sending: each step's bytes, what they mean, the pause after it "
     "and the total time; only the identify query reaches a printer",
     kApply | kTestPage | kBatch},
    {"model", "NAME", "with --dry-run: plan for this model, without opening any port",
     kApply | kTestPage | kBatch},
    {"log", "LOG", "append one JSON line for each printer to the install log LOG", kApply | kBatch},
    {"slip", nullptr, "print an installation slip after a completed send", kApply | kBatch},
    {"wait-restart", nullptr,
     "follow a printer whose new rate needs a power cycle until it answers at that rate", kBatch},
    {"pause-ms", "MS",
     "the pause after the settings and each DIP switch (default {pause}; for tests: a real "
     "printer needs the full pause)",
     kApply | kBatch},
}};

// The last code page of the table, for --code-page.
constexpr int kLastCodePage =
    static_cast<int>(std::tuple_size_v<decltype(printer::kCodePageLabels)>) - 1;

QString ExitStatusText() {
  QString text = QStringLiteral("\nExit status:\n");
  for (const ExitStatusRow& row : kExitStatuses) {
    text += QStringLiteral("  %1%2\n").arg(row.status, -5).arg(QLatin1String(row.meaning));
  }
  return text;
}

// The numbers a help text gives: {last} the last code page, {pause} the pause of a send in ms.
QString HelpOf(const OptionRow& option) {
  return QString::fromLatin1(option.help)
      .replace(QLatin1String("{last}"), QString::number(kLastCodePage))
      .replace(QLatin1String("{pause}"), QString::number(printer::kSequencePauseMs));
}

const CommandRow* RowOf(Command command) {
  for (const CommandRow& row : kCommands) {
    if (row.command == command) return &row;
  }
  return nullptr;
}

// A parser that knows the command's options, or the program's own.
void Describe(QCommandLineParser& parser, const CommandRow* row) {
  parser.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                      QStringLiteral("this text")));
  if (row == nullptr) {
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("COMMAND"), QStringLiteral("see below"));
    return;
  }
  parser.setApplicationDescription(QString::fromLatin1(row->description));
  parser.addPositionalArgument(QString::fromLatin1(row->name), QString::fromLatin1(row->summary),
                               QString::fromLatin1(row->name));
  if (row->positional != nullptr) {
    parser.addPositionalArgument(QString::fromLatin1(row->positional).remove(u'[').remove(u']'),
                                 QString::fromLatin1(row->positionalHelp),
                                 QString::fromLatin1(row->positional));
  }
  for (const OptionRow& option : kOptions) {
    if ((option.takenBy & row->bit) == 0) continue;
    parser.addOption(QCommandLineOption(
        QString::fromLatin1(option.name), HelpOf(option),
        option.valueName != nullptr ? QString::fromLatin1(option.valueName) : QString()));
  }
}

std::optional<long long> Number(const QString& text) {
  bool ok = false;
  const long long value = text.toLongLong(&ok, 10);
  return ok ? std::optional(value) : std::nullopt;
}

// The checks of values and combinations the parser cannot know; an error message or "".
QString Check(const QCommandLineParser& parser, const CommandRow& row, Arguments& arguments) {
  const auto isSet = [&parser, &row](const char* name) {
    for (const OptionRow& option : kOptions) {
      if (QLatin1String(option.name) == QLatin1String(name) && (option.takenBy & row.bit) != 0) {
        return parser.isSet(QString::fromLatin1(name));
      }
    }
    return false;
  };
  const auto value = [&parser, &isSet](const char* name) {
    return isSet(name) ? parser.value(QString::fromLatin1(name)) : QString();
  };

  QStringList positional = parser.positionalArguments();
  positional.removeFirst();  // the command
  arguments.json = isSet("json");
  const bool takesFile = row.positional != nullptr;
  const bool needsFile = takesFile && row.positional[0] != '[';
  if (positional.size() > (takesFile ? 1 : 0)) {
    return QStringLiteral("Unexpected argument '%1'.").arg(positional.last());
  }
  if (needsFile && positional.isEmpty()) {
    return QStringLiteral("Missing argument %1.").arg(QLatin1String(row.positional));
  }
  if (!positional.isEmpty()) arguments.file = positional.front();

  arguments.dryRun = isSet("dry-run");
  arguments.slip = isSet("slip");
  arguments.waitRestart = isSet("wait-restart");
  arguments.model = value("model");
  arguments.logFile = value("log");
  if (isSet("port")) {
    arguments.ports = parser.values(QStringLiteral("port"));
    if (arguments.ports.contains(QString())) return QStringLiteral("Option '--port' needs a port.");
    if (arguments.ports.size() > 1 && (row.bit & (kFind | kBatch)) == 0) {
      return QStringLiteral("Option '--port' given twice.");
    }
  }
  if (isSet("baud")) {
    const auto rate = Number(value("baud"));
    if (!rate || *rate <= 0 || *rate > UINT32_MAX) {
      return QStringLiteral("Option '--baud' needs a rate in bps.");
    }
    arguments.baud = static_cast<std::uint32_t>(*rate);
  }
  if (isSet("code-page")) {
    const auto page = Number(value("code-page"));
    if (!page || *page < 0 || *page > kLastCodePage) {
      return QStringLiteral("Option '--code-page' needs a number from 0 to %1.").arg(kLastCodePage);
    }
    arguments.codePage = static_cast<int>(*page);
  }
  if (isSet("pause-ms")) {
    const auto pause = Number(value("pause-ms"));
    if (!pause || *pause < 0 || *pause > 60000) {
      return QStringLiteral("Option '--pause-ms' needs 0 to 60000.");
    }
    arguments.pauseMs = static_cast<int>(*pause);
  }
  if (isSet("text")) arguments.text = value("text");

  if (isSet("model") && !arguments.dryRun) {
    return QStringLiteral("Option '--model' needs '--dry-run'.");
  }
  if (isSet("model") && !arguments.ports.isEmpty()) {
    return QStringLiteral("Options '--model' and '--port' exclude each other.");
  }
  // A plan for a named model needs no printer, so neither a port nor a rate.
  const bool portless = isSet("model");
  const bool needsPort = (row.bit & (kIdentify | kApply | kTestPage | kCodePages)) != 0;
  if (needsPort && !portless && arguments.ports.isEmpty()) {
    return QStringLiteral("Missing option '--port'.");
  }
  if (needsPort && !portless && !arguments.baud) {
    return QStringLiteral("Missing option '--baud'.");
  }
  return {};
}

}  // namespace

ParseResult ParseArguments(const QStringList& words) {
  ParseResult result;
  Arguments& arguments = result.arguments;
  // A command line the parser refuses still gets its failure as JSON when it asks for JSON.
  arguments.json = words.contains(QStringLiteral("--json"));
  const CommandRow* row = nullptr;
  if (!words.isEmpty() && !words.front().startsWith(u'-')) {
    for (const CommandRow& candidate : kCommands) {
      if (words.front() == QLatin1String(candidate.name)) row = &candidate;
    }
    if (row == nullptr) {
      result.error = QStringLiteral("Unknown command '%1'.").arg(words.front());
      return result;
    }
    arguments.command = row->command;
  }

  QCommandLineParser parser;
  Describe(parser, row);
  if (!parser.parse(QStringList{QStringLiteral("quillsetter-cli")} + words)) {
    result.error = parser.errorText();
    return result;
  }
  arguments.help = parser.isSet(QStringLiteral("help"));
  arguments.version = row == nullptr && parser.isSet(QStringLiteral("version"));
  if (arguments.help || arguments.version) return result;
  if (row == nullptr) {
    result.error =
        parser.positionalArguments().isEmpty()
            ? QStringLiteral("No command given.")
            : QStringLiteral("Unknown command '%1'.").arg(parser.positionalArguments()[0]);
    return result;
  }
  result.error = Check(parser, *row, arguments);
  return result;
}

QString HelpText(Command command) {
  const CommandRow* row = RowOf(command);
  QCommandLineParser parser;
  Describe(parser, row);
  // The usage line names the program as a shell finds it, whatever path started it.
  QString text = parser.helpText();
  const QString started = QCoreApplication::arguments().value(0);
  if (!started.isEmpty()) text.replace(started, QStringLiteral("quillsetter-cli"));
  if (row == nullptr) {
    text += QStringLiteral(
        "\nConfigures ESC/POS receipt printers over a serial port, as the Quillsetter window "
        "does.\n\nCommands:\n");
    for (const CommandRow& each : kCommands) {
      text += QStringLiteral("  %1%2\n")
                  .arg(QLatin1String(each.name), -12)
                  .arg(QLatin1String(each.summary));
    }
    text += QStringLiteral("\nCOMMAND --help shows a command's options.\n");
  }
  return text + ExitStatusText();
}

}  // namespace cli
