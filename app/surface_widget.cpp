#include "app/surface_widget.h"

#include <QMouseEvent>
#include <QPainter>

SurfaceWidget::SurfaceWidget(draw::Surface& surface, QWidget* parent)
    : QWidget(parent), surface_(surface) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  surface_.changed = [this](const QRect& pixels) { update(pixels); };
}

void SurfaceWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect area = event->rect();
  painter.fillRect(area, QColor(draw::ToQRgb(surface_.BackColor)));
  painter.drawImage(area.topLeft(), surface_.Image(), area);
  if (firstPainted) {
    const auto once = std::move(firstPainted);
    firstPainted = nullptr;
    once();
  }
}

void SurfaceWidget::mousePressEvent(QMouseEvent* event) {
  if (mousePressed) mousePressed(event);
}

void SurfaceWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (mouseReleased) mouseReleased(event);
}
