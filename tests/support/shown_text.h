#pragma once

#include <QAbstractButton>
#include <QString>

// A caption as the user sees it: without the '&' that marks its mnemonic, "&&" showing one '&'.
inline QString ShownText(const QString& caption) {
  QString shown;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
    shown += caption[i];
  }
  return shown;
}

inline QString ShownText(const QAbstractButton* button) { return ShownText(button->text()); }
