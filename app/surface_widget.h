// Shows a drawing surface's picture; mouse presses and releases are reported in pixels.
#pragma once

#include <QWidget>
#include <functional>

#include "draw/surface.h"

class SurfaceWidget : public QWidget {
  Q_OBJECT
 public:
  explicit SurfaceWidget(draw::Surface& surface, QWidget* parent = nullptr);

  std::function<void(QMouseEvent*)> mousePressed;
  std::function<void(QMouseEvent*)> mouseReleased;
  // Called once, after the first paint.
  std::function<void()> firstPainted;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  draw::Surface& surface_;
};
