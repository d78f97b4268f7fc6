#pragma once

#include <QGroupBox>

// A group box whose title is bold while what it holds keeps the window's font. A bold font on
// the box would reach every control inside, and each of them would need a plain font of its own
// again; a list given a font builds its drop-down at once, which made up much of the window's
// start-up.
class TitledGroupBox : public QGroupBox {
  Q_OBJECT

 public:
  using QGroupBox::QGroupBox;

 protected:
  void paintEvent(QPaintEvent* event) override;
};
