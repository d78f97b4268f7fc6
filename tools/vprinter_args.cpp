#include "vprinter_args.h"

#include <charconv>
#include <climits>
#include <optional>
#include <string_view>

namespace vprinter {

namespace {

std::optional<int> ParseCount(std::string_view text, int maximum) {
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || number < 0 || number > maximum) {
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

// Exactly 32 bytes as hex digits; blanks between them are allowed.
std::optional<Reply> ParseReplyHex(std::string_view text) {
  Reply reply{};
  std::size_t digits = 0;
  for (char c : text) {
    if (c == ' ') continue;
    const int digit = HexDigit(c);
    if (digit < 0 || digits == reply.size() * 2) return std::nullopt;
    reply[digits / 2] = static_cast<std::uint8_t>(reply[digits / 2] << 4 | digit);
    ++digits;
  }
  if (digits != reply.size() * 2) return std::nullopt;
  return reply;
}

bool TakesValue(std::string_view option) {
  return option == "--model" || option == "--reply-hex" || option == "--short" ||
         option == "--stop-after" || option == "--link" || option == "--log";
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
    if (const auto equals = option.find('='); option.starts_with("--") && equals != option.npos) {
      value = option.substr(equals + 1);
      option = option.substr(0, equals);
    }
    if (!TakesValue(option)) {
      if (value) return fail(std::string(option) + " takes no value");
      if (option == "--help" || option == "-h") {
        args.help = true;
      } else if (option == "--silent") {
        args.options.silent = true;
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
      replyHex = ParseReplyHex(text);
      if (!replyHex) return fail("--reply-hex: exactly 32 bytes as 64 hex digits");
    } else if (option == "--short") {
      const auto count = ParseCount(text, static_cast<int>(Reply().size()));
      if (!count) return fail("--short: a whole number from 0 to 32");
      args.options.shortLength = *count;
    } else if (option == "--stop-after") {
      const auto count = ParseCount(text, INT_MAX);
      if (!count) return fail("--stop-after: a whole number of 0 or more");
      args.options.stopAfter = *count;
    } else if (text.empty()) {
      return fail(std::string(option) + ": an empty path");
    } else if (option == "--link") {
      args.options.linkPath = text;
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
             "  --model NAME      reply with NAME padded with 0 bytes (default \"") +
         kDefaultModel +
         "\")\n"
         "  --reply-hex HEX   reply with exactly these 32 bytes (64 hex digits)\n"
         "  --silent          never answer\n"
         "  --short N         answer only the first N bytes of the reply (0..32)\n"
         "  --stop-after N    answer only the first N identify commands\n"
         "  --link PATH       make a symlink to the device at PATH (removed at the end)\n"
         "  --log FILE        write every received chunk as a JSON line {\"ms\":..,\"hex\":..}\n"
         "  --help            show this text\n";
}

}  // namespace vprinter
