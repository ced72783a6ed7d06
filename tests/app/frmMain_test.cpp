#include "app/frmMain.h"

#include "app/screen.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A main window started on a 1920 x 1080 screen, with its settings file in a folder of its own.
class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    screen::SetScreenSizeForTests(QSize(1920 * 15, 1080 * 15));
    cfg.MelodyInstrument = 1;
    cfg.RepeatCount = 1;
    cfg.UseMidi = 1;
    cfg.Tempo = 120;
  }
  void TearDown() override {
    if (window) {
      window->confirm = [](const QString&) { return true; };
      window->close();
    }
    screen::SetScreenSizeForTests(std::nullopt);
  }

  frmMain& Start() {
    window = std::make_unique<frmMain>(cfg, state, waits, dir.path());
    window->confirm = [this](const QString& question) {
      questions << question;
      return answer;
    };
    window->report = [this](const QString& message) { messages << message; };
    window->Start();
    return *window;
  }

  QString SettingsPath() const { return dir.filePath(QStringLiteral("cfg.inf")); }

  QTemporaryDir dir;
  settings::CfgRecord cfg;
  RunState state;
  kihon::VirtualClock clock;
  kihon::Waits waits{clock, state.StopRequested};
  std::unique_ptr<frmMain> window;
  QStringList questions;
  QStringList messages;
  bool answer = false;
};

}  // namespace

TEST_F(MainWindow, PatternListsShowOnlyForTheIIVIPatternCategory) {
  for (int category = 0; category < 6; ++category) {
    cfg.Category = static_cast<std::int16_t>(category);
    frmMain& w = Start();
    const bool shown = category == 2;
    EXPECT_EQ(w.Combo2->currentIndex(), category);
    for (QWidget* c : {static_cast<QWidget*>(w.Combo3), static_cast<QWidget*>(w.Combo4),
                       static_cast<QWidget*>(w.Label4), static_cast<QWidget*>(w.Label5)}) {
      EXPECT_EQ(!c->isHidden(), shown) << "category " << category;
    }
    window->confirm = [](const QString&) { return true; };
    window.reset();
  }
}

TEST_F(MainWindow, ChoosingACategoryShowsOrHidesThePatternLists) {
  frmMain& w = Start();
  EXPECT_TRUE(w.Combo3->isHidden());
  w.Combo2->setCurrentIndex(2);
  EXPECT_EQ(cfg.Category, 2);
  EXPECT_FALSE(w.Combo3->isHidden());
  EXPECT_FALSE(w.Label5->isHidden());
  w.Combo2->setCurrentIndex(4);
  EXPECT_TRUE(w.Combo4->isHidden());
}

TEST_F(MainWindow, ListsHoldTheirDesignedEntries) {
  frmMain& w = Start();
  ASSERT_EQ(w.Combo5->count(), 20);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(w.Combo5->itemText(i), QString::number(i + 1) + QStringLiteral(" 回"));
  }
  ASSERT_EQ(w.Combo2->count(), 6);
  EXPECT_EQ(w.Combo2->itemText(2), QStringLiteral(" ⅡⅤⅠﾊﾟﾀｰﾝ"));
  EXPECT_EQ(w.Combo3->itemText(1), QStringLiteral(" マイナー"));
  EXPECT_EQ(w.Combo4->itemText(3), QStringLiteral(" ホールトーン"));
  EXPECT_EQ(w.windowTitle(), QStringLiteral("ＶＯＲＭＩＮＡ"));
  EXPECT_EQ(w.mnu_edit->actions().size(), 7);
  EXPECT_EQ(w.mnu_help_show_ver->text(), QStringLiteral("バージョン情報"));
}

