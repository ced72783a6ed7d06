// Shows a drawing surface's picture; mouse presses and releases are reported in pixels.
#pragma once

#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

#include "draw/surface.h"

// Lets screen readers see the parts of every surface's picture (done once).
void InstallSurfaceAccessibility();

class SurfaceWidget : public QWidget {
  Q_OBJECT
 public:
  explicit SurfaceWidget(draw::Surface& surface, QWidget* parent = nullptr);

  std::function<void(QMouseEvent*)> mousePressed;
  std::function<void(QMouseEvent*)> mouseReleased;
  // Called once, after the first paint.
  std::function<void()> firstPainted;

  // What the picture shows, part by part, for a screen reader: each part's name, a
  // description of what it shows now and where it lies (in the widget's pixels). The
  // surface's accessible interface has one child a part.
  struct Part {
    QString name;
    QString description;
    QRect rect;
  };
  std::function<std::vector<Part>()> parts;
  // Makes screen readers ask for the parts' descriptions again (the item or key changed).
  void PartsChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  draw::Surface& surface_;
};
