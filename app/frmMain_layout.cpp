// The main window's layout: the symbol font, the control column's sizes for the screen,
// the load routine that restores every control, and where the staff, clef and boxes go.
#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QStyle>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "app/frmMain.h"
#include "app/frmMain_parts.h"
#include "app/pictures.h"
#include "app/rising_scroll_bar.h"
#include "app/screen.h"
#include "core/appdir.h"
#include "dialogs/colour_settings.h"
#include "dialogs/export_dialog.h"
#include "dialogs/material_editor.h"
#include "dialogs/small_windows.h"
#include "dialogs/sound_settings.h"
#include "draw/graph_treat.h"

using namespace window_parts;

ColumnMetrics ColumnMetrics::ForLevel(int level) {
  ColumnMetrics m;
  m.level = std::clamp(level, 0, kLevels - 1);
  if (m.level >= 1) {
    // The tempo bar as long as the tempo and swing rows; shorter single-action buttons.
    m.tempoBarHeight = 0;
    m.bigButtonTop = 16, m.bigButtonHeight = 36, m.buttonHeight = 30;
    m.staffButtonHeight = 28, m.command1Height = 30, m.command1Below = 30;
  }
  if (m.level >= 2) {
    m.rowTop = 10, m.rowPitch = 30, m.rowHeight = 24, m.tempoGap = 10, m.swingGap = 32;
    m.frame1Margin = 10;
    m.optionTop = 20, m.optionPitch = 22, m.playHeight = 40, m.smallButtonHeight = 26;
    m.frame2RowGap = 6, m.frame2RowPitch = 30, m.frame2Margin = 10;
    m.bigButtonTop = 12, m.bigButtonHeight = 30, m.buttonHeight = 26, m.buttonGap = 6;
    m.staffButtonHeight = 24, m.command1Height = 26, m.command1Below = 6;
  }
  return m;
}

void frmMain::DetectMaestroFont() {
  graph_treat::SetFont(surface_, QStringLiteral("MAESTRO"), 26, false, false);
  MaestroActive_ = surface_.FontName().toUpper() == QStringLiteral("MAESTRO") ? -1 : 0;
  score_.MaestroActive = MaestroActive_;
  if (MaestroActive_) {
    ui.mnu_settei_use_maestroF->setEnabled(true);
    ui.mmu_setting_gosen->setEnabled(true);
  } else {
    ui.mnu_settei_use_maestroF->setChecked(false);
    ui.mnu_settei_use_maestroF->setEnabled(false);
    ui.mmu_setting_gosen->setEnabled(false);
    cfg_.UseMaestroFont = 0;
  }
}

