#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// The command line of quillsetter-cli, read without judging what the values mean.
namespace cli {

enum class Command { None, Ports, Identify, Find, Apply, TestPage, CodePages, Log, Batch };

struct Arguments {
  Command command = Command::None;
  bool help = false;
  bool version = false;
  bool json = false;
  QStringList ports;  // --port, in the order given
  std::optional<std::uint32_t> baud;
  std::optional<int> codePage;
  std::optional<int> pauseMs;  // shortens the pauses of a send, for tests
  QString file;                // the settings file of apply and batch, the log of log
  bool dryRun = false;
  QString model;    // --model: the printer a dry run plans for, without a port
  QString logFile;  // --log
  bool slip = false;
  bool waitRestart = false;
  std::optional<QString> text;  // --text of code-pages
};

struct ParseResult {
  Arguments arguments;
  QString error;  // the parser's message; empty when the command line is usable
};

ParseResult ParseArguments(const QStringList& words);

// What --help prints: for the program, or for one command.
QString HelpText(Command command);

}  // namespace cli
