#include "app/pictures.h"

#include <QPainter>
#include <QPainterPath>

#include "exports/sheet.h"

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
  return QPixmap::fromImage(sheet::TrebleClef());
}

}  // namespace pictures
