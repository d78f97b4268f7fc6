#include "titled_group_box.h"

#include <QStyleOptionGroupBox>
#include <QStylePainter>

void TitledGroupBox::paintEvent(QPaintEvent* /*event*/) {
  QFont bold = font();
  bold.setBold(true);
  QStylePainter painter(this);
  painter.setFont(bold);
  QStyleOptionGroupBox option;
  initStyleOption(&option);
  option.fontMetrics = QFontMetrics(bold);
  painter.drawComplexControl(QStyle::CC_GroupBox, option);
}
