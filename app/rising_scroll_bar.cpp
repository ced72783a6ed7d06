#include "app/rising_scroll_bar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <algorithm>

RisingScrollBar::RisingScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {
  setInvertedAppearance(true);
  // The arrows and the page areas report their action before the value moves: turn the
  // step the other way round.
  connect(this, &QAbstractSlider::actionTriggered, this, &RisingScrollBar::Mirror);
}

void RisingScrollBar::Mirror(int action) {
  switch (action) {
    case SliderSingleStepAdd:
    case SliderSingleStepSub:
    case SliderPageStepAdd:
    case SliderPageStepSub: {
      const int moved = sliderPosition() - value();
      setSliderPosition(std::clamp(value() - moved, minimum(), maximum()));
      break;
    }
    default:
      break;
  }
}

void RisingScrollBar::wheelEvent(QWheelEvent* event) {
  // One notch (120 units) is one step; upwards raises the value.
  wheelRemainder_ += event->angleDelta().y();
  const int notches = wheelRemainder_ / 120;
  wheelRemainder_ -= notches * 120;
  if (notches != 0) {
    const int steps = notches * singleStep() * std::max(1, QApplication::wheelScrollLines() / 3);
    setValue(std::clamp(value() + steps, minimum(), maximum()));
  }
  event->accept();
}

void RisingScrollBar::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up:
      setValue(std::min(value() + singleStep(), maximum()));
      break;
    case Qt::Key_Down:
      setValue(std::max(value() - singleStep(), minimum()));
      break;
    case Qt::Key_PageUp:
      setValue(std::min(value() + pageStep(), maximum()));
      break;
    case Qt::Key_PageDown:
      setValue(std::max(value() - pageStep(), minimum()));
      break;
    case Qt::Key_Home:
      setValue(maximum());
      break;
    case Qt::Key_End:
      setValue(minimum());
      break;
    default:
      QScrollBar::keyPressEvent(event);
      return;
  }
  event->accept();
}
