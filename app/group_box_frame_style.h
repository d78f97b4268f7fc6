#pragma once

#include <QPixmap>
#include <QProxyStyle>

// The application's style, but for the frame of a group box, which Qt 6.4's Fusion draws from a
// picture it reads in a way that loads and asks every image-format plugin (libjpeg and the SVG
// library among them) before the first paint. This style draws the same picture with the same
// geometry, read by the built-in PNG reader alone. Other styles and elements pass through.
class TGroupBoxFrameStyle final : public QProxyStyle {
 public:
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;

 private:
  mutable QPixmap frame_;
};
