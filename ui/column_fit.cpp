#include "column_fit.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QProxyStyle>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QWidget>

#include <optional>

#include "form_texts.h"
#include "ui_mainform.h"

namespace {

// More than a line of conditions and a number is not a file of ours.
constexpr qint64 kMostBytes = 4096;

// What the width depends on: the toolkit, the style, the font and the screen's density, and
// the program itself, whose texts a new build may have changed.
QString ConditionsOf(const QWidget& window) {
  const QFileInfo program(QCoreApplication::applicationFilePath());
  const QStyle* style = window.style();
  const auto* proxy = qobject_cast<const QProxyStyle*>(style);
  return QStringList{QString::fromLatin1(qVersion()),
                     QString::fromLatin1(style->metaObject()->className()),
                     (proxy != nullptr ? proxy->baseStyle() : style)->name(),
                     window.font().key(),
                     QString::number(window.logicalDpiX()),
                     QString::number(window.devicePixelRatioF()),
                     program.absoluteFilePath(),
                     QString::number(program.size()),
                     QString::number(program.lastModified().toMSecsSinceEpoch())}
      .join(u'|');
}

// The width kept in the file for these conditions, if it is there.
std::optional<int> RememberedWidth(const QString& file, const QString& conditions) {
  QFile kept(file);
  if (kept.size() > kMostBytes || !kept.open(QIODevice::ReadOnly)) return std::nullopt;
  const QList<QByteArray> lines = kept.readAll().split('\n');
  if (lines.size() < 2 || QString::fromUtf8(lines[0]) != conditions) return std::nullopt;
  bool number = false;
  const int width = lines[1].toInt(&number);
  if (!number || width <= 0) return std::nullopt;
  return width;
}

}  // namespace

ColumnFit::ColumnFit(QWidget& window, Ui::TMainF& form, QString rememberedIn)
    : QObject(&window),
      window_(window),
      form_(form),
      file_(std::move(rememberedIn)),
      conditions_(ConditionsOf(window)) {
  const std::optional<int> remembered = RememberedWidth(file_, conditions_);
  if (remembered) {
    form::SetColumnWidth(form_, *remembered);
    checkPending_ = true;
    window_.installEventFilter(this);
    return;
  }
  const int measured = form::MeasureColumnWidth();
  form::SetColumnWidth(form_, measured);
  Remember(measured);
}

bool ColumnFit::eventFilter(QObject* watched, QEvent* event) {
  // The measure waits until the painted window is on the screen.
  if (watched == &window_ && event->type() == QEvent::Paint && checkPending_) {
    checkPending_ = false;
    window_.removeEventFilter(this);
    QTimer::singleShot(0, this, &ColumnFit::MeasureAgain);
  }
  return false;
}

void ColumnFit::MeasureAgain() {
  const int measured = form::MeasureColumnWidth();
  if (measured == form::ColumnWidth(form_)) return;
  form::SetColumnWidth(form_, measured);
  Remember(measured);
}

// A cache that cannot be written costs the next start its measure, nothing else.
void ColumnFit::Remember(int width) const {
  QSaveFile kept(file_);
  if (!QFileInfo(file_).absoluteDir().mkpath(QStringLiteral(".")) ||
      !kept.open(QIODevice::WriteOnly)) {
    return;
  }
  kept.write(conditions_.toUtf8() + '\n' + QByteArray::number(width) + '\n');
  kept.commit();
}

QString DefaultColumnWidthFile() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
         QStringLiteral("/quillsetter/column-width");
}
