#include "app/rising_scroll_bar.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>

#include "dialogs/sound_settings.h"
#include "tests/app/main_window_fixture.h"

namespace {

// The centre of a part of the bar (an arrow, or the page area above or below the thumb).
QPoint CentreOf(QScrollBar& bar, QStyle::SubControl part) {
  QStyleOptionSlider option;
  option.initFrom(&bar);
  option.subControls = QStyle::SC_All;
  option.orientation = bar.orientation();
  option.minimum = bar.minimum();
  option.maximum = bar.maximum();
  option.sliderPosition = bar.sliderPosition();
  option.sliderValue = bar.value();
  option.singleStep = bar.singleStep();
  option.pageStep = bar.pageStep();
  option.upsideDown = bar.invertedAppearance();
  return bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, part, &bar).center();
}

void Wheel(QScrollBar& bar, int delta) {
  const QPointF at(bar.width() / 2.0, bar.height() / 2.0);
  QWheelEvent event(at, bar.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&bar, &event);
}

enum class Input {
  kUpperArrow,
  kLowerArrow,
  kAboveThumb,
  kBelowThumb,
  kWheelUp,
  kWheelDown,
  kKeyUp,
  kKeyDown
};

void Apply(QScrollBar& bar, Input input) {
  switch (input) {
    case Input::kUpperArrow:
      QTest::mouseClick(&bar, Qt::LeftButton, {}, CentreOf(bar, QStyle::SC_ScrollBarSubLine));
      break;
    case Input::kLowerArrow:
      QTest::mouseClick(&bar, Qt::LeftButton, {}, CentreOf(bar, QStyle::SC_ScrollBarAddLine));
      break;
    case Input::kAboveThumb:
      QTest::mouseClick(&bar, Qt::LeftButton, {}, CentreOf(bar, QStyle::SC_ScrollBarSubPage));
      break;
    case Input::kBelowThumb:
      QTest::mouseClick(&bar, Qt::LeftButton, {}, CentreOf(bar, QStyle::SC_ScrollBarAddPage));
      break;
    case Input::kWheelUp:
      Wheel(bar, 120);
      break;
    case Input::kWheelDown:
      Wheel(bar, -120);
      break;
    case Input::kKeyUp:
      QTest::keyClick(&bar, Qt::Key_Up);
      break;
    case Input::kKeyDown:
      QTest::keyClick(&bar, Qt::Key_Down);
      break;
  }
}

struct Case {
  const char* name;
  Input input;
  int direction;  // +1 raises the value, -1 lowers it
};

const Case kCases[] = {
    {"upper arrow", Input::kUpperArrow, +1},
    {"lower arrow", Input::kLowerArrow, -1},
    {"above the thumb", Input::kAboveThumb, +1},
    {"below the thumb", Input::kBelowThumb, -1},
    {"wheel upwards", Input::kWheelUp, +1},
    {"wheel downwards", Input::kWheelDown, -1},
    {"Up key", Input::kKeyUp, +1},
    {"Down key", Input::kKeyDown, -1},
};

// Every control of the bar moves the value the way it points, with the highest value at
// the top: first on a bar of its own, then on the tempo bar and the note-range bars.
void ExpectEveryControlMovesItsWay(QScrollBar& bar, const char* which) {
  const int middle = (bar.minimum() + bar.maximum()) / 2;
  for (const Case& c : kCases) {
    bar.setValue(middle);
    Apply(bar, c.input);
    if (c.direction > 0) {
      EXPECT_GT(bar.value(), middle) << which << ": " << c.name;
    } else {
      EXPECT_LT(bar.value(), middle) << which << ": " << c.name;
    }
  }
}

}  // namespace

TEST(RisingScrollBar, EveryControlMovesTheWayItPoints) {
  RisingScrollBar bar;
  bar.setRange(50, 300);
  bar.setPageStep(10);
  bar.resize(22, 200);
  bar.show();
  ExpectEveryControlMovesItsWay(bar, "a bar of 50..300");
  // The top end is the highest value: dragging the thumb to the top gives the maximum.
  bar.setValue(bar.minimum());
  const QPoint thumb = CentreOf(bar, QStyle::SC_ScrollBarSlider);
  QTest::mousePress(&bar, Qt::LeftButton, {}, thumb);
  QMouseEvent move(QEvent::MouseMove, QPointF(thumb.x(), 0), bar.mapToGlobal(QPointF(thumb.x(), 0)),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&bar, &move);
  QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(thumb.x(), 0));
  EXPECT_EQ(bar.value(), bar.maximum());
}

TEST_F(MainWindow, TempoAndNoteRangeBarsRiseUpwards) {
  cfg.LimitRange = 1;  // the range bars are enabled with the limit on
  cfg.RangeHigh = 50;
  cfg.RangeLow = 21;
  frmMain& w = Start();
  ExpectEveryControlMovesItsWay(*w.ui.VScroll1, "tempo bar");
  EXPECT_EQ(cfg.Tempo, w.ui.VScroll1->value());
  EXPECT_EQ(w.ui.Text1->text(), QString::number(w.ui.VScroll1->value()));
  settei* dialog = w.OpenSoundSettings();
  ASSERT_NE(dialog, nullptr);
  ExpectEveryControlMovesItsWay(*dialog->VScroll1, "低音");
  ExpectEveryControlMovesItsWay(*dialog->VScroll2, "高音");
}
