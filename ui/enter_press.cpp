#include "enter_press.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace {

class TEnterPress final : public QObject {
 public:
  explicit TEnterPress(QAbstractButton* button) : QObject(button), button_(button) {}

  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    const auto* key = dynamic_cast<const QKeyEvent*>(event);
    if (event->type() != QEvent::KeyPress || key == nullptr) return false;
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!enter || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    button_->click();
    return true;
  }

 private:
  QAbstractButton* button_;
};

}  // namespace

void PressOnEnter(QAbstractButton* button) { button->installEventFilter(new TEnterPress(button)); }