frmMain::ColumnHeights frmMain::ApplyColumnMetrics(const ColumnMetrics& m) {
  column_ = m;
  const int listX = 12 + kLabelWidth;
  const int listW = kColumnWidth - listX - 12;
  const int checkHeight = m.rowHeight - 2;
  const auto row = [&](QWidget* label, QWidget* list, int i) {
    const int y = m.rowTop + i * m.rowPitch;
    label->setGeometry(12, y + 4, kLabelWidth, m.rowHeight - 4);
    list->setGeometry(listX, y, listW, m.rowHeight);
  };
  row(ui.Label3, ui.Combo2, 0);
  row(ui.Label2, ui.Combo1, 1);
  row(ui.Label4, ui.Combo3, 2);
  row(ui.Label5, ui.Combo4, 3);
  const int tempoTop = m.rowTop + 4 * m.rowPitch + m.tempoGap;
  ui.Text2->setGeometry(12, tempoTop, 70, m.rowHeight);
  ui.Text1->setGeometry(listX, tempoTop, 64, m.rowHeight);
  const int swingTop = tempoTop + m.swingGap;
  ui.Check6->setGeometry(12, swingTop, 150, checkHeight);
  const int barTop = tempoTop - 10;
  // Level 0 keeps the design's long bar; otherwise it reaches down to the swing row.
  const int barHeight = m.tempoBarHeight > 0 ? m.tempoBarHeight : swingTop + checkHeight - barTop;
  ui.VScroll1->setGeometry(kColumnWidth - 44, barTop, 22, barHeight);
  ColumnHeights h;
  h.frame1 = std::max(barTop + barHeight, swingTop + checkHeight) + m.frame1Margin;
  ui.Frame1->resize(kColumnWidth, h.frame1);

  for (int i = 0; i < 4; ++i) {
    ui.Option1[i]->setGeometry(12, m.optionTop + i * m.optionPitch, 140, m.optionPitch - 2);
  }
  const int iconSide = std::min(36, m.playHeight - 8);
  for (QPushButton* b : {ui.Command5, ui.Command9}) b->setIconSize(QSize(iconSide, iconSide));
  ui.Command5->setGeometry(166, m.optionTop, 70, m.playHeight);
  ui.Command9->setGeometry(244, m.optionTop, 70, m.playHeight);
  const int metronomeTop = m.optionTop + m.playHeight + 8;
  ui.Command7->setGeometry(166, metronomeTop, 148, m.smallButtonHeight);
  const int settingsTop = metronomeTop + m.smallButtonHeight + 4;
  ui.Command10->setGeometry(166, settingsTop, 148, m.smallButtonHeight);
  const int repeatTop =
      std::max(m.optionTop + 4 * m.optionPitch, settingsTop + m.smallButtonHeight) + m.frame2RowGap;
  ui.Check2->setGeometry(12, repeatTop + 2, 120, checkHeight);
  ui.Combo5->setGeometry(166, repeatTop, 100, m.rowHeight);
  const int speedTop = repeatTop + m.frame2RowPitch;
  ui.Check4->setGeometry(12, speedTop + 2, 150, checkHeight);
  ui.Text3->setGeometry(166, speedTop, 56, m.rowHeight);
  ui.Label6->setGeometry(228, speedTop + 2, 60, m.rowHeight - 4);
  h.frame2 = speedTop + m.rowHeight + m.frame2Margin;
  ui.Frame2->resize(kColumnWidth, h.frame2);

  const int wide = kColumnWidth - 24;
  const int half = 146;
  ui.Command2->setGeometry(12, m.bigButtonTop, wide, m.bigButtonHeight);
  const int semitoneTop = m.bigButtonTop + m.bigButtonHeight + m.buttonGap;
  ui.Command3->setGeometry(12, semitoneTop, half, m.buttonHeight);
  ui.Command4->setGeometry(172, semitoneTop, half, m.buttonHeight);
  const int referenceTop = semitoneTop + m.buttonHeight + m.buttonGap;
  ui.Command6->setGeometry(12, referenceTop, half, m.buttonHeight);
  ui.Command8->setGeometry(172, referenceTop, half, m.buttonHeight);
  const int staffTop = referenceTop + m.buttonHeight + m.buttonGap + 2;
  // Under the frame's title.
  const int staffButtonsTop = m.level == 2 ? 20 : 24;
  for (int i = 0; i < 5; ++i) {
    ui.Command12[i]->setGeometry(8 + i * 58, staffButtonsTop, 54, m.staffButtonHeight);
  }
  const int okTop = staffButtonsTop + m.staffButtonHeight + 6;
  ui.Command17->setGeometry(8, okTop, 110, m.staffButtonHeight);
  const int staffHeight = okTop + m.staffButtonHeight + (m.level == 0 ? 10 : 6);
  ui.Frame4->setGeometry(12, staffTop, wide, staffHeight);
  const int lastBottom =
      ui.Frame4->isVisibleTo(ui.Frame3) ? staffTop + staffHeight : referenceTop + m.buttonHeight;
  h.frame3 = lastBottom + m.buttonGap + m.command1Height + m.command1Below;
  if (ui.Frame3->width() != kColumnWidth) ui.Frame3->resize(kColumnWidth, h.frame3);
  ui.Command1->setGeometry(12, ui.Command1->y(), wide, m.command1Height);
  return h;
}

void frmMain::ShowStaffPositionButtons(bool shown) {
  ui.Frame4->setVisible(shown);
  LayOutColumn();
}

void frmMain::Form_Load() {
  DetectMaestroFont();
  graph_treat::SetFont(surface_, QStringLiteral("ＭＳ ゴシック"), 20, false, false);

  // Full screen width, screen height less 400 twips, at the top-left corner.
  const QSize screenTwips = screen::ScreenSizeTwips();
  width_ = static_cast<float>(screenTwips.width());
  height_ = static_cast<float>(screenTwips.height() - 400);
  const int pixelWidth = static_cast<int>(width_) / screen::kTwipsPerPixel;
  const int pixelHeight = static_cast<int>(height_) / screen::kTwipsPerPixel;
  move(0, 0);
  resize(pixelWidth, pixelHeight);
  setWindowTitle(kProgramName);

  // The drawing frame: x from 0 at the left to W at the right, y from H at the top down to
  // 0 at the bottom.
  const int menuHeight = menuBar()->sizeHint().height();
  surface_.Resize(pixelWidth, std::max(1, pixelHeight - menuHeight));
  view_->setMinimumSize(surface_.PixelWidth(), surface_.PixelHeight());
  surface_.Scale(0, height_, width_, 0);
  surface_.Cls();

  LayOutColumn();
  Set_combo1();

  {
    const QSignalBlocker blockCategories(ui.Combo2), blockTonalities(ui.Combo3),
        blockTreatments(ui.Combo4), blockRepeats(ui.Combo5);
    ui.Combo2->addItems(Translated(kCategories));
    ui.Combo3->addItems(Translated(kTonalities));
    ui.Combo4->addItems(Translated(kV7Treatments));
    for (int i = 1; i <= 20; ++i) ui.Combo5->addItem(QString::number(i) + tr(" 回"));
    for (QComboBox* c : {ui.Combo2, ui.Combo3, ui.Combo4, ui.Combo5}) c->setCurrentIndex(-1);
  }

  SelectNearest(ui.Combo5, cfg_.RepeatCount - 1);
  ui.Check2->setChecked(cfg_.RepeatOn != 0);
  SelectNearest(ui.Combo2, cfg_.Category);
  SelectNearest(ui.Combo3, cfg_.Tonality);
  SelectNearest(ui.Combo4, cfg_.V7Treatment);
  ui.Check1->setChecked(cfg_.UseMidi == 1);
  ui.mnu_View_showScore->setChecked(cfg_.ShowScore != 0);
  ui.mnu_View_showDiagram->setChecked(cfg_.ShowDiagram != 0);
  ui.mnu_View_ShowKeyBord->setChecked(cfg_.ShowKeyboard != 0);
  ui.mnu_settei_use_maestroF->setChecked(cfg_.UseMaestroFont != 0);
  ui.Option1[std::clamp<int>(cfg_.ProgressionMode, 0, 3)]->setChecked(true);

  // The circle diagram is always shown after start-up.
  cfg_.ShowDiagram = -1;
}

