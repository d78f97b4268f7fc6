#include "answering.h"

vprinter::Options AnsweringAs(const std::string& model, std::uint32_t baud) {
  vprinter::Options options;
  options.reply = vprinter::ReplyForModel(model);
  options.baud = baud;
  return options;
}

vprinter::Options Silent() {
  vprinter::Options options;
  options.silent = true;
  return options;
}
