#pragma once

#include <QComboBox>

// A list as wide as the grid column it sits in: its size hints leave the entries out, as
// QComboBox's AdjustToMinimumContentsLengthWithIcon policy does. Setting that policy builds the
// drop-down at once, which for the window's twelve lists is a good part of its start-up; this
// list builds it when it first opens.
class ColumnComboBox : public QComboBox {
  Q_OBJECT

 public:
  using QComboBox::QComboBox;

  [[nodiscard]] QSize sizeHint() const override;
  [[nodiscard]] QSize minimumSizeHint() const override;
};