void frmMain::PlaceInWindow(QWidget* widget, float left, float top) {
  widget->move(surface_.ToPixel(left, top));
}

void frmMain::LayOutColumn() {
  const auto unitsY = [this](int pixels) {
    return static_cast<float>(pixels / surface_.PixelsPerUnitY());
  };
  const auto pixelsY = [this](float units) {
    return static_cast<int>(std::lrint(units * surface_.PixelsPerUnitY()));
  };
  // The design's sizes where they fit the window's height; otherwise the first level of
  // smaller sizes with which the whole column fits (the smallest when none does).
  ColumnHeights heights;
  for (int level = 0; level < ColumnMetrics::kLevels; ++level) {
    heights = ApplyColumnMetrics(ColumnMetrics::ForLevel(level));
    const float needed =
        unitsY(heights.frame1) + 100 + unitsY(heights.frame2) + 100 + unitsY(heights.frame3) + 100;
    if (needed <= height_) break;
  }
  const float frame1Width = static_cast<float>(ui.Frame1->width() / surface_.PixelsPerUnitX());
  const float left = width_ - frame1Width - 200;
  PlaceInWindow(ui.Frame1, left, height_);
  const float frame2Top = height_ - unitsY(ui.Frame1->height()) - 100;
  PlaceInWindow(ui.Frame2, left, frame2Top);
  const float frame3Top = frame2Top - unitsY(ui.Frame2->height()) - 100;
  PlaceInWindow(ui.Frame3, left, frame3Top);
  // ui.Frame3 reaches down to 100 units above the bottom edge.
  ui.Frame3->resize(ui.Frame3->width(), std::max(0, pixelsY(frame3Top - 100)));
  const int command1Top = ui.Frame3->height() - column_.command1Height - column_.command1Below;
  ui.Command1->move(ui.Command1->x(), command1Top);
}

float frmMain::Frame2Left() const {
  return static_cast<float>(surface_.FromPixel(ui.Frame2->x(), 0).x());
}

float frmMain::EntryChecksTop() const {
  const float checkHeight = static_cast<float>(ui.Check3->height() / surface_.PixelsPerUnitY());
  return checkHeight + static_cast<float>(keyboard_.KeyRect[keyboard_.KeyCount].top) + 50;
}

void frmMain::PlaceEntryChecks() {
  // Above the keyboard: ui.Check3 from the right edge of the lowest key, ui.Check5 beside it.
  const float checkWidth = static_cast<float>(ui.Check3->width() / surface_.PixelsPerUnitX());
  const float check3Left = static_cast<float>(keyboard_.KeyRect[1].right) + 200;
  const float check5Top = EntryChecksTop();
  PlaceInWindow(ui.Check3, check3Left, check5Top);
  PlaceInWindow(ui.Check5, checkWidth + check3Left + 500, check5Top);
  ui.Check3->setVisible(cfg_.ShowKeyboard != 0);
  ui.Check5->setVisible(cfg_.ShowKeyboard != 0);
}

void frmMain::PlaceClef() {
  const QPoint topLeft = surface_.ToPixel(staff_.ClefLeft, staff_.ClefTop);
  const int width = static_cast<int>(std::lrint(staff_.ClefWidth * surface_.PixelsPerUnitX()));
  const int height = static_cast<int>(std::lrint(staff_.ClefHeight * surface_.PixelsPerUnitY()));
  ui.Image1->setGeometry(topLeft.x(), topLeft.y(), width, height);
}
