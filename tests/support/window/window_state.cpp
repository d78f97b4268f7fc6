#include "window_state.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>
#include <cstdio>

#include "mainform.h"
#include "printer.h"
#include "shown_text.h"

namespace {

bool Shown(const TMainF& window, const char* name) {
  return window.findChild<QWidget*>(name)->isVisibleTo(&window);
}

// The strongest colour in a flag's picture: near 0 for a grey one.
int Saturation(const QToolButton* flag) {
  const QImage image = flag->icon().pixmap(flag->iconSize()).toImage();
  int strongest = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      strongest = std::max(strongest, image.pixelColor(x, y).hsvSaturation());
    }
  }
  return strongest;
}

}  // namespace

QComboBox* List(const TMainF& window, const char* name) {
  return window.findChild<QComboBox*>(name);
}

bool Connected(const TMainF& window) { return Shown(window, "tabPrinterSettings"); }

int ShownFamily(const TMainF& window) {
  if (!Connected(window)) return printer::kNoFamily;
  const QComboBox* speeds = List(window, "cbSpeed");
  const bool dip = Shown(window, "tabDIPSwitches");
  for (const int family : {0, 1, 2}) {
    const auto& entries = printer::SpeedEntries(family);
    bool same = speeds->count() == static_cast<int>(entries.size());
    for (int i = 0; same && i < speeds->count(); ++i) {
      same = speeds->itemText(i) == QString::fromUtf8(entries[i]);
    }
    if (same && dip == (family == printer::kDipFamily)) return family;
  }
  return printer::kNoFamily;
}

bool InColour(const QToolButton* flag) { return Saturation(flag) > 100; }

int ShownLanguage(const TMainF& window) {
  const bool bulgarian = InColour(window.findChild<QToolButton*>("LangBG"));
  const bool english = InColour(window.findChild<QToolButton*>("LangEN"));
  if (bulgarian == english) return -1;
  return bulgarian ? 0 : 1;
}

QStringList DescribeWindow(const TMainF& window) {
  QStringList lines{QStringLiteral("Language=%1").arg(ShownLanguage(window))};
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
