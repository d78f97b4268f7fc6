#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QStyle>
#include <QStyleFactory>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "group_box_frame_style.h"

namespace {

// A group box as the window has them: bold title or none, a plain label inside.
QImage Rendered(const QString& title, QStyle* style) {
  QGroupBox box(title);
  QFont bold = box.font();
  bold.setBold(true);
  box.setFont(bold);
  auto* layout = new QVBoxLayout(&box);
  auto* label = new QLabel(QStringLiteral("Baud rate"));
  QFont plain = label->font();
  plain.setBold(false);
  label->setFont(plain);
  layout->addWidget(label);
  if (style != nullptr) box.setStyle(style);
  // Taller than the height from which Qt stretches a picture on extra threads.
  box.resize(180, 140);
  return box.grab().toImage();
}

// Whether an image-format plugin is mapped into this program, where the system can say.
std::optional<bool> ImagePluginsLoaded() {
  QFile maps(QStringLiteral("/proc/self/maps"));
  if (!maps.open(QIODevice::ReadOnly)) return std::nullopt;
  return maps.readAll().contains("/imageformats/");
}

}  // namespace

// Drawn first, so that nothing else in this program has read a picture yet.
TEST(GroupBoxFrameStyle, DrawsFusionsFramePixelForPixelWithoutTheImagePlugins) {
  const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("fusion")));
  TGroupBoxFrameStyle style;
  style.setBaseStyle(QStyleFactory::create(QStringLiteral("fusion")));

  const QImage titled = Rendered(QStringLiteral("Communication settings"), &style);
  const QImage untitled = Rendered(QString(), &style);
  const std::optional<bool> loadedByThisStyle = ImagePluginsLoaded();

  EXPECT_TRUE(titled == Rendered(QStringLiteral("Communication settings"), fusion.get()));
  EXPECT_TRUE(untitled == Rendered(QString(), fusion.get()));
  if (!loadedByThisStyle) GTEST_SKIP() << "no /proc/self/maps to see the plugins in";
  EXPECT_FALSE(*loadedByThisStyle);
  // Fusion's own frame is what asks the plugins.
  EXPECT_EQ(ImagePluginsLoaded(), true);
}
