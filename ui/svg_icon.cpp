#include "svg_icon.h"

#include <QApplication>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

#include <utility>

namespace {

class TSvgIconEngine final : public QIconEngine {
 public:
  explicit TSvgIconEngine(QString file) : file_(std::move(file)) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal ratio = painter->device()->devicePixelRatioF();
    QPixmap picture = scaledPixmap(rect.size() * ratio, mode, state, ratio);
    picture.setDevicePixelRatio(ratio);
    painter->drawPixmap(rect, picture);
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return scaledPixmap(size, mode, state, 1);
  }

  // QIcon asks for the size in device pixels: the picture is drawn at exactly that many.
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal) override {
    const QString key = QStringLiteral("quillsetter-svg:%1:%2x%3:%4")
                            .arg(file_)
                            .arg(size.width())
                            .arg(size.height())
                            .arg(static_cast<int>(mode));
    QPixmap picture;
    if (QPixmapCache::find(key, &picture)) return picture;

    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(file_);
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    picture = QPixmap::fromImage(std::move(image));
    if (mode != QIcon::Normal) {
      const QStyleOption option;
      picture = QApplication::style()->generatedIconPixmap(mode, picture, &option);
    }
    QPixmapCache::insert(key, picture);
    return picture;
  }

  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
  QIconEngine* clone() const override { return new TSvgIconEngine(file_); }
  QString key() const override { return QStringLiteral("quillsetter-svg"); }

 private:
  QString file_;
};

}  // namespace

QIcon SvgIcon(const QString& file) { return QIcon(new TSvgIconEngine(file)); }
