// Renders the application icon's SVG into square PNGs for the hicolor icon theme:
//   quillsetter-render-icon INPUT.svg OUTPUT_DIR SIZE...
// writes OUTPUT_DIR/SIZExSIZE/apps/NAME.png for each size, NAME being the input's base name.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>

namespace {

bool Render(QSvgRenderer& renderer, int size, const QString& file) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  renderer.render(&painter);
  painter.end();
  return QDir().mkpath(QFileInfo(file).path()) && image.save(file, "PNG");
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s INPUT.svg OUTPUT_DIR SIZE...\n", argv[0]);
    return 2;
  }
  const QString input = QString::fromLocal8Bit(argv[1]);
  QSvgRenderer renderer(input);
  if (!renderer.isValid()) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  const QString name = QFileInfo(input).completeBaseName();
  const QString outputDir = QString::fromLocal8Bit(argv[2]);
  for (int index = 3; index < argc; ++index) {
    bool number = false;
    const int size = QString::fromLocal8Bit(argv[index]).toInt(&number);
    if (!number || size <= 0) {
      std::fprintf(stderr, "not a size: %s\n", argv[index]);
      return 2;
    }
    const QString file = QStringLiteral("%1/%2x%2/apps/%3.png").arg(outputDir).arg(size).arg(name);
    if (!Render(renderer, size, file)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
