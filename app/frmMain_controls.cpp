// The main window's controls: the column's frames, lists, buttons and boxes, the menus,
// and what each one does.
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
#include <utility>

#include "app/frmMain.h"
#include "app/frmMain_parts.h"
#include "app/pictures.h"
#include "app/rising_scroll_bar.h"
#include "app/screen.h"
#include "core/appdir.h"
#include "core/language.h"
#include "core/user_settings.h"
#include "dialogs/colour_settings.h"
#include "dialogs/export_dialog.h"
#include "dialogs/material_editor.h"
#include "dialogs/small_windows.h"
#include "dialogs/sound_settings.h"
#include "draw/graph_treat.h"

using namespace window_parts;

namespace {

QLabel* NewLabel(const QString& text, QWidget* parent) {
  return new QLabel(text, parent);
}
QComboBox* NewList(QWidget* parent) {
  return new QComboBox(parent);
}
QPushButton* NewButton(const QString& text, QWidget* parent) {
  return new QPushButton(text, parent);
}
QCheckBox* NewCheck(const QString& text, QWidget* parent) {
  return new QCheckBox(text, parent);
}

}  // namespace

void frmMain::CreateControls() {
  CreateFrame1();
  CreateFrame2();
  CreateFrame3();
  ApplyColumnMetrics(ColumnMetrics::ForLevel(0));
  CreateSurfaceControls();
  NameControls();
}

// Frame1: the selections and the tempo.
void frmMain::CreateFrame1() {
  ui.Frame1 = new QGroupBox(view_);
  ui.Label3 = NewLabel(tr("学習別"), ui.Frame1);
  ui.Combo2 = NewList(ui.Frame1);
  ui.Label2 = NewLabel(tr("種類"), ui.Frame1);
  ui.Combo1 = NewList(ui.Frame1);
  ui.Label4 = NewLabel(tr("調子"), ui.Frame1);
  ui.Combo3 = NewList(ui.Frame1);
  ui.Label5 = NewLabel(tr("Ｖ７あしらい"), ui.Frame1);
  ui.Combo4 = NewList(ui.Frame1);
  ui.Text2 = new QLineEdit(tr("テンポ"), ui.Frame1);
  ui.Text2->setFrame(false);
  ui.Text2->setReadOnly(true);
  ui.Text2->setFocusPolicy(Qt::NoFocus);
  ui.Text2->setStyleSheet(QStringLiteral("background: transparent;"));
  ui.Text1 = new QLineEdit(ui.Frame1);
  ui.Text1->setAlignment(Qt::AlignRight);
  // 300 at the top end, 50 at the bottom end; ▲ and the wheel upwards raise the tempo.
  ui.VScroll1 = new RisingScrollBar(ui.Frame1);
  ui.VScroll1->setRange(50, 300);
  ui.VScroll1->setSingleStep(1);
  ui.VScroll1->setPageStep(10);
  ui.Check6 = NewCheck(tr("スイング"), ui.Frame1);
}

// Frame2: continuous playback.
void frmMain::CreateFrame2() {
  ui.Frame2 = new QGroupBox(tr("連続"), view_);
  for (int i = 0; i < 4; ++i)
    ui.Option1[i] = new QRadioButton(Translated(kProgressions[i]), ui.Frame2);
  ui.Command5 = NewButton(QString(), ui.Frame2);
  ui.Command5->setIcon(QIcon(pictures::PlayPicture(40)));
  ui.Command9 = NewButton(QString(), ui.Frame2);
  ui.Command9->setIcon(QIcon(pictures::StopPicture(40)));
  ui.Command7 = NewButton(tr("メトロノーム"), ui.Frame2);
  ui.Command10 = NewButton(tr("補足設定"), ui.Frame2);
  ui.Check2 = NewCheck(tr("繰り返す"), ui.Frame2);
  ui.Combo5 = NewList(ui.Frame2);
  ui.Check4 = NewCheck(tr("徐々に早くする"), ui.Frame2);
  ui.Text3 = new QLineEdit(ui.Frame2);
  ui.Text3->setAlignment(Qt::AlignRight);
  ui.Label6 = NewLabel(tr("％UP"), ui.Frame2);
}

