#include "arguments.h"

#include <array>
#include <utility>

namespace cli {
namespace {

constexpr std::array<std::pair<const char*, Command>, 5> kCommands = {{
    {"ports", Command::Ports},
    {"identify", Command::Identify},
    {"find", Command::Find},
    {"apply", Command::Apply},
    {"test-page", Command::TestPage},
}};

// What each command takes besides --help.
struct Accepts {
  bool json = false;
  bool port = false;
  bool manyPorts = false;
  bool baud = false;
  bool codePage = false;
  bool file = false;
};

Accepts AcceptedBy(Command command) {
  switch (command) {
    case Command::Ports:
      return {.json = true};
    case Command::Identify:
      return {.json = true, .port = true, .baud = true};
    case Command::Find:
      return {.json = true, .port = true, .manyPorts = true};
    case Command::Apply:
      return {.json = true, .port = true, .baud = true, .file = true};
    case Command::TestPage:
      return {.port = true, .baud = true, .codePage = true};
    case Command::None:
      break;
  }
  return {};
}

std::optional<long long> Number(const QString& text) {
  bool ok = false;
  const long long value = text.toLongLong(&ok, 10);
  return ok ? std::optional(value) : std::nullopt;
}

}  // namespace

ParseResult ParseArguments(const QStringList& words) {
  ParseResult result;
  Arguments& arguments = result.arguments;
  const auto fail = [&result](const QString& error) {
    result.error = error;
    return result;
  };

  qsizetype next = 0;
  if (next < words.size() && !words[next].startsWith(u'-')) {
    const QString& name = words[next++];
    for (const auto& [word, command] : kCommands) {
      if (name == QLatin1String(word)) arguments.command = command;
    }
    if (arguments.command == Command::None) return fail("unknown command " + name);
  }
  const Accepts accepts = AcceptedBy(arguments.command);

  while (next < words.size()) {
    QString word = words[next++];
    QString value;
    const qsizetype equals = word.indexOf(u'=');
    const bool inlineValue = word.startsWith(QLatin1String("--")) && equals > 0;
    if (inlineValue) {
      value = word.mid(equals + 1);
      word.truncate(equals);
    }
    const auto takeValue = [&]() -> std::optional<QString> {
      if (inlineValue) return value;
      if (next < words.size()) return words[next++];
      return std::nullopt;
    };

    if (word == QLatin1String("--help") || word == QLatin1String("-h")) {
      arguments.help = true;
    } else if (word == QLatin1String("--version") && arguments.command == Command::None) {
      arguments.version = true;
    } else if (word == QLatin1String("--json") && accepts.json) {
      arguments.json = true;
    } else if (word == QLatin1String("--port") && accepts.port) {
      const auto port = takeValue();
      if (!port || port->isEmpty()) return fail("--port needs a port");
      if (!arguments.ports.isEmpty() && !accepts.manyPorts) return fail("--port given twice");
      arguments.ports << *port;
    } else if (word == QLatin1String("--baud") && accepts.baud) {
      const auto text = takeValue();
      const auto rate = text ? Number(*text) : std::nullopt;
      if (!rate || *rate <= 0 || *rate > UINT32_MAX) return fail("--baud needs a rate in bps");
      arguments.baud = static_cast<std::uint32_t>(*rate);
    } else if (word == QLatin1String("--code-page") && accepts.codePage) {
      const auto text = takeValue();
      const auto page = text ? Number(*text) : std::nullopt;
      if (!page || *page < 0 || *page > 19) return fail("--code-page needs a number from 0 to 19");
      arguments.codePage = static_cast<int>(*page);
    } else if (word == QLatin1String("--pause-ms") && arguments.command == Command::Apply) {
      const auto text = takeValue();
      const auto pause = text ? Number(*text) : std::nullopt;
      if (!pause || *pause < 0 || *pause > 60000) return fail("--pause-ms needs 0 to 60000");
      arguments.pauseMs = static_cast<int>(*pause);
    } else if (!word.startsWith(u'-') && accepts.file && arguments.file.isEmpty()) {
      arguments.file = word;
    } else {
      return fail("unexpected " + word);
    }
  }

  if (arguments.help || arguments.version) return result;
  if (arguments.command == Command::None) return fail("no command given");
  if (accepts.port && !accepts.manyPorts && arguments.ports.isEmpty()) {
    return fail("--port is required");
  }
  if (accepts.baud && !arguments.baud) return fail("--baud is required");
  if (accepts.file && arguments.file.isEmpty()) return fail("the settings file is required");
  return result;
}

QString HelpText(Command command) {
  static const QString kExitStatus = QStringLiteral(
      "\nExit status:\n"
      "  0    done\n"
      "  2    usage error, or a bad settings file\n"
      "  3    no printer answered\n"
      "  4    the printer's model is not supported\n"
      "  5    the port cannot be opened\n"
      "  6    the printer stopped answering during a send\n"
      "  130  interrupted (Ctrl-C)\n");
  static const QString kPort = QStringLiteral(
      "  --port P     a COM name (COM3), a detected device's name (ttyUSB0, COM9) or a device "
      "path\n");
  switch (command) {
    case Command::Ports:
      return "Usage: quillsetter-cli ports [--json]\n\n"
             "Lists every entry of the window's port list: COM1 to COM6, then each detected\n"
             "serial device no COM entry reaches, with its device, description and whether it\n"
             "is present.\n\n"
             "  --json       one JSON object: {\"ports\": [{\"name\", \"device\", "
             "\"description\",\n"
             "               \"present\"}, ...]}\n" +
             kExitStatus;
    case Command::Identify:
      return "Usage: quillsetter-cli identify --port P --baud B [--json]\n\n"
             "Asks the printer on port P at B bps for its name and says its model and family.\n\n" +
             kPort +
             "  --baud B     the printer's rate in bps: 1200, 2400, 4800, 9600, 19200, 38400,\n"
             "               57600 or 115200\n"
             "  --json       one JSON object with port, device, baud, model and family\n" +
             kExitStatus;
    case Command::Find:
      return "Usage: quillsetter-cli find [--port P]... [--json]\n\n"
             "Looks for a supported printer at every rate: on the given ports in that order, or\n"
             "on every present port of the port list.\n\n" +
             kPort + "               (may be given more than once)\n" +
             "  --json       one JSON object with port, device, baud, model and family\n" +
             kExitStatus;
    case Command::Apply:
      return "Usage: quillsetter-cli apply FILE --port P --baud B [--json]\n\n"
             "Sends the printer settings of FILE (a settings file saved by the window, group\n"
             "[Printer]) to the printer on port P at B bps, with the pauses the printer needs,\n"
             "for the family the printer reports. Progress goes to standard error; Ctrl-C stops\n"
             "at the next step.\n\n" +
             kPort +
             "  --baud B     the printer's rate in bps\n"
             "  --json       one JSON object with port, device, baud, model and family\n"
             "  --pause-ms MS  the pause after the settings and each DIP switch (default 1500;\n"
             "               for tests: a real printer needs the full pause)\n" +
             kExitStatus;
    case Command::TestPage:
      return "Usage: quillsetter-cli test-page --port P --baud B [--code-page N]\n\n"
             "Prints the window's test page: the printer's settings as the window last stored\n"
             "them and the chart of a code page; nothing the printer stores changes.\n\n" +
             kPort +
             "  --baud B     the printer's rate in bps\n"
             "  --code-page N  the code page to chart, 0 to 19 (default: the stored one)\n" +
             kExitStatus;
    case Command::None:
      break;
  }
  return "Usage: quillsetter-cli COMMAND [OPTIONS]\n\n"
         "Configures ESC/POS receipt printers over a serial port, as the Quillsetter window "
         "does.\n\n"
         "Commands:\n"
         "  ports      list the serial ports\n"
         "  identify   ask a printer for its model\n"
         "  find       look for a supported printer on every port at every rate\n"
         "  apply      send a settings file to a printer\n"
         "  test-page  print a test page with a code-page chart\n\n"
         "  --help     this text; COMMAND --help for a command's\n"
         "  --version  the program's version\n" +
         kExitStatus;
}

}  // namespace cli
