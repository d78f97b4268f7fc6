#include "column_combo_box.h"

#include <QStyleOptionComboBox>
#include <QtMath>

#include <algorithm>

QSize ColumnComboBox::sizeHint() const {
  // The policy leaves the width to the style and makes room for an icon in the height.
  constexpr int kLeastTextHeight = 14;
  const int textHeight = std::max(qCeil(QFontMetricsF(fontMetrics()).height()), kLeastTextHeight);
  const QSize contents(-1, std::max(textHeight, iconSize().height()) + 2);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  return style()->sizeFromContents(QStyle::CT_ComboBox, &option, contents, this);
}

QSize ColumnComboBox::minimumSizeHint() const { return sizeHint(); }
