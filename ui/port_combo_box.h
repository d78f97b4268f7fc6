#pragma once

#include "column_combo_box.h"

// The port list's drop-down: says when it is about to open, so that the list can be brought up
// to date where no device events arrive by themselves.
class PortComboBox : public ColumnComboBox {
  Q_OBJECT

 public:
  using ColumnComboBox::ColumnComboBox;

  void showPopup() override {
    emit PopupAboutToShow();
    ColumnComboBox::showPopup();
  }

 signals:
  void PopupAboutToShow();
};