TEST_F(MainWindow, OutOfRangeStoredIndicesSelectTheNearestEntry) {
  cfg.Category = 9;
  cfg.Tonality = -2;
  cfg.V7Treatment = 4;
  cfg.RepeatCount = 100;
  cfg.ProgressionMode = 7;
  frmMain& w = Start();
  EXPECT_EQ(w.Combo2->currentIndex(), 5);
  EXPECT_EQ(cfg.Category, 5);
  EXPECT_EQ(w.Combo3->currentIndex(), 0);
  EXPECT_EQ(w.Combo4->currentIndex(), 3);
  EXPECT_EQ(w.Combo5->currentIndex(), 19);
  EXPECT_EQ(cfg.RepeatCount, 20);
  EXPECT_TRUE(w.Option1[3]->isChecked());
  EXPECT_EQ(cfg.ProgressionMode, 3);
}

TEST_F(MainWindow, RestoresCheckBoxesAndTheirHandlersRun) {
  cfg.RepeatOn = 1;
  cfg.SwingOn = 1;
  cfg.SpeedUpOn = 1;
  cfg.SpeedUpPercent = 7;
  cfg.ProgressionMode = 1;
  cfg.RepeatCount = 4;
  frmMain& w = Start();
  EXPECT_TRUE(w.Check2->isChecked());
  EXPECT_TRUE(w.Check6->isChecked());
  EXPECT_TRUE(w.Check4->isChecked());
  EXPECT_TRUE(w.Text3->isEnabled());
  EXPECT_EQ(w.Text3->text(), QStringLiteral("7"));
  EXPECT_TRUE(w.Option1[1]->isChecked());
  EXPECT_EQ(w.Combo5->currentText(), QStringLiteral("4 回"));
  EXPECT_EQ(state.Initialising, 0);
  EXPECT_EQ(state.StopRequested, 0);

  w.Check6->click();
  EXPECT_EQ(cfg.SwingOn, 0);
  w.Text3->setText(QStringLiteral("12 percent"));
  EXPECT_EQ(cfg.SpeedUpPercent, 12);
  w.Check4->click();
  EXPECT_EQ(cfg.SpeedUpOn, 0);
  EXPECT_FALSE(w.Text3->isEnabled());
}

// With speed-up off the box's handler never runs at start-up, so the box keeps its
// enabled design state.
TEST_F(MainWindow, SpeedUpPercentBoxStaysEnabledWhenSpeedUpIsOff) {
  cfg.SpeedUpOn = 0;
  frmMain& w = Start();
  EXPECT_TRUE(w.Text3->isEnabled());
}

TEST_F(MainWindow, StartUpTempoRule) {
  struct Case {
    std::int16_t stored, expected;
  };
  for (const Case c : {Case{0, 100}, Case{49, 100}, Case{50, 50}, Case{120, 120},
                       Case{300, 300}, Case{301, 300}}) {
    cfg.Tempo = c.stored;
    frmMain& w = Start();
    EXPECT_EQ(cfg.Tempo, c.expected) << c.stored;
    EXPECT_EQ(w.VScroll1->value(), c.expected) << c.stored;
    EXPECT_EQ(w.Text1->text(), QString::number(c.expected)) << c.stored;
    window->confirm = [](const QString&) { return true; };
    window.reset();
  }
}

TEST_F(MainWindow, DiagramIsForcedOnAndViewMarksShowTheStoredValues) {
  cfg.ShowDiagram = 0;
  cfg.ShowScore = -1;
  cfg.ShowKeyboard = 0;
  frmMain& w = Start();
  EXPECT_EQ(cfg.ShowDiagram, -1);
  EXPECT_FALSE(w.mnu_View_showDiagram->isChecked());
  EXPECT_TRUE(w.mnu_View_showScore->isChecked());
  EXPECT_FALSE(w.mnu_View_ShowKeyBord->isChecked());
  EXPECT_TRUE(w.Check1->isHidden());
  EXPECT_TRUE(w.Check3->isHidden());
  EXPECT_TRUE(w.Check5->isHidden());
  EXPECT_TRUE(w.Frame4->isHidden());
  EXPECT_TRUE(w.Label7->isHidden());
}

