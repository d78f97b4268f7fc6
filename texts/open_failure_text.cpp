#include "open_failure_text.h"

#include <QFile>

namespace texts {
namespace {

struct Sentences {
  const char* noDevice;
  const char* permission;  // %2 the device's group
  const char* permissionOfUnknownGroup;
  const char* busy;  // %2 the program holding it
  const char* busyByUnknownHolder;
  const char* notSerial;
  const char* rateRefused;  // %2 the rate
  const char* console;
  const char* noSuchHost;  // %2 the host's name
  const char* connectionRefused;
  const char* noAnswer;
  const char* notRfc2217;
  const char* closedByServer;
};

constexpr Sentences kEnglish = {
    "There is no device at %1.",
    "No permission to open %1. Add your user to the group \"%2\" (sudo usermod -aG %2 $USER) and "
    "log in again.",
    "No permission to open %1.",
    "%1 is in use by another program (%2).",
    "%1 is in use by another program.",
    "%1 is not a serial port.",
    "%1 does not support %2 bps.",
    "%1 is the system console.",
    "There is no host called \"%2\" (%1).",
    "%1 refused the connection: no device server listens at that port.",
    "%1 did not answer within 3 seconds.",
    "%1 is not an RFC 2217 server. If it passes the bytes only, use socket:// instead of "
    "rfc2217://.",
    "%1 closed the connection before the port was set up, without saying why.",
};

constexpr Sentences kBulgarian = {
    "Няма устройство на %1.",
    "Нямате право да отворите %1. Добавете потребителя си в групата \"%2\" (sudo usermod -aG %2 "
    "$USER) и влезте отново.",
    "Нямате право да отворите %1.",
    "%1 се използва от друга програма (%2).",
    "%1 се използва от друга програма.",
    "%1 не е сериен порт.",
    "%1 не поддържа %2 bps.",
    "%1 е системната конзола.",
    "Няма хост с име \"%2\" (%1).",
    "%1 отказа връзката: на този порт не слуша сървър за серийни портове.",
    "%1 не отговори в рамките на 3 секунди.",
    "%1 не е сървър за RFC 2217. Ако предава само байтовете, използвайте socket:// вместо "
    "rfc2217://.",
    "%1 затвори връзката, преди портът да бъде настроен, без да каже защо.",
};

}  // namespace

QString OpenFailureText(const OpenError& error, std::uint32_t baudRate,
                        InterfaceLanguage language) {
  const Sentences& sentences = language == InterfaceLanguage::Bulgarian ? kBulgarian : kEnglish;
  const QString device = QFile::decodeName(QByteArray::fromStdString(error.device));
  const QString detail = QString::fromLocal8Bit(QByteArray::fromStdString(error.detail));
  // Both placeholders in one pass, so a % in a path is taken as it is.
  const auto sentence = [&](const char* text, const QString& second = {}) {
    return second.isEmpty() ? QString::fromUtf8(text).arg(device)
                            : QString::fromUtf8(text).arg(device, second);
  };
  switch (error.reason) {
    case OpenFailure::NoDevice:
      return sentence(sentences.noDevice);
    case OpenFailure::Permission:
      return detail.isEmpty() ? sentence(sentences.permissionOfUnknownGroup)
                              : sentence(sentences.permission, detail);
    case OpenFailure::Busy:
      return detail.isEmpty() ? sentence(sentences.busyByUnknownHolder)
                              : sentence(sentences.busy, detail);
    case OpenFailure::NotSerial:
      return sentence(sentences.notSerial);
    case OpenFailure::RateRefused:
      return sentence(sentences.rateRefused, QString::number(baudRate));
    case OpenFailure::Console:
      return sentence(sentences.console);
    case OpenFailure::NoSuchHost:
      return sentence(sentences.noSuchHost, detail);
    case OpenFailure::ConnectionRefused:
      return sentence(sentences.connectionRefused);
    case OpenFailure::NoAnswer:
      return sentence(sentences.noAnswer);
    case OpenFailure::NotRfc2217:
      return sentence(sentences.notRfc2217);
    case OpenFailure::ClosedByServer:
      return sentence(sentences.closedByServer);
    case OpenFailure::None:
    case OpenFailure::Other:
      break;
  }
  return {};
}

}  // namespace texts
