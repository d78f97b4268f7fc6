#include "stored_integer.h"

#include <QVariant>

#include <algorithm>

namespace prefs {
namespace {

std::optional<int> ParseInteger(const QString& text) {
  const bool hasSign = text.startsWith(u'-') || text.startsWith(u'+');
  const auto digits = QStringView(text).sliced(hasSign ? 1 : 0);
  const bool onlyDigits =
      std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
  bool inRange = false;
  const int number = text.toInt(&inRange, 10);
  if (digits.isEmpty() || !onlyDigits || !inRange) return std::nullopt;
  return number;
}

// The registry keeps a number's type; a text file holds every value as text.
bool HoldsText(const QSettings& settings) {
#ifdef Q_OS_WIN
  return settings.format() != QSettings::NativeFormat;
#else
  Q_UNUSED(settings);
  return true;
#endif
}

}  // namespace

std::optional<int> ReadInteger(const QSettings& settings, const QString& key) {
  const QVariant value = settings.value(key);
  if (value.typeId() == QMetaType::Int) return value.toInt();
  if (value.typeId() == QMetaType::QString && HoldsText(settings)) {
    return ParseInteger(value.toString());
  }
  return std::nullopt;
}

}  // namespace prefs
