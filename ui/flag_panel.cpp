#include "flag_panel.h"

#include <QApplication>
#include <QToolButton>

const char* const FlagPanel::kFocusedFlagSheet =
    "QToolButton:focus { border: 2px solid palette(highlight); border-radius: 3px; }\n"
    "QToolButton:focus:pressed { background: palette(mid); }";

FlagPanel::FlagPanel(QWidget* parent) : QFrame(parent) {
  connect(qApp, &QApplication::focusChanged, this,
          [this](QWidget*, QWidget* focused) { FollowFocus(focused); });
}

void FlagPanel::FollowFocus(QWidget* focused) {
  const bool flagFocused =
      focused != nullptr && focused->parentWidget() == this && qobject_cast<QToolButton*>(focused);
  if (flagFocused == framing_) return;
  framing_ = flagFocused;
  setStyleSheet(framing_ ? QString::fromLatin1(kFocusedFlagSheet) : QString());
}
