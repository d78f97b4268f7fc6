#include "search_report.h"

#include <QStringList>

#include "open_failure_text.h"

namespace texts {
namespace {

struct ReportTexts {
  const char* notFound;
  const char* noAnswer;
  const char* unsupported;  // %1 the model, %2 the rate
  const char* held;
  const char* heldBy;  // %1 the program holding the port
  const char* console;
  const char* cannotOpen;
  const char* notTried;
};

constexpr ReportTexts kBulgarian = {
    "Нито един поддържан принтер не отговори на никой порт и скорост.",
    "няма отговор",
    "%1 (не се поддържа) при %2 bps",
    "използва се от друга програма",
    "използва се от друга програма (%1)",
    "системна конзола, не е проверен",
    "не може да се отвори",
    "не е проверен",
};

constexpr ReportTexts kEnglish = {
    "No supported printer answered on any port at any baud rate.",
    "no answer",
    "%1 (not supported) at %2 bps",
    "in use by another program",
    "in use by another program (%1)",
    "the system console, not tried",
    "cannot be opened",
    "not tried",
};

QString Seen(const printer::PortFinding& finding, const ReportTexts& texts,
             InterfaceLanguage language) {
  switch (finding.seen) {
    case printer::PortSeen::NoAnswer:
      return QString::fromUtf8(texts.noAnswer);
    case printer::PortSeen::Unsupported:
    case printer::PortSeen::Found:
      // One pass for both, so a "%1" in the model's name stays as it is.
      return QString::fromUtf8(texts.unsupported)
          .arg(QString::fromLatin1(finding.model.data(),
                                   static_cast<qsizetype>(finding.model.size())),
               QString::number(finding.rate));
    case printer::PortSeen::Held:
      return finding.openError.detail.empty()
                 ? QString::fromUtf8(texts.held)
                 : QString::fromUtf8(texts.heldBy)
                       .arg(QString::fromStdString(finding.openError.detail));
    case printer::PortSeen::Console:
      return QString::fromUtf8(texts.console);
    case printer::PortSeen::CannotOpen: {
      const QString reason = OpenFailureText(finding.openError, finding.rate, language);
      return reason.isEmpty() ? QString::fromUtf8(texts.cannotOpen) : reason;
    }
    case printer::PortSeen::NotReached:
      break;
  }
  return QString::fromUtf8(texts.notTried);
}

}  // namespace

QString SearchReport(const printer::SearchResult& result, InterfaceLanguage language) {
  const ReportTexts& texts = language == InterfaceLanguage::Bulgarian ? kBulgarian : kEnglish;
  QStringList lines{QString::fromUtf8(texts.notFound)};
  for (const printer::PortFinding& finding : result.findings) {
    lines << QString::fromStdString(finding.name) + QStringLiteral(": ") +
                 Seen(finding, texts, language);
  }
  return lines.join(u'\n');
}

}  // namespace texts
