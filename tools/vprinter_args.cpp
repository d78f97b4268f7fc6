#include "vprinter_args.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <optional>
#include <string_view>
#include <vector>

#include "printer.h"

namespace vprinter {

namespace {

std::optional<int> ParseCount(std::string_view text, int minimum, int maximum) {
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || number < minimum ||
      number > maximum) {
    return std::nullopt;
  }
  return number;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Bytes as pairs of hex digits; blanks between them are allowed.
std::optional<std::vector<std::uint8_t>> ParseHex(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  std::size_t digits = 0;
  for (char c : text) {
    if (c == ' ') continue;
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    if (digits % 2 == 0) bytes.push_back(0);
    bytes.back() = static_cast<std::uint8_t>(bytes.back() << 4 | digit);
    ++digits;
  }
  if (digits % 2 != 0) return std::nullopt;
  return bytes;
}

// The printer's rates are those its DIP switches can select.
std::optional<std::uint32_t> ParseBaud(std::string_view text) {
  const auto number = ParseCount(text, 1, INT_MAX);
  for (std::size_t i = 0; number && i < printer::kBaudLabels.size(); ++i) {
    const std::uint32_t baud = printer::BaudRateOf(static_cast<int>(i));
    if (baud == static_cast<std::uint32_t>(*number)) return baud;
  }
  return std::nullopt;
}

std::string BaudList() {
  std::string list;
  for (std::size_t i = 0; i < printer::kBaudLabels.size(); ++i) {
    list += (i == 0 ? "" : ", ") + std::to_string(printer::BaudRateOf(static_cast<int>(i)));
  }
  return list;
}

struct CountOption {
  std::string_view name;
  int Options::*field;
  int minimum;
  int maximum;
};

constexpr CountOption kCountOptions[] = {
    {"--short", &Options::shortLength, 0, static_cast<int>(std::tuple_size_v<Reply>)},
    {"--stop-after", &Options::stopAfter, 0, INT_MAX},
    {"--pieces", &Options::pieces, 1, INT_MAX},
    {"--piece-delay", &Options::pieceDelayMs, 0, INT_MAX},
    {"--hang-up-after-bytes", &Options::hangUpAfterBytes, 0, INT_MAX},
    {"--hang-up-after-commands", &Options::hangUpAfterCommands, 1, INT_MAX},
    {"--back-after", &Options::backAfterMs, 0, INT_MAX},
};

const CountOption* FindCountOption(std::string_view option) {
  for (const CountOption& count : kCountOptions) {
    if (count.name == option) return &count;
  }
  return nullptr;
}

bool TakesValue(std::string_view option) {
  return FindCountOption(option) != nullptr || option == "--model" || option == "--reply-hex" ||
         option == "--garbage" || option == "--trailing" || option == "--link" ||
         option == "--log" || option == "--baud" || option == "--paper";
}

}  // namespace

ProgramArgs ParseArgs(int argc, const char* const* argv) {
  ProgramArgs args;
  std::optional<std::string> model;
  std::optional<Reply> replyHex;
  auto fail = [&](std::string message) {
    args.error = std::move(message);
    return args;
  };
  for (int i = 1; i < argc; ++i) {
    std::string_view option = argv[i];
    std::optional<std::string_view> value;
    if (const auto equals = option.find('=');
        option.starts_with("--") && equals != std::string_view::npos) {
      value = option.substr(equals + 1);
      option = option.substr(0, equals);
    }
    if (!TakesValue(option)) {
      if (value) return fail(std::string(option) + " takes no value");
      if (option == "--help" || option == "-h") {
        args.help = true;
      } else if (option == "--silent") {
        args.options.silent = true;
      } else if (option == "--power-cycle-on-signal") {
        args.powerCycleOnSignal = true;
      } else if (option == "--no-read") {
        args.options.neverRead = true;
      } else {
        return fail("unknown option " + std::string(option));
      }
      continue;
    }
    if (!value) {
      if (i + 1 == argc) return fail(std::string(option) + " needs a value");
      value = argv[++i];
    }
    const std::string text(*value);
    if (option == "--model") {
      if (text.size() > Reply().size()) return fail("--model: a name of at most 32 characters");
      model = text;
    } else if (option == "--reply-hex") {
      const auto bytes = ParseHex(text);
      if (!bytes || bytes->size() != std::tuple_size_v<Reply>) {
        return fail("--reply-hex: exactly 32 bytes as 64 hex digits");
      }
      std::copy(bytes->begin(), bytes->end(), replyHex.emplace().begin());
    } else if (option == "--garbage" || option == "--trailing") {
      auto bytes = ParseHex(text);
      if (!bytes || bytes->empty()) return fail(std::string(option) + ": bytes as hex digits");
      (option == "--garbage" ? args.options.beforeReply : args.options.afterReply) =
          std::move(*bytes);
    } else if (option == "--baud") {
      const auto baud = ParseBaud(text);
      if (!baud) return fail("--baud: one of " + BaudList());
      args.options.baud = *baud;
    } else if (const CountOption* countOption = FindCountOption(option)) {
      const auto count = ParseCount(text, countOption->minimum, countOption->maximum);
      if (!count) {
        return fail(
            std::string(option) + ": a whole number from " + std::to_string(countOption->minimum) +
            (countOption->maximum == INT_MAX ? " up"
                                             : " to " + std::to_string(countOption->maximum)));
      }
      args.options.*countOption->field = *count;
    } else if (text.empty()) {
      return fail(std::string(option) + ": an empty path");
    } else if (option == "--link") {
      args.options.linkPath = text;
    } else if (option == "--paper") {
      args.options.paperPath = text;
    } else {
      args.options.logPath = text;
    }
  }
  if (model && replyHex) return fail("--model and --reply-hex exclude each other");
  args.options.reply = replyHex ? *replyHex : ReplyForModel(model.value_or(kDefaultModel));
  return args;
}

std::string Usage() {
  return std::string(
             "Usage: quillsetter-vprinter [options]\n"
             "A printer on a pseudo-terminal: prints the device path, then one line per command\n"
             "it receives, and answers every identify command. Stops on SIGINT or SIGTERM.\n"
             "\n"
             "  --model NAME                reply with NAME padded with 0 bytes\n"
             "                              (default \"") +
         kDefaultModel +
         "\")\n"
         "  --reply-hex HEX             reply with exactly these 32 bytes (64 hex digits)\n"
         "  --silent                    never answer\n"
         "  --no-read                   never read: what a client writes fills the line, whose\n"
         "                              writes then block (a printer that stopped taking data)\n"
         "  --short N                   answer only the first N bytes of the reply (0..32)\n"
         "  --stop-after N              answer only the first N identify commands\n"
         "  --garbage HEX               send these bytes ahead of every reply (a noisy line)\n"
         "  --trailing HEX              send these bytes after every reply\n"
         "  --pieces N                  send each answer in N pieces of about equal size\n"
         "  --piece-delay MS            wait MS milliseconds between the pieces\n"
         "  --hang-up-after-bytes N     hang up (as when an adapter is pulled out) once N\n"
         "                              bytes of the first answer are out\n"
         "  --hang-up-after-commands N  hang up once N commands have been handled\n"
         "  --back-after MS             after a hang-up, a new device appears MS milliseconds\n"
         "                              later, at the --link path; its path is printed\n"
         "  --baud N                    read and answer only while the line is at N bps and\n"
         "                              8N1 (default: any rate); bytes sent at another rate\n"
         "                              or frame print \"unreadable bytes at R bps\"\n"
         "  --power-cycle-on-signal     switch off and on again on SIGUSR1 (see below)\n"
         "  --link PATH                 make a symlink to the device at PATH (removed at the\n"
         "                              end)\n"
         "  --log FILE                  write every received chunk as a JSON line\n"
         "                              {\"ms\":..,\"hex\":..}\n"
         "  --paper FILE                write the printed page to FILE as UTF-8 lines, in the\n"
         "                              code page ESC t chose (\"?\" where unknown); a cut\n"
         "                              writes \"-- cut --\"\n"
         "  --help                      show this text\n"
         "\n"
         "An answer is the garbage, the reply and the trailing bytes. A hang-up prints\n"
         "\"hang-up\"; without --back-after the printer stays unplugged until it stops.\n"
         "\n"
         "A power cycle prints \"power off\"; the printer neither reads nor answers for " +
         std::to_string(kPowerCycleOffMs / 1000) +
         " s,\n"
         "then comes back at the rate its DIP switches 1..3 select if all three arrived since\n"
         "the last power cycle, else at its old rate: \"power cycle: now at R bps\".\n";
}

}  // namespace vprinter