// Frame3: the single actions, with the staff-position buttons of Frame4.
void frmMain::CreateFrame3() {
  ui.Frame3 = new QGroupBox(view_);
  ui.Command2 = NewButton(tr("音出し"), ui.Frame3);
  ui.Command3 = NewButton(tr("半音　＋"), ui.Frame3);
  ui.Command4 = NewButton(tr("半音　－"), ui.Frame3);
  ui.Command6 = NewButton(QStringLiteral("CAL Bb"), ui.Frame3);
  ui.Command8 = NewButton(QStringLiteral("CAL A"), ui.Frame3);
  ui.Frame4 = new QGroupBox(tr("五線位置調整"), ui.Frame3);
  for (int i = 0; i < 5; ++i) ui.Command12[i] = NewButton(Translated(kStaffButtons[i]), ui.Frame4);
  ui.Command17 = NewButton(QStringLiteral("OK"), ui.Frame4);
  ui.Frame4->hide();
  ui.Command1 = NewButton(tr("終了"), ui.Frame3);
}

// The controls on the drawing surface itself.
void frmMain::CreateSurfaceControls() {
  ui.Check1 = new QCheckBox(QStringLiteral("USE_MIDI"), view_);
  ui.Check1->hide();
  ui.Check3 = new QCheckBox(tr("弾くときは実音"), view_);
  ui.Check3->adjustSize();
  ui.Check5 = new QCheckBox(tr("エントリー表示"), view_);
  ui.Check5->adjustSize();
  ui.Image1 = new QLabel(view_);
  ui.Image1->setPixmap(pictures::TrebleClef());
  ui.Image1->setScaledContents(true);
  ui.Image1->hide();
  ui.Label7 = new QLabel(view_);
  ui.Label7->setFont(QFont(QStringLiteral("ＭＳ 明朝")));
  ui.Label7->hide();
}

