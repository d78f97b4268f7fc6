#include "enter_press.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace {

class TEnterPress final : public QObject {
 public:
  using QObject::QObject;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!enter || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    static_cast<QAbstractButton*>(watched)->click();
    return true;
  }
};

}  // namespace

void PressOnEnter(QAbstractButton* button) { button->installEventFilter(new TEnterPress(button)); }
