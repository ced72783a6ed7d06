// The control column on every common screen: nothing overlaps, nothing is cut off.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "core/translations.h"
#include "draw/graph_treat.h"
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
  for (const language::Language lang : {language::Language::Japanese, language::Language::English})
    for (const Screen& screenSize : kScreens) {
      const translations::Installed translated(lang);
      for (const bool staffButtons : {false, true}) {
        screen::SetScreenSizeForTests(QSize(screenSize.width * 15, screenSize.height * 15));
        frmMain& w = Start();
        w.ShowStaffPositionButtons(staffButtons);
        const std::string where = std::string(screenSize.what) +
                                  (staffButtons ? " with 五線位置調整" : "") +
                                  (lang == language::Language::English ? " in English" : "");
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

namespace {

// A text's box on the surface, in pixels, as the surface printed it.
QRectF TextBox(draw::Surface& s, const draw::Surface::TextCall& t) {
  graph_treat::SetFont(s, t.font, static_cast<int>(t.size), t.bold, false);
  const QPoint topLeft = s.ToPixel(t.x, t.y);
  const double w = s.TextWidth(t.text) * s.PixelsPerUnitX();
  const double h = s.TextHeight(t.text) * s.PixelsPerUnitY();
  return QRectF(topLeft.x(), topLeft.y(), w, h);
}

// How far a box is from a point (0 inside).
double Distance(const QRectF& box, QPointF p) {
  const double dx = std::max({box.left() - p.x(), 0.0, p.x() - box.right()});
  const double dy = std::max({box.top() - p.y(), 0.0, p.y() - box.bottom()});
  return std::hypot(dx, dy);
}

}  // namespace

// After a pass in listen mode, at every size and with the keyboard shown or hidden, the
// circle's names are whole and clear of the circle, the pass's score is clear of the chord
// names, the circle and its names, and the window "12キーの採点" covers neither the staff,
// the circle nor the score.
TEST_F(MainWindow, ListenModesScoreAndKeyTableCoverNothing) {
  const Screen screens[] = {kScreens[0],
                            kScreens[1],
                            kScreens[2],
                            kScreens[4],
                            {1024, 768, "1024x768"},
                            {1280, 1024, "1280x1024"}};
  enum Keyboard { kShown, kHidden, kHiddenAfterThePass };
  for (const language::Language lang : {language::Language::Japanese, language::Language::English})
    for (const Screen& screenSize : screens) {
      const translations::Installed translated(lang);
      for (const Keyboard keys : {kShown, kHidden, kHiddenAfterThePass}) {
        for (const int category : {0, 2}) {
          const int keyboard = keys == kHidden ? 0 : -1;
          screen::SetScreenSizeForTests(QSize(screenSize.width * 15, screenSize.height * 15));
          ChooseTheCMajorScale();
          cfg.Category = static_cast<std::int16_t>(category);
          cfg.LastItem[category] = 0;
          cfg.ShowDiagram = -1;
          cfg.ShowKeyboard = static_cast<std::int16_t>(keyboard);
          cfg.ClickOn = cfg.CountInOn = cfg.RepeatOn = 0;
          frmMain& w = Start();
          w.SetListen({.on = true});
          w.StartContinuous();  // one pass, nothing played: every note missed
          // The keyboard hidden with the table open: the circle grows, the table follows it.
          if (keys == kHiddenAfterThePass)
            w.ToggleView(cfg.ShowKeyboard, w.ui.mnu_View_ShowKeyBord);
          std::vector<draw::Surface::TextCall> texts;
          w.surface().textLog = &texts;
          w.SetListen({.on = true});  // draws the views again
          w.surface().textLog = nullptr;
          const std::string where =
              std::string(screenSize.what) +
              (keys == kShown    ? " with the keyboard"
               : keys == kHidden ? " without the keyboard"
                                 : " with the keyboard hidden after the pass") +
              ", category " + std::to_string(category) +
              (lang == language::Language::English ? " in English" : "");
          draw::Surface& s = w.surface();
          const YEN_treat::CircleState& c = w.circle();
          const QPointF centre = s.ToPixel(c.CircleCentreX, c.CircleCentreY);
          const double k = (15360.0 - screenSize.height * 15) * 0.02 / 3840;
          const double outline = c.CircleRadius * (1.05 + k) * s.PixelsPerUnitY();
          const QRectF frame(0, 0, s.PixelWidth(), s.PixelHeight());
          std::vector<QRectF> names, chords, score;
          for (const auto& t : texts) {
            const QRectF box = TextBox(s, t);
            if (w.ListenLines().contains(t.text)) score.push_back(box);
            if (t.size == c.NameFontSize && !t.bold) names.push_back(box);
            if (t.size == 16 && t.bold) chords.push_back(box);
          }
          ASSERT_EQ(names.size(), 12u) << where;
          ASSERT_EQ(score.size(), static_cast<std::size_t>(w.ListenLines().size())) << where;
          if (category == 2) {
            EXPECT_EQ(chords.size(), 3u) << where;
          }
          QRectF circleAndNames =
              QRectF(centre, centre).adjusted(-outline, -outline, outline, outline);
          for (const QRectF& name : names) {
            EXPECT_TRUE(frame.contains(name)) << where << ": a name is cut off";
            EXPECT_GT(Distance(name, centre), outline + 1)
                << where << ": a name touches the circle";
            if (cfg.ShowKeyboard != 0) {
              EXPECT_LT(name.bottom(), w.ui.Check3->mapTo(w.centralWidget(), QPoint(0, 0)).y())
                  << where << ": a name runs into the keyboard's check boxes";
            }
            circleAndNames |= name;
          }
          const QRectF keyTable(w.centralWidget()->mapFromGlobal(
                                    w.KeyScoreTable()->window()->frameGeometry().topLeft()),
                                w.KeyScoreTable()->window()->frameGeometry().size());
          // The staff with its chord names above and the notes' marks under it.
          const float T = w.staff().StaffBottomY;
          const float S = w.staff().LineSpacing;
          const QRectF staff(QPointF(0, s.ToPixel(0, T + 10 * S).y()),
                             QPointF(s.PixelWidth(), s.ToPixel(0, T - 6 * S).y()));
          const QRectF column(w.ui.Frame2->mapTo(w.centralWidget(), QPoint(0, 0)).x(), 0,
                              s.PixelWidth(), s.PixelHeight());
          EXPECT_FALSE(keyTable.intersects(circleAndNames))
              << where << ": the table covers the circle";
          EXPECT_FALSE(keyTable.intersects(staff)) << where << ": the table covers the staff";
          EXPECT_FALSE(keyTable.intersects(column)) << where << ": the table covers the controls";
          for (const QRectF& row : score) {
            EXPECT_TRUE(frame.contains(row) && !row.intersects(column)) << where;
            EXPECT_FALSE(row.intersects(keyTable)) << where << ": the table covers the score";
            EXPECT_GT(Distance(row, centre), outline) << where << ": the score is on the circle";
            for (const QRectF& other : names) EXPECT_FALSE(row.intersects(other)) << where;
            for (const QRectF& other : chords) {
              EXPECT_FALSE(row.intersects(other)) << where << ": the score is over a chord name";
            }
          }
          window->confirm = [](const QString&) { return true; };
          window.reset();
        }
      }
    }
}
