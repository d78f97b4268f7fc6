#include "group_box_frame_style.h"

#include <QtWidgets/qdrawutil.h>
#include <QGroupBox>
#include <QImageReader>
#include <QMargins>
#include <QPainter>
#include <QStyleOption>

#include <algorithm>

namespace {

constexpr auto kFusionFrame = ":/qt-project.org/styles/commonstyle/images/fusion_groupbox.png";
// Fusion's gap between the title's line and the frame, and the frame picture's fixed edges.
constexpr int kTopGap = 3;
constexpr int kFrameEdge = 6;

// The frame picture, read without asking the plugins whether they know better.
QPixmap ReadFrame() {
  QImageReader reader(QString::fromLatin1(kFusionFrame), "png");
  reader.setAutoDetectImageFormat(false);
  return QPixmap::fromImage(reader.read());
}

}  // namespace

void TGroupBoxFrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                        QPainter* painter, const QWidget* widget) const {
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
  if (element == PE_FrameGroupBox && baseStyle()->name() == QLatin1String("fusion")) {
    if (frame_.isNull()) frame_ = ReadFrame();
    // A box without title or check box has no title line to leave room for.
    const auto* box = qobject_cast<const QGroupBox*>(widget);
    const bool bare = box != nullptr && !box->isCheckable() && box->title().isEmpty();
    const int top =
        bare ? kTopGap
             : std::max(pixelMetric(PM_ExclusiveIndicatorHeight), option->fontMetrics.height()) +
                   kTopGap;
    qDrawBorderPixmap(painter, option->rect.adjusted(0, top, 0, 0),
                      QMargins(kFrameEdge, kFrameEdge, kFrameEdge, kFrameEdge), frame_);
    return;
  }
#endif
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}
