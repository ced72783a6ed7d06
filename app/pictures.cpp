#include "app/pictures.h"

#include <QPainter>
#include <QPainterPath>

// Q_INIT_RESOURCE must be used outside any namespace.
static bool RegisterPictures() {
  Q_INIT_RESOURCE(resources);
  return true;
}

namespace pictures {
namespace {

QPixmap Blank(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

}  // namespace

QPixmap PlayPicture(int size) {
  QPixmap pixmap = Blank(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath triangle;
  triangle.moveTo(size * 0.28, size * 0.18);
  triangle.lineTo(size * 0.82, size * 0.5);
  triangle.lineTo(size * 0.28, size * 0.82);
  triangle.closeSubpath();
  p.fillPath(triangle, QColor(30, 150, 60));
  return pixmap;
}

QPixmap StopPicture(int size) {
  QPixmap pixmap = Blank(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(190, 40, 40));
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRectF(size * 0.24, size * 0.24, size * 0.52, size * 0.52), 2, 2);
  return pixmap;
}

QPixmap TrebleClef() {
  // The pictures are compiled into a static library: register them before the first use.
  static const bool registered = RegisterPictures();
  (void)registered;
  // The stored picture is grey ink on white. The clef sits on the staff, whose lines are
  // drawn under it: the white becomes transparent and the grey the ink's coverage.
  const QImage grey = QImage(QStringLiteral(":/pictures/treble_clef.png"))
                          .convertToFormat(QImage::Format_Grayscale8);
  QImage ink(grey.size(), QImage::Format_ARGB32);
  for (int y = 0; y < grey.height(); ++y) {
    const uchar* in = grey.constScanLine(y);
    auto* out = reinterpret_cast<QRgb*>(ink.scanLine(y));
    for (int x = 0; x < grey.width(); ++x) out[x] = qRgba(0, 0, 0, 255 - in[x]);
  }
  return QPixmap::fromImage(ink);
}

}  // namespace pictures
