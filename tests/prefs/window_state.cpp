#include "window_state.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <cstdio>

#include "mainform.h"
#include "shown_text.h"

QComboBox* List(const TMainF& window, const char* name) {
  return window.findChild<QComboBox*>(name);
}

QStringList DescribeWindow(const TMainF& window) {
  QStringList lines{QStringLiteral("Language=%1").arg(window.CurrentLanguage())};
  for (const char* name :
       {"cbPort", "cbBaud", "cbIntensity", "cbSpeed", "cbCountry", "cbCodePage", "cbNewBaud",
        "cbAutoCutter", "cbPaper", "cbProtocol", "cbCommandSet", "cbEsct"}) {
    const QComboBox* list = List(window, name);
    lines
        << QStringLiteral("%1=%2:%3").arg(name).arg(list->currentIndex()).arg(list->currentText());
  }
  lines << "Connect=" + ShownText(window.findChild<QPushButton*>("Connect"));
  lines << "lbPort=" + window.findChild<QLabel*>("lbPort")->text();
  return lines;
}

QMap<QString, QString> ParseDescription(const QStringList& lines) {
  QMap<QString, QString> values;
  for (const QString& line : lines) values.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
  return values;
}

int RunFirstRunProbe() {
  TMainF window;
  window.show();
  const QStringList lines = DescribeWindow(window);
  window.close();
  std::fputs(lines.join(u'\n').toUtf8().append('\n').constData(), stdout);
  return 0;
}