void frmMain::CreateMenus() {
  ui.mnu_file = menuBar()->addMenu(tr("ファイル(&F)"));
  const QString exportEntries[] = {tr("MIDIファイル書き出し…"), tr("MusicXML書き出し…"),
                                   tr("12キー練習シート(PDF)…")};
  for (int i = 0; i < 3; ++i) ui.mnu_file_export[i] = ui.mnu_file->addAction(exportEntries[i]);
  ui.mnu_file->addSeparator();
  ui.mnu_file_end = ui.mnu_file->addAction(tr("終了"));

  ui.mnu_edit = menuBar()->addMenu(tr("編集(&E)"));
  for (int i = 0; i < 7; ++i)
    ui.mnu_edit_seting_file[i] = ui.mnu_edit->addAction(Translated(kEditEntries[i]));

  ui.mnu_View = menuBar()->addMenu(tr("表示(&V)"));
  ui.mnu_View_showScore = ui.mnu_View->addAction(tr("スコア表示"));
  ui.mnu_View_showDiagram = ui.mnu_View->addAction(tr("ダイヤグラム表示"));
  ui.mnu_View_ShowKeyBord = ui.mnu_View->addAction(tr("鍵盤表示"));
  for (QAction* a : {ui.mnu_View_showScore, ui.mnu_View_showDiagram, ui.mnu_View_ShowKeyBord}) {
    a->setCheckable(true);
  }
  ui.mnu_View->addSeparator();
  ui.mnu_View_practiceLog = ui.mnu_View->addAction(tr("練習記録…"));

  ui.mnu_settei = menuBar()->addMenu(tr("設定(&S)"));
  ui.mnu_settei_sound = ui.mnu_settei->addAction(tr("音設定"));
  ui.mnu_settei_color = ui.mnu_settei->addAction(tr("色設定"));
  ui.mmu_setting_gosen = ui.mnu_settei->addAction(tr("五線の位置調整"));
  ui.mnu_settei_use_maestroF = ui.mnu_settei->addAction(tr("マエストロフォントを使う"));
  ui.mnu_settei_use_maestroF->setCheckable(true);
  ui.mnu_settei->addSeparator();
  ui.mnu_settei_listen = ui.mnu_settei->addAction(tr("聴き取り採点"));
  ui.mnu_settei_listen->setCheckable(true);
  ui.mnu_settei_listen_along = ui.mnu_settei->addAction(tr("演奏と一緒に弾く"));
  ui.mnu_settei_listen_answer = ui.mnu_settei->addAction(tr("演奏の後に答えて弾く"));
  auto* modes = new QActionGroup(this);
  for (QAction* a : {ui.mnu_settei_listen_along, ui.mnu_settei_listen_answer}) {
    a->setCheckable(true);
    modes->addAction(a);
  }
  ui.mnu_settei_listen_along->setChecked(true);
  ui.mnu_settei_listen_octave = ui.mnu_settei->addAction(tr("オクターブ違いも正解にする"));
  ui.mnu_settei_listen_octave->setCheckable(true);
  ui.mnu_settei_listen_tolerance = ui.mnu_settei->addAction(tr("早い・遅いとするずれ…"));
  ui.mnu_settei->addSeparator();
  ui.mnu_settei_language = ui.mnu_settei->addMenu(tr("言語"));
  ui.mnu_settei_language_system = ui.mnu_settei_language->addAction(tr("システムの言語に合わせる"));
  ui.mnu_settei_language_ja = ui.mnu_settei_language->addAction(QStringLiteral("日本語"));
  ui.mnu_settei_language_en = ui.mnu_settei_language->addAction(QStringLiteral("English"));
  auto* languages = new QActionGroup(this);
  for (QAction* a :
       {ui.mnu_settei_language_system, ui.mnu_settei_language_ja, ui.mnu_settei_language_en}) {
    a->setCheckable(true);
    languages->addAction(a);
  }

  ui.mnu_help = menuBar()->addMenu(tr("ヘルプ(&H)"));
  ui.mnu_help_help = ui.mnu_help->addAction(tr("ヘルプ"));
  ui.mnu_help_ShortCut = ui.mnu_help->addAction(tr("ショートカット説明"));
  ui.mnu_help_show_ver = ui.mnu_help->addAction(tr("バージョン情報"));
}

void frmMain::ConnectHandlers() {
  ConnectFrame1();
  ConnectFrame2();
  ConnectFrame3();
  ConnectSurfaceControls();
  ConnectMenus();
}

// The selections and the tempo.
void frmMain::ConnectFrame1() {
  const auto checkValue = [](QCheckBox* box) -> std::int16_t { return box->isChecked() ? 1 : 0; };
  connect(ui.Combo2, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index < 0) return;
    cfg_.Category = static_cast<std::int16_t>(index);
    // The II-V-I patterns show the tonality and dominant-seventh lists.
    const bool pattern = cfg_.Category == category::kPattern;
    for (QWidget* w : {static_cast<QWidget*>(ui.Combo3), static_cast<QWidget*>(ui.Combo4),
                       static_cast<QWidget*>(ui.Label4), static_cast<QWidget*>(ui.Label5)}) {
      w->setVisible(pattern);
    }
    // The list asked for again by the user: a failed load is said again (while the window
    // starts, the category is the stored one and was said already).
    if (isVisible()) loadErrorSaid_.clear();
    Set_combo1();
  });
  connect(ui.Combo1, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index < 0) return;
    cfg_.LastItem[settings::CategorySlot(cfg_.Category)] = static_cast<std::int16_t>(index);
    Prepair4PLAY(false);
  });
  connect(ui.Combo3, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index < 0) return;
    cfg_.Tonality = static_cast<std::int16_t>(index);
    Set_combo1();
  });
  connect(ui.Combo4, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index < 0) return;
    cfg_.V7Treatment = static_cast<std::int16_t>(index);
    Set_combo1();
  });
  connect(ui.Check6, &QCheckBox::toggled, this,
          [=, this] { cfg_.SwingOn = checkValue(ui.Check6); });
  connect(ui.VScroll1, &QScrollBar::valueChanged, this, [this](int value) { ShowTempo(value); });
  // A tempo typed into the box counts when Enter is pressed or the box is left.
  connect(ui.Text1, &QLineEdit::editingFinished, this, &frmMain::ApplyTypedTempo);
}

