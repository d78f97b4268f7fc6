#include "late_window_icon.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <utility>

namespace {

// About ten frames: longer than a first paint takes, short enough to go unnoticed.
constexpr int kLongestWaitMs = 150;

}  // namespace

TLateWindowIcon::TLateWindowIcon(QWidget& window, IconSource icon)
    : window_(window), icon_(std::move(icon)) {
  QApplication::instance()->installEventFilter(this);
  fallback_.setSingleShot(true);
  connect(&fallback_, &QTimer::timeout, this, [this] {
    if (window_.isVisible()) Apply();
  });
  fallback_.start(kLongestWaitMs);
}

bool TLateWindowIcon::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint && watched == &window_) {
    QApplication::instance()->removeEventFilter(this);
    fallback_.stop();
    // After the paint has reached the screen.
    QTimer::singleShot(0, this, [this] {
      if (window_.isVisible()) Apply();
    });
  } else if (const auto* shown = qobject_cast<const QWidget*>(watched);
             event->type() == QEvent::Show && shown != nullptr && shown != &window_ &&
             shown->isWindow()) {
    Apply();
  }
  return false;
}

void TLateWindowIcon::Apply() {
  if (applied_) return;
  applied_ = true;
  fallback_.stop();
  QApplication::instance()->removeEventFilter(this);
  QApplication::setWindowIcon(icon_());
}