TEST_F(MainWindow, EntryBoxesShowWithTheKeyboard) {
  cfg.ShowKeyboard = -1;
  frmMain& w = Start();
  EXPECT_FALSE(w.Check3->isHidden());
  EXPECT_FALSE(w.Check5->isHidden());
  EXPECT_TRUE(w.Check1->isHidden());
}

TEST_F(MainWindow, WithoutTheSymbolFontItsMenuEntriesAreOffAndDisabled) {
  cfg.UseMaestroFont = -1;
  frmMain& w = Start();
  EXPECT_FALSE(w.MaestroActive());
  EXPECT_EQ(cfg.UseMaestroFont, 0);
  EXPECT_FALSE(w.mnu_settei_use_maestroF->isChecked());
  EXPECT_FALSE(w.mnu_settei_use_maestroF->isEnabled());
  EXPECT_FALSE(w.mmu_setting_gosen->isEnabled());
}

TEST_F(MainWindow, TheColumnHangsFromTheTopRightAndReachesNearTheBottom) {
  frmMain& w = Start();
  EXPECT_EQ(w.W(), 1920 * 15);
  EXPECT_EQ(w.H(), 1080 * 15 - 400);
  draw::Surface& s = w.surface();
  EXPECT_EQ(w.Frame1->y(), 0);
  const QPointF rightEdge = s.FromPixel(w.Frame1->x() + w.Frame1->width(), 0);
  EXPECT_NEAR(rightEdge.x(), w.W() - 200, 20);
  EXPECT_EQ(w.Frame2->x(), w.Frame1->x());
  EXPECT_GT(w.Frame2->y(), w.Frame1->y() + w.Frame1->height());
  EXPECT_GT(w.Frame3->y(), w.Frame2->y() + w.Frame2->height());
  const QPointF frame3Bottom = s.FromPixel(0, w.Frame3->y() + w.Frame3->height());
  EXPECT_NEAR(frame3Bottom.y(), 100, 20);
  EXPECT_EQ(w.Command1->y() + 2 * w.Command1->height(), w.Frame3->height());
  // The drawing frame runs from y = H at the top to 0 at the bottom.
  EXPECT_EQ(s.ToPixel(0, w.H()), QPoint(0, 0));
  EXPECT_EQ(s.ToPixel(w.W(), 0), QPoint(s.PixelWidth(), s.PixelHeight()));
}

TEST_F(MainWindow, AnsweringNoKeepsTheProgramRunningAndWritesNothing) {
  frmMain& w = Start();
  answer = false;
  w.Command1->click();
  EXPECT_EQ(questions, QStringList{QStringLiteral("　　終了してよろしいですか？　　")});
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(QFile::exists(SettingsPath()));
  EXPECT_EQ(state.StopRequested, 0);
}

TEST_F(MainWindow, AnsweringYesStopsSavesAndClosesAfterOneQuestion) {
  frmMain& w = Start();
  cfg.Root = 5;
  answer = true;
  w.mnu_file_end->trigger();
  EXPECT_EQ(questions.size(), 1);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(state.StopRequested, -1);
  QFile f(SettingsPath());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  ASSERT_EQ(bytes.size(), 318);
  EXPECT_EQ(bytes[130], 5);
  EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MainWindow, TheSurfaceKeepsItsDrawing) {
  frmMain& w = Start();
  w.surface().FilledBox(1000, 1000, 3000, 3000, draw::Rgb(255, 0, 0));
  w.centralWidget()->repaint();
  EXPECT_EQ(w.surface().Point(2000, 2000), draw::Rgb(255, 0, 0));
  const QImage shown = w.centralWidget()->grab().toImage();
  const QPoint p = w.surface().ToPixel(2000, 2000);
  EXPECT_EQ(shown.pixel(p) & 0xFFFFFF, 0xFF0000u);
}
