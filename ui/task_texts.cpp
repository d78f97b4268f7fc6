#include "task_texts.h"

#include <QStringList>

#include "language.h"
#include "printer_search.h"

namespace {

constexpr TaskTexts kBulgarianTasks = {
    "Търсене на принтер",
    "Стоп",
    "Търсене на принтера на %1 при %2 bps…",
    "Нито един поддържан принтер не отговори на никой порт и скорост.",
    "няма отговор",
    "%1 (не се поддържа) при %2 bps",
    "използва се от друга програма",
    "използва се от друга програма (%1)",
    "системна конзола, не е проверен",
    "не може да се отвори",
    "не е проверен",
    "Тестова страница",
    "Изключете и включете принтера. Очакване при %1 bps…",
    "Принтерът вече работи при %1 bps.",
    "Принтерът отговори при %1 bps: новата скорост не е приложена.",
};

constexpr TaskTexts kEnglishTasks = {
    "Find printer",
    "Stop",
    "Looking for the printer on %1 at %2 bps…",
    "No supported printer answered on any port at any baud rate.",
    "no answer",
    "%1 (not supported) at %2 bps",
    "in use by another program",
    "in use by another program (%1)",
    "the system console, not tried",
    "cannot be opened",
    "not tried",
    "Test page",
    "Switch the printer off and on. Waiting for it at %1 bps…",
    "The printer now works at %1 bps.",
    "The printer answered at %1 bps: the new baud rate has not taken effect.",
};

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

QString Seen(const printer::PortFinding& finding, const TaskTexts& texts) {
  switch (finding.seen) {
    case printer::PortSeen::NoAnswer:
      return QString::fromUtf8(texts.noAnswer);
    case printer::PortSeen::Unsupported:
    case printer::PortSeen::Found:
      return QString::fromUtf8(texts.unsupported)
          .arg(QString::fromLatin1(finding.model.data(),
                                   static_cast<qsizetype>(finding.model.size())))
          .arg(finding.rate);
    case printer::PortSeen::Held:
      return finding.openError.detail.empty()
                 ? QString::fromUtf8(texts.held)
                 : QString::fromUtf8(texts.heldBy).arg(Utf8(finding.openError.detail));
    case printer::PortSeen::Console:
      return QString::fromUtf8(texts.console);
    case printer::PortSeen::CannotOpen:
      return QString::fromUtf8(texts.cannotOpen);
    case printer::PortSeen::NotReached:
      break;
  }
  return QString::fromUtf8(texts.notTried);
}

}  // namespace

const TaskTexts& TaskTextsFor(int language) {
  return language == kBulgarian ? kBulgarianTasks : kEnglishTasks;
}

QString NotFoundMessage(const printer::SearchResult& result, int language) {
  const TaskTexts& texts = TaskTextsFor(language);
  QStringList lines{QString::fromUtf8(texts.notFound)};
  for (const printer::PortFinding& finding : result.findings) {
    lines << Utf8(finding.name) + QStringLiteral(": ") + Seen(finding, texts);
  }
  return lines.join(u'\n');
}
