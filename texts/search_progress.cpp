#include "search_progress.h"

#include <QStringList>

namespace texts {
namespace {

struct ProgressTexts {
  const char* trying;  // %1 the number of ports
  const char* done;    // %1 the number of ports, %2 the ports whose tries have ended
};

constexpr ProgressTexts kBulgarian = {
    "Проверяват се %1 порта едновременно",
    "Проверяват се %1 порта едновременно; готови: %2",
};

constexpr ProgressTexts kEnglish = {
    "Trying %1 ports at once",
    "Trying %1 ports at once; done: %2",
};

}  // namespace

QString PortsProgressText(const printer::PortsProgress& progress, InterfaceLanguage language) {
  if (progress.portsTried < 2) return {};
  const ProgressTexts& texts = language == InterfaceLanguage::Bulgarian ? kBulgarian : kEnglish;
  const QString count = QString::number(progress.portsTried);
  if (progress.finished.empty()) return QString::fromUtf8(texts.trying).arg(count);
  QStringList names;
  for (const std::string& name : progress.finished) names << QString::fromStdString(name);
  // One pass, so a "%1" in a port's name stays as it is.
  return QString::fromUtf8(texts.done).arg(count, names.join(QStringLiteral(", ")));
}

}  // namespace texts