// Continuous playback.
void frmMain::ConnectFrame2() {
  const auto checkValue = [](QCheckBox* box) -> std::int16_t { return box->isChecked() ? 1 : 0; };
  connect(ui.Combo5, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 0) cfg_.RepeatCount = static_cast<std::int16_t>(index + 1);
  });
  connect(ui.Check2, &QCheckBox::toggled, this,
          [=, this] { cfg_.RepeatOn = checkValue(ui.Check2); });
  connect(ui.Check4, &QCheckBox::toggled, this, [=, this] {
    cfg_.SpeedUpOn = checkValue(ui.Check4);
    ui.Text3->setEnabled(cfg_.SpeedUpOn == 1);
  });
  for (int i = 0; i < 4; ++i) {
    connect(ui.Option1[i], &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) cfg_.ProgressionMode = static_cast<std::int16_t>(i);
    });
  }
  connect(ui.Text3, &QLineEdit::textChanged, this, [this](const QString& text) {
    const double value = std::nearbyint(kihon::LeadingNumber(text));
    cfg_.SpeedUpPercent = static_cast<std::int16_t>(std::clamp(value, -32768.0, 32767.0));
  });
  connect(ui.Command5, &QPushButton::clicked, this, &frmMain::StartContinuous);
  connect(ui.Command9, &QPushButton::clicked, this, &frmMain::Stop);
  connect(ui.Command7, &QPushButton::clicked, this, &frmMain::Metronome);
  connect(ui.Command10, &QPushButton::clicked, this, &frmMain::OpenMainSet);
}

// The single actions and the staff-position buttons.
void frmMain::ConnectFrame3() {
  connect(ui.Command17, &QPushButton::clicked, this, [this] { ShowStaffPositionButtons(false); });
  connect(ui.Command3, &QPushButton::clicked, this, &frmMain::KeyUp);
  connect(ui.Command4, &QPushButton::clicked, this, &frmMain::KeyDown);
  connect(ui.Command2, &QPushButton::clicked, this, &frmMain::PlayOnce);
  for (int i = 0; i < 5; ++i) {
    connect(ui.Command12[i], &QPushButton::clicked, this, [this, i] { StaffPosition(i); });
  }
  // Reference tones while the buttons are held: B flat, and an A a semitone below it, at
  // concert pitch and full velocity.
  connect(ui.Command6, &QPushButton::pressed, this, [this] {
    engine_.midi().NoteOnConcert(midi1::kReferenceChannel, kReferenceBFlat, kReferenceVelocity);
  });
  connect(ui.Command8, &QPushButton::pressed, this, [this] {
    engine_.midi().NoteOnConcert(midi1::kReferenceChannel, kReferenceA, kReferenceVelocity);
  });
  for (QPushButton* b : {ui.Command6, ui.Command8}) {
    connect(b, &QPushButton::released, this,
            [this] { engine_.midi().AllNotesOff(midi1::kReferenceChannel); });
  }
  connect(ui.Command1, &QPushButton::clicked, this, &QWidget::close);
}

