// A vertical scroll bar whose highest value is at the top and whose every control moves
// the way it points: the upper arrow, a click above the thumb, the wheel turned upwards and
// the Up and Page Up keys raise the value; their counterparts lower it. Dragging the thumb
// follows the mouse. (A plain QScrollBar with an inverted appearance keeps its arrows and
// page areas acting on the unflipped range, so ▲ would lower the value.)
#pragma once

#include <QScrollBar>

class RisingScrollBar : public QScrollBar {
  Q_OBJECT
 public:
  explicit RisingScrollBar(QWidget* parent = nullptr);

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Mirror(int action);
  int wheelRemainder_ = 0;
};
