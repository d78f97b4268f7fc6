#include "printer_messages.h"

#include "open_failure_text.h"

namespace texts {

QString ConnectFailed(const OpenError& error, std::uint32_t rate, InterfaceLanguage language) {
  const QString connectFailed = QStringLiteral(
      "Connect failed. Please verify you have selected the right com port, the right baudrate "
      "(can be seen on printer's selftest) and you have no windows printer driver attached to "
      "this com port. This can be verified from Control Panel->Printers");
  const QString reason = OpenFailureText(error, rate, language);
  return reason.isEmpty() ? connectFailed : connectFailed + QStringLiteral("\n\n") + reason;
}

QString NoAnswer() { return QStringLiteral("Error communicating with printer"); }

QString UnsupportedModel(const QString& model) {
  return QStringLiteral("This printer model (") + model + QStringLiteral(") is not supported!");
}

QString OperationComplete() {
  return QStringLiteral(
      "Operation complete. In order to DIP settings changes take effect you have to turn off and "
      "on your printer!");
}

QString SetDeviceServer(const QString& port, std::uint32_t rate, InterfaceLanguage language) {
  const qsizetype scheme = port.indexOf(QStringLiteral("://"));
  const QString server = scheme < 0 ? port : port.mid(scheme + 3);
  const char* sentence = language == InterfaceLanguage::Bulgarian
                             ? "Настройте сървъра на %1 на %2 bps."
                             : "Set the device server at %1 to %2 bps.";
  return QString::fromUtf8(sentence).arg(server, QString::number(rate));
}

QString ModelName(std::string_view reported) {
  return QString::fromLatin1(reported.data(), static_cast<qsizetype>(reported.size()));
}

}  // namespace texts