// The boxes on the drawing surface.
void frmMain::ConnectSurfaceControls() {
  const auto checkValue = [](QCheckBox* box) -> std::int16_t { return box->isChecked() ? 1 : 0; };
  connect(ui.Check1, &QCheckBox::toggled, this,
          [=, this] { cfg_.UseMidi = checkValue(ui.Check1); });
  connect(ui.Check3, &QCheckBox::toggled, this,
          [=, this] { cfg_.PlayConcertPitch = checkValue(ui.Check3); });
  connect(ui.Check5, &QCheckBox::toggled, this, [=, this] {
    cfg_.ShowEntry = checkValue(ui.Check5);
    Prepair4PLAY(false);
  });
}

// The menus.
void frmMain::ConnectMenus() {
  for (int i = 0; i < 3; ++i) {
    connect(ui.mnu_file_export[i], &QAction::triggered, this,
            [this, i] { ExportWithDialog(static_cast<exports::Format>(i)); });
  }
  connect(ui.mnu_file_end, &QAction::triggered, this, &QWidget::close);
  for (int i = 0; i < 7; ++i) {
    connect(ui.mnu_edit_seting_file[i], &QAction::triggered, this, [this, i] { EditMaterial(i); });
  }
  connect(ui.mnu_View_showScore, &QAction::triggered, this,
          [this] { ToggleView(cfg_.ShowScore, ui.mnu_View_showScore); });
  connect(ui.mnu_View_showDiagram, &QAction::triggered, this,
          [this] { ToggleView(cfg_.ShowDiagram, ui.mnu_View_showDiagram); });
  connect(ui.mnu_View_ShowKeyBord, &QAction::triggered, this,
          [this] { ToggleView(cfg_.ShowKeyboard, ui.mnu_View_ShowKeyBord); });
  ConnectListenMenu();
  connect(ui.mnu_settei_use_maestroF, &QAction::triggered, this,
          [this] { ToggleView(cfg_.UseMaestroFont, ui.mnu_settei_use_maestroF); });
  connect(ui.mnu_settei_sound, &QAction::triggered, this, &frmMain::OpenSoundSettings);
  connect(ui.mnu_settei_color, &QAction::triggered, this, &frmMain::OpenColourSettings);
  connect(ui.mmu_setting_gosen, &QAction::triggered, this,
          [this] { ShowStaffPositionButtons(true); });
  connect(ui.mnu_help_help, &QAction::triggered, this, &frmMain::show_help);
  connect(ui.mnu_help_ShortCut, &QAction::triggered, this, &frmMain::OpenShortcuts);
  connect(ui.mnu_help_show_ver, &QAction::triggered, this, &frmMain::VersionBox);
  ConnectLanguageMenu();
}

// The language menu shows the per-user choice and keeps a new one; the window keeps speaking
// the language it started in until the next start, and says so.
void frmMain::ConnectLanguageMenu() {
  const std::pair<QAction*, QString> choices[] = {
      {ui.mnu_settei_language_system, QString()},
      {ui.mnu_settei_language_ja, language::Code(language::Language::Japanese)},
      {ui.mnu_settei_language_en, language::Code(language::Language::English)}};
  connect(ui.mnu_settei_language, &QMenu::aboutToShow, this, [this, choices] {
    const QString code =
        user_settings::Open(userSettingsFile)->value(user_settings::kLanguage).toString();
    for (const auto& [action, itsCode] : choices) {
      action->setChecked(itsCode == (language::FromCode(code) ? code : QString()));
    }
  });
  for (const auto& [action, newCode] : choices) {
    connect(action, &QAction::triggered, this, [this, newCode] {
      auto settings = user_settings::Open(userSettingsFile);
      if (settings->value(user_settings::kLanguage).toString() == newCode) return;
      settings->setValue(user_settings::kLanguage, newCode);
      settings->sync();
      if (settings->status() != QSettings::NoError) {
        report(tr("言語の設定を保存できませんでした。\n%1").arg(settings->fileName()));
        return;
      }
      // Said in both languages: the player who chose the other one may not read this one.
      report(
          QStringLiteral("言語の設定は次回の起動から有効になります。\n"
                         "The language changes when VORMINA starts next time."));
    });
  }
}
