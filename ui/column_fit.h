#pragma once

#include <QObject>
#include <QString>

class QWidget;
namespace Ui {
class TMainF;
}

// Gives the window's groups one column width, wide enough for every text of both languages.
// Measuring it shapes each of those texts, a good part of the time before the window can show,
// so a start uses the width the last start of this same program measured with the same style,
// fonts and screen, and measures again once the window has been painted, in case the system's
// fonts changed under the same names; only a width that did change moves the columns.
class ColumnFit : public QObject {
 public:
  ColumnFit(QWidget& window, Ui::TMainF& form, QString rememberedIn);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void MeasureAgain();
  void Remember(int width) const;

  QWidget& window_;
  Ui::TMainF& form_;
  const QString file_;
  const QString conditions_;
  bool checkPending_ = false;
};

// Where the width is kept: a cache of this user's, apart from the stored choices.
QString DefaultColumnWidthFile();
