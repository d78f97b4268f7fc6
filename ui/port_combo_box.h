#pragma once

#include <QComboBox>

// The port list's drop-down: says when it is about to open, so that the list can be brought up
// to date where no device events arrive by themselves.
class PortComboBox : public QComboBox {
  Q_OBJECT

 public:
  using QComboBox::QComboBox;

  void showPopup() override {
    emit PopupAboutToShow();
    QComboBox::showPopup();
  }

 signals:
  void PopupAboutToShow();
};
