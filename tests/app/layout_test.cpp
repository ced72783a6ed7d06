// The control column on every common screen: nothing overlaps, nothing is cut off.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "tests/app/main_window_fixture.h"

namespace {

// A control's rectangle on the drawing surface.
QRect OnSurface(const QWidget* control, const QWidget* surface) {
  return QRect(control->mapTo(surface, QPoint(0, 0)), control->size());
}

// The visible controls of the column: everything inside Frame1, Frame2 and Frame3 except
// the staff-position frame itself (its buttons count).
std::vector<QWidget*> ColumnControls(frmMain& w) {
  std::vector<QWidget*> out;
  for (QGroupBox* frame : {w.ui.Frame1, w.ui.Frame2, w.ui.Frame3}) {
    for (QWidget* c : frame->findChildren<QWidget*>()) {
      if (c == w.ui.Frame4 || !c->isVisibleTo(&w)) continue;
      if (qobject_cast<QComboBox*>(c->parentWidget())) continue;  // a list's own parts
      if (c->parentWidget() != frame && c->parentWidget() != w.ui.Frame4) continue;
      out.push_back(c);
    }
  }
  return out;
}

struct Screen {
  int width, height;
  const char* what;
};

const Screen kScreens[] = {
    {1366, 768, "1366x768"},
    {1280, 720, "1280x720"},
    {1440, 900, "1440x900"},
    {1920, 1080, "1920x1080"},
    {2560, 1440, "2560x1440"},
    // 3840 x 2160 at a scale factor of 2 lays out on 1920 x 1080 device-independent pixels.
    {1920, 1080, "3840x2160 at 2x"},
};

}  // namespace

TEST_F(MainWindow, TheControlColumnFitsEveryCommonScreen) {
  cfg.Category = 2;  // every row of Frame1 shown
  for (const Screen& screenSize : kScreens) {
    for (const bool staffButtons : {false, true}) {
      screen::SetScreenSizeForTests(QSize(screenSize.width * 15, screenSize.height * 15));
      frmMain& w = Start();
      w.ShowStaffPositionButtons(staffButtons);
      const std::string where =
          std::string(screenSize.what) + (staffButtons ? " with 五線位置調整" : "");
      QWidget* view = w.centralWidget();
      const QRect surface(0, 0, w.surface().PixelWidth(), w.surface().PixelHeight());
      for (QGroupBox* frame : {w.ui.Frame1, w.ui.Frame2, w.ui.Frame3}) {
        EXPECT_TRUE(surface.contains(OnSurface(frame, view))) << where;
      }
      const std::vector<QWidget*> controls = ColumnControls(w);
      ASSERT_GT(controls.size(), 30u) << where;
      for (QWidget* c : controls) {
        const QString name =
            c->metaObject()->className() + QStringLiteral(" ") +
            (qobject_cast<QAbstractButton*>(c) ? qobject_cast<QAbstractButton*>(c)->text()
                                               : c->objectName());
        // Inside its frame, clear of its left border, and tall enough for its text.
        EXPECT_GE(c->x(), 4) << where << ": " << name.toStdString() << " on the frame's border";
        const QRect inFrame(QPoint(0, 0), c->parentWidget()->size());
        EXPECT_TRUE(inFrame.contains(c->geometry()))
            << where << ": " << name.toStdString() << " leaves its frame";
        if (!qobject_cast<QScrollBar*>(c)) {
          EXPECT_GE(c->height(), c->fontMetrics().height() + 2)
              << where << ": " << name.toStdString() << " is cut off";
        }
      }
      if (staffButtons) {
        const QRect frame4 = OnSurface(w.ui.Frame4, view);
        for (QWidget* c : controls) {
          if (c->parentWidget() == w.ui.Frame4) continue;
          EXPECT_FALSE(frame4.intersects(OnSurface(c, view)))
              << where << ": the staff-position buttons cover "
              << qobject_cast<QAbstractButton*>(c)->text().toStdString();
        }
      }
      for (std::size_t i = 0; i < controls.size(); ++i) {
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
          EXPECT_FALSE(OnSurface(controls[i], view).intersects(OnSurface(controls[j], view)))
              << where << ": " << controls[i]->metaObject()->className() << " "
              << controls[i]->geometry().y() << " and " << controls[j]->metaObject()->className()
              << " " << controls[j]->geometry().y() << " overlap";
        }
      }
      // The design's sizes wherever they fit.
      if (screenSize.height >= 1080) {
        EXPECT_EQ(w.columnMetrics().level, 0) << where;
      }
      window->confirm = [](const QString&) { return true; };
      window.reset();
    }
  }
}

// At 1366 x 768 "終了" is clickable and covers nothing; "CAL Bb" and "CAL A" are whole.
TEST_F(MainWindow, TheButtonsAtTheBottomCanBeClickedOnALaptopScreen) {
  screen::SetScreenSizeForTests(QSize(1366 * 15, 768 * 15));
  frmMain& w = Start();
  QWidget* view = w.centralWidget();
  const QRect exit = OnSurface(w.ui.Command1, view);
  for (QWidget* c : {static_cast<QWidget*>(w.ui.Command3), static_cast<QWidget*>(w.ui.Command4),
                     static_cast<QWidget*>(w.ui.Command6), static_cast<QWidget*>(w.ui.Command8)}) {
    EXPECT_FALSE(exit.intersects(OnSurface(c, view)));
    EXPECT_LE(OnSurface(c, view).bottom(), w.surface().PixelHeight() - 1);
  }
  EXPECT_LE(exit.bottom(), w.surface().PixelHeight() - 1);
  answer = true;
  QTest::mouseClick(w.ui.Command1, Qt::LeftButton);
  EXPECT_EQ(questions.size(), 1);  // "終了" asks to close the program
}
