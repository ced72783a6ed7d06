#include "app/frmMain.h"

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

namespace {

const QString kProgramName = QStringLiteral("ＶＯＲＭＩＮＡ");
const QString kExitQuestion = QStringLiteral("　　終了してよろしいですか？　　");

const QStringList kCategories = {QStringLiteral(" スケール"), QStringLiteral(" コード"),
                                 QStringLiteral(" ⅡⅤⅠﾊﾟﾀｰﾝ"), QStringLiteral(" ⅡⅤⅠｸﾘｼｪ"),
                                 QStringLiteral(" その他-1"), QStringLiteral(" その他-2")};
const QStringList kTonalities = {QStringLiteral(" メジャー"), QStringLiteral(" マイナー")};
const QStringList kV7Treatments = {QStringLiteral(" ミクソ"), QStringLiteral(" コンデミ"),
                                   QStringLiteral(" オルタード"), QStringLiteral(" ホールトーン")};
const QStringList kProgressions = {QStringLiteral("半音＋進行"), QStringLiteral("半音－進行"),
                                   QStringLiteral("４度進行"), QStringLiteral("そのまま")};
const QStringList kStaffButtons = {QStringLiteral("↑↑"), QStringLiteral("↑"), QStringLiteral("↓"),
                                   QStringLiteral("↓↓"), QStringLiteral("リセット")};
const QStringList kEditEntries = {QStringLiteral("スケール設定ファイル編集"),
                                  QStringLiteral("コード設定ファイル編集"),
                                  QStringLiteral("ⅡⅤパターン設定ファイル編集"),
                                  QStringLiteral("ⅡⅤリック設定ファイル編集"),
                                  QStringLiteral("その他1ファイル編集"),
                                  QStringLiteral("その他2ファイル編集"),
                                  QStringLiteral("設定ファイル編集")};

// Column width and the label column of ui.Frame1, in pixels (controls inside a frame use frame
// pixels, y downwards).
constexpr int kColumnWidth = 330;
constexpr int kLabelWidth = 96;

// Selects entry index of a list, or the nearest entry when index is outside the list.
void SelectNearest(QComboBox* list, int index) {
  if (list->count() == 0) return;
  list->setCurrentIndex(std::clamp(index, 0, list->count() - 1));
}

}  // namespace

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

frmMain::frmMain(settings::CfgRecord& cfg, RunState& state, kihon::Waits& waits,
                 sound::MidiOut& midiOut, const QString& appDir, QWidget* parent)
    : QMainWindow(parent),
      cfg_(cfg),
      state_(state),
      waits_(waits),
      appDir_(appDir),
      midiOut_(midiOut),
      engine_(cfg, state, waits, midiOut) {
  engine_.SetWindow(this);
  setWindowTitle(kProgramName);
  view_ = new SurfaceWidget(surface_, this);
  setCentralWidget(view_);
  confirm = [this](const QString& question) {
    return QMessageBox::question(this, kProgramName, question,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  };
  openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
  report = [this](const QString& message) {
    QMessageBox box(QMessageBox::NoIcon, kProgramName, message, QMessageBox::Ok, this);
    box.exec();
  };
  engine_.sequencer().report = [this](const QString& message) {
    if (report) report(message);
  };
  CreateControls();
  CreateMenus();
  ConnectHandlers();
  view_->mousePressed = [this](QMouseEvent* e) {
    const QPointF at = surface_.FromPixel(e->position().x(), e->position().y());
    KeyOrCircle(static_cast<float>(at.x()), static_cast<float>(at.y()));
  };
  view_->mouseReleased = [this](QMouseEvent*) { KeyRelease(); };
  // The window sees key presses before its controls do.
  qApp->installEventFilter(this);
}

frmMain::~frmMain() {
  qApp->removeEventFilter(this);
  surface_.changed = nullptr;
}

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
  ui.Label3 = NewLabel(QStringLiteral("学習別"), ui.Frame1);
  ui.Combo2 = NewList(ui.Frame1);
  ui.Label2 = NewLabel(QStringLiteral("種類"), ui.Frame1);
  ui.Combo1 = NewList(ui.Frame1);
  ui.Label4 = NewLabel(QStringLiteral("調子"), ui.Frame1);
  ui.Combo3 = NewList(ui.Frame1);
  ui.Label5 = NewLabel(QStringLiteral("Ｖ７あしらい"), ui.Frame1);
  ui.Combo4 = NewList(ui.Frame1);
  ui.Text2 = new QLineEdit(QStringLiteral("テンポ"), ui.Frame1);
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
  ui.Check6 = NewCheck(QStringLiteral("スイング"), ui.Frame1);
}

// Frame2: continuous playback.
void frmMain::CreateFrame2() {
  ui.Frame2 = new QGroupBox(QStringLiteral("連続"), view_);
  for (int i = 0; i < 4; ++i) ui.Option1[i] = new QRadioButton(kProgressions[i], ui.Frame2);
  ui.Command5 = NewButton(QString(), ui.Frame2);
  ui.Command5->setIcon(QIcon(pictures::PlayPicture(40)));
  ui.Command9 = NewButton(QString(), ui.Frame2);
  ui.Command9->setIcon(QIcon(pictures::StopPicture(40)));
  ui.Command7 = NewButton(QStringLiteral("メトロノーム"), ui.Frame2);
  ui.Command10 = NewButton(QStringLiteral("補足設定"), ui.Frame2);
  ui.Check2 = NewCheck(QStringLiteral("繰り返す"), ui.Frame2);
  ui.Combo5 = NewList(ui.Frame2);
  ui.Check4 = NewCheck(QStringLiteral("徐々に早くする"), ui.Frame2);
  ui.Text3 = new QLineEdit(ui.Frame2);
  ui.Text3->setAlignment(Qt::AlignRight);
  ui.Label6 = NewLabel(QStringLiteral("％UP"), ui.Frame2);
}

// Frame3: the single actions, with the staff-position buttons of Frame4.
void frmMain::CreateFrame3() {
  ui.Frame3 = new QGroupBox(view_);
  ui.Command2 = NewButton(QStringLiteral("音出し"), ui.Frame3);
  ui.Command3 = NewButton(QStringLiteral("半音　＋"), ui.Frame3);
  ui.Command4 = NewButton(QStringLiteral("半音　－"), ui.Frame3);
  ui.Command6 = NewButton(QStringLiteral("CAL Bb"), ui.Frame3);
  ui.Command8 = NewButton(QStringLiteral("CAL A"), ui.Frame3);
  ui.Frame4 = new QGroupBox(QStringLiteral("五線位置調整"), ui.Frame3);
  for (int i = 0; i < 5; ++i) ui.Command12[i] = NewButton(kStaffButtons[i], ui.Frame4);
  ui.Command17 = NewButton(QStringLiteral("OK"), ui.Frame4);
  ui.Frame4->hide();
  ui.Command1 = NewButton(QStringLiteral("終了"), ui.Frame3);
}

// The controls on the drawing surface itself.
void frmMain::CreateSurfaceControls() {
  ui.Check1 = new QCheckBox(QStringLiteral("USE_MIDI"), view_);
  ui.Check1->hide();
  ui.Check3 = new QCheckBox(QStringLiteral("弾くときは実音"), view_);
  ui.Check3->adjustSize();
  ui.Check5 = new QCheckBox(QStringLiteral("エントリー表示"), view_);
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
  ui.mnu_file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
  const QString exportEntries[] = {QStringLiteral("MIDIファイル書き出し…"),
                                   QStringLiteral("MusicXML書き出し…"),
                                   QStringLiteral("12キー練習シート(PDF)…")};
  for (int i = 0; i < 3; ++i) ui.mnu_file_export[i] = ui.mnu_file->addAction(exportEntries[i]);
  ui.mnu_file->addSeparator();
  ui.mnu_file_end = ui.mnu_file->addAction(QStringLiteral("終了"));

  ui.mnu_edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
  for (int i = 0; i < 7; ++i) ui.mnu_edit_seting_file[i] = ui.mnu_edit->addAction(kEditEntries[i]);

  ui.mnu_View = menuBar()->addMenu(QStringLiteral("表示(&V)"));
  ui.mnu_View_showScore = ui.mnu_View->addAction(QStringLiteral("スコア表示"));
  ui.mnu_View_showDiagram = ui.mnu_View->addAction(QStringLiteral("ダイヤグラム表示"));
  ui.mnu_View_ShowKeyBord = ui.mnu_View->addAction(QStringLiteral("鍵盤表示"));
  for (QAction* a : {ui.mnu_View_showScore, ui.mnu_View_showDiagram, ui.mnu_View_ShowKeyBord}) {
    a->setCheckable(true);
  }
  ui.mnu_View->addSeparator();
  ui.mnu_View_practiceLog = ui.mnu_View->addAction(QStringLiteral("練習記録…"));

  ui.mnu_settei = menuBar()->addMenu(QStringLiteral("設定(&S)"));
  ui.mnu_settei_sound = ui.mnu_settei->addAction(QStringLiteral("音設定"));
  ui.mnu_settei_color = ui.mnu_settei->addAction(QStringLiteral("色設定"));
  ui.mmu_setting_gosen = ui.mnu_settei->addAction(QStringLiteral("五線の位置調整"));
  ui.mnu_settei_use_maestroF = ui.mnu_settei->addAction(QStringLiteral("マエストロフォントを使う"));
  ui.mnu_settei_use_maestroF->setCheckable(true);
  ui.mnu_settei->addSeparator();
  ui.mnu_settei_listen = ui.mnu_settei->addAction(QStringLiteral("聴き取り採点"));
  ui.mnu_settei_listen->setCheckable(true);
  ui.mnu_settei_listen_along = ui.mnu_settei->addAction(QStringLiteral("演奏と一緒に弾く"));
  ui.mnu_settei_listen_answer = ui.mnu_settei->addAction(QStringLiteral("演奏の後に答えて弾く"));
  auto* modes = new QActionGroup(this);
  for (QAction* a : {ui.mnu_settei_listen_along, ui.mnu_settei_listen_answer}) {
    a->setCheckable(true);
    modes->addAction(a);
  }
  ui.mnu_settei_listen_along->setChecked(true);
  ui.mnu_settei_listen_octave =
      ui.mnu_settei->addAction(QStringLiteral("オクターブ違いも正解にする"));
  ui.mnu_settei_listen_octave->setCheckable(true);
  ui.mnu_settei_listen_tolerance =
      ui.mnu_settei->addAction(QStringLiteral("早い・遅いとするずれ…"));

  ui.mnu_help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
  ui.mnu_help_help = ui.mnu_help->addAction(QStringLiteral("ヘルプ"));
  ui.mnu_help_ShortCut = ui.mnu_help->addAction(QStringLiteral("ショートカット説明"));
  ui.mnu_help_show_ver = ui.mnu_help->addAction(QStringLiteral("バージョン情報"));
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
  // Reference tones while the buttons are held: B flat, and an A a semitone below it.
  connect(ui.Command6, &QPushButton::pressed, this,
          [this] { engine_.midi().NoteOnConcert(midi1::kReferenceChannel, 34, 127); });
  connect(ui.Command8, &QPushButton::pressed, this,
          [this] { engine_.midi().NoteOnConcert(midi1::kReferenceChannel, 33, 127); });
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
}

void frmMain::ShowTempo(int value) {
  ui.Text1->setText(QString::number(value));
  cfg_.Tempo = static_cast<std::int16_t>(value);
}

void frmMain::ApplyTypedTempo() {
  if (applyingTypedTempo_) return;  // the message box below takes the focus from the box
  applyingTypedTempo_ = true;
  bool ok = false;
  const int typed = ui.Text1->text().trimmed().toInt(&ok);
  if (ok && typed >= ui.VScroll1->minimum() && typed <= ui.VScroll1->maximum()) {
    if (ui.VScroll1->value() == typed) {
      ShowTempo(typed);
    } else {
      ui.VScroll1->setValue(typed);
    }
  } else {
    ui.Text1->setText(QString::number(ui.VScroll1->value()));
    report(QStringLiteral("テンポは %1 から %2 までの数で入力してください。")
               .arg(ui.VScroll1->minimum())
               .arg(ui.VScroll1->maximum()));
  }
  applyingTypedTempo_ = false;
}

void frmMain::ShowTempoInForce() {
  const int tempo = std::clamp<int>(cfg_.Tempo, ui.VScroll1->minimum(), ui.VScroll1->maximum());
  if (ui.VScroll1->value() == tempo) {
    ShowTempo(tempo);
  } else {
    ui.VScroll1->setValue(tempo);
  }
}

void frmMain::Start() {
  state_.Initialising = -1;
  state_.StopRequested = 0;
  // The synthesiser opens after the window's first paint (see Midi::StartMidiOut).
  engine_.midi().StartMidiOut(report, true);
  view_->firstPainted = [this] {
    if (qEnvironmentVariableIsSet("VORMINA_REPORT_START")) {
      QTextStream(stderr) << "VORMINA: first paint" << Qt::endl;
    }
    QTimer::singleShot(0, this, [this] {
      engine_.midi().FinishOpen();
      if (qEnvironmentVariableIsSet("VORMINA_REPORT_START")) {
        QTextStream(stderr) << "VORMINA: sound ready" << Qt::endl;
      }
      if (soundReady) soundReady();
    });
  };
  Form_Load();
  show();
  ui.Check3->setChecked(cfg_.PlayConcertPitch != 0);
  ui.Check4->setChecked(cfg_.SpeedUpOn != 0);
  ui.Check5->setChecked(cfg_.ShowEntry != 0);
  ui.Check6->setChecked(cfg_.SwingOn != 0);
  ui.Text3->setText(QString::number(cfg_.SpeedUpPercent));
  settings::ApplyStartupTempo(cfg_);
  ShowTempoInForce();
  Scor_treat::LayoutStaff(staff_, width_, height_, Frame2Left(), cfg_.StaffOffset);
  PlaceClef();
  MusicMethod_Treat::Tables();  // note names, chord scales, suffixes and shapes, built once
  KB_Treat::InitKeyboard(keyboard_, Frame2Left());
  PlaceEntryChecks();
  state_.Initialising = 0;
  Prepair4PLAY(false);
}

void frmMain::MakeSound_Bot_show(bool IsSoundOn) {
  for (QWidget* w : std::initializer_list<QWidget*>{
           ui.Command1, ui.Command2, ui.Command3, ui.Command4, ui.Command5, ui.Command6,
           ui.Command7, ui.Command8, ui.Combo1, ui.Combo2, ui.Combo3, ui.Combo4}) {
    w->setEnabled(!IsSoundOn);
  }
  ui.Command9->setEnabled(IsSoundOn);
  if (IsSoundOn) {
    state_.SavedTempo = cfg_.Tempo;
    ui.Command9->setFocus();
  } else {
    cfg_.Tempo = state_.SavedTempo;
    // The tempo bar and its box show the tempo in force again, not the last one of a
    // speed-up or of U/D pressed during the run.
    ShowTempoInForce();
    ui.Command5->setFocus();
  }
}

void frmMain::ClearWindow() {
  surface_.Cls();
  // The playback cursor and the circle's mark went with the picture: the next step draws
  // them afresh instead of removing what is no longer there.
  score_.CursorShown = false;
  circle_.markShown = false;
  circle_.playedShown.fill(false);
  painted_.clear();
}

void frmMain::RedrawViews() {
  // How the item is written, for the staff, the circle and the accessible descriptions.
  spelled_ = spelling::SpellItem(engine_.phrase(), engine_.lists(), cfg_);
  if (cfg_.ShowScore != 0) {
    Scor_treat::ScoreContext score = ScoreContext();
    Scor_treat::DrawScore(score);
  }
  if (cfg_.ShowDiagram != 0) {
    // The circle names the item's pitch classes as the staff writes them.
    std::array<QString, 12> names;
    const Phrase& phrase = engine_.phrase();
    for (std::size_t i = 0; i < spelled_.size(); ++i) {
      if (phrase.NoteIsRest[i] != 0) continue;
      QString& name =
          names[static_cast<std::size_t>(MusicMethod_Treat::PitchClass(phrase.NotePitch[i]))];
      if (name.isEmpty()) name = spelling::Name(spelled_[i]);
    }
    YEN_treat::DrawCircleDiagram(circle_, surface_, paint_, cfg_, engine_.lists(), engine_.phrase(),
                                 &names);
  }
  if (cfg_.ShowKeyboard != 0) KB_Treat::DrawKeyboard(keyboard_, surface_, cfg_);
  KB_Treat::ComputeEntryMarks(keyboard_, cfg_, engine_.phrase());
  KB_Treat::PaintEntryMarks(keyboard_, surface_, cfg_);
  DrawListenMarks();
  ShowPlayedOnCircle();
}

void frmMain::PlayOnce() {
  ui.Command1->setEnabled(false);
  ui.Command2->setEnabled(false);
  engine_.PlayOnce();
  RedrawViews();
  ui.Command1->setEnabled(true);
  ui.Command2->setEnabled(true);
}

void frmMain::StartContinuous() {
  // A new run: the twelve keys' table starts empty.
  session_.NewRun();
  if (session_.settings().on) ShowKeyScores();
  engine_.PlayContinuous();
}

void frmMain::Stop() {
  engine_.Stop();
  // A pass cut short is not judged: its notes not reached were not missed.
  session_.Cancel();
  if (liveTimer_) liveTimer_->stop();
  MakeSound_Bot_show(false);
  ui.Label7->hide();
  KB_Treat::DrawKeys(keyboard_, surface_, cfg_);
  // The playback highlight is gone; the entry marks of the item come back.
  KB_Treat::PaintEntryMarks(keyboard_, surface_, cfg_);
}

void frmMain::Metronome() {
  engine_.Metronome();
}

void frmMain::StaffPosition(int button) {
  static constexpr float kMove[] = {10, 1, -1, -10};
  if (button == 4) {
    cfg_.StaffOffset = 0;
  } else {
    cfg_.StaffOffset += kMove[std::clamp(button, 0, 3)];
  }
  ClearWindow();
  Scor_treat::LayoutStaff(staff_, width_, height_, Frame2Left(), cfg_.StaffOffset);
  PlaceClef();
  if (cfg_.ShowScore != 0) Scor_treat::BuildPitchTables(staff_, cfg_.Root);
  RedrawViews();
}

void frmMain::PrepareForKey() {
  Prepair4PLAY(true);
}

void frmMain::ShowTempo(int tempo, const QString& text) {
  // Each pass shows its tempo on the bar too, so that a speed-up can be followed there.
  (void)tempo;  // the sequencer shows the tempo in force, which is cfg Tempo
  ShowTempoInForce();
  tempoLine_ = std::make_pair(tempo, text);
  Scor_treat::ScoreContext score = ScoreContext();
  Scor_treat::DrawTempoLine(score, circle_.CircleCentreX + 1.5f * circle_.CircleRadius,
                            circle_.CircleCentreY - 0.5f * circle_.CircleRadius, tempo, text);
}

void frmMain::MoveCursor(float x, bool first) {
  // A pass begins: played along with, it is listened to from its first step.
  if (first && session_.settings().on && session_.settings().mode == listen::Mode::kAlong) {
    StartListening(static_cast<double>(engine_.waits().WaitReference()));
  }
  Scor_treat::ScoreContext score = ScoreContext();
  Scor_treat::MoveCursor(score, x, first);
  if (!first) UpdateLiveMarks();
}

void frmMain::HighlightStep(float x, float y, const QString& degree, bool first) {
  YEN_treat::HighlightStep(circle_, surface_, paint_, cfg_, x, y, degree, first);
}

void frmMain::HighlightStepKey(int melodyPitch) {
  KB_Treat::HighlightStepKey(keyboard_, surface_, cfg_, melodyPitch);
}

void frmMain::EraseCursor() {
  Scor_treat::ScoreContext score = ScoreContext();
  Scor_treat::EraseCursor(score);
}

void frmMain::EndHighlight() {
  YEN_treat::EndHighlight(circle_, surface_, paint_, cfg_);
}

void frmMain::EndKeyHighlight() {
  KB_Treat::EndKeyHighlight(keyboard_, surface_, cfg_);
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
    ui.Combo2->addItems(kCategories);
    ui.Combo3->addItems(kTonalities);
    ui.Combo4->addItems(kV7Treatments);
    for (int i = 1; i <= 20; ++i) ui.Combo5->addItem(QString::number(i) + QStringLiteral(" 回"));
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

void frmMain::PlaceEntryChecks() {
  // Above the keyboard: ui.Check3 from the right edge of the lowest key, ui.Check5 beside it.
  const float checkHeight = static_cast<float>(ui.Check3->height() / surface_.PixelsPerUnitY());
  const float checkWidth = static_cast<float>(ui.Check3->width() / surface_.PixelsPerUnitX());
  const float check3Left = static_cast<float>(keyboard_.KeyRect[1].right) + 200;
  const float check5Top =
      checkHeight + static_cast<float>(keyboard_.KeyRect[keyboard_.KeyCount].top) + 50;
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

void frmMain::Set_combo1() {
  QString error;
  {
    const QSignalBlocker block(ui.Combo1);
    ui.Combo1->clear();
    const int count = engine_.LoadCategory(appDir_, cfg_.Category, &error);
    for (int i = 0; i < count; ++i) {
      ui.Combo1->addItem(u' ' + file_Treat::ItemName(engine_.lists(), cfg_.Category, i));
    }
    ui.Combo1->setCurrentIndex(-1);
    // The popup is as wide as its longest entry, so long item names show whole.
    int widest = 0;
    for (int i = 0; i < ui.Combo1->count(); ++i) {
      widest = std::max(widest,
                        ui.Combo1->view()->fontMetrics().horizontalAdvance(ui.Combo1->itemText(i)));
    }
    const int frame = 2 * ui.Combo1->view()->frameWidth() + 24 +
                      ui.Combo1->view()->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    ui.Combo1->view()->setMinimumWidth(std::max(ui.Combo1->width(), widest + frame));
  }
  if (!error.isEmpty() && report) report(error);
  const int item = settings::CurrentItem(cfg_);
  if (item >= 0 && item < ui.Combo1->count()) ui.Combo1->setCurrentIndex(item);
}

void frmMain::SetTitle(const QString& text) {
  setWindowTitle(text + QStringLiteral("ＶＯＲＭＩＮＡ　   "));
}

void frmMain::InitAtEveryChange(int pat, int root) {
  ui.Image1->hide();
  const bool score = cfg_.ShowScore != 0;
  const bool diagram = cfg_.ShowDiagram != 0;
  const bool keyboard = cfg_.ShowKeyboard != 0;
  // The playback label goes under the circle, or to the top edge without the score.
  if (diagram && !(score && !keyboard)) {
    QFont font = ui.Label7->font();
    font.setPointSize(score || keyboard ? 18 : 24);
    ui.Label7->setFont(font);
    ui.Label7->adjustSize();
    const float labelHeight = static_cast<float>(ui.Label7->height() / surface_.PixelsPerUnitY());
    const float top =
        score ? height_ - circle_.CircleCentreY + circle_.CircleRadius + 1.5f * labelHeight
              : height_;
    PlaceInWindow(ui.Label7, static_cast<float>(surface_.FromPixel(ui.Label7->x(), 0).x()), top);
  }
  ui.Check3->setVisible(keyboard);
  ui.Check5->setVisible(keyboard);
  ClearWindow();
  SetTitle(ItemTitle(pat, root));
}

QString frmMain::ItemTitle(int pat, int root) const {
  const int category = cfg_.Category;
  // The key as the item is written in it: a scale's or chord's root by its label, a
  // pattern's or phrase's key with "m" when it is minor.
  const Phrase& phrase = engine_.phrase();
  QString key =
      spelling::KeyText(spelling::ItemKey(phrase, category::IsList(category) ? root : cfg_.Root));
  if (category::IsSteps(category)) {
    if (const auto named = spelling::SymbolRoot(phrase.NoteChord[0]);
        named && spelling::PitchClassOf(*named) == MusicMethod_Treat::PitchClass(root)) {
      key = spelling::Name(*named);
    } else {
      key = MusicMethod_Treat::KeyName(MusicMethod_Treat::Tables(), root);
    }
  }
  if (category::IsPhraseBook(category)) {
    return file_Treat::ItemName(engine_.lists(), category, pat) + QStringLiteral(" ( ") + key +
           QStringLiteral(" )");
  }
  return key + u' ' + file_Treat::ItemName(engine_.lists(), category, pat);
}

void frmMain::Prepair4PLAY(bool IsCangeOnly) {
  if (state_.Initialising != 0) return;
  const int item = settings::CurrentItem(cfg_);
  InitAtEveryChange(item, cfg_.Root);
  if (cfg_.ShowDiagram != 0) {
    YEN_treat::LayoutCircle(circle_, surface_, cfg_, CircleFrame());
  }

  // The engine sounds the instruments and realises the item, with the circle's points where
  // the layout put them; the window then draws what it realised.
  const RingPoints rings = YEN_treat::RingPointsOf(circle_);
  engine_.Prepare(IsCangeOnly, circle_.laidOut ? &rings : nullptr, report);
  // A freshly realised phrase takes its key from its last chord, and every item's key or
  // root is named as the realisation spelled it: the title follows the realisation.
  SetTitle(ItemTitle(item, cfg_.Root));
  if (cfg_.ShowScore != 0) Scor_treat::BuildPitchTables(staff_, cfg_.Root);

  RedrawViews();
  view_->PartsChanged();
}

Scor_treat::ScoreContext frmMain::ScoreContext() {
  // The staff writes each note as the exports do (spelled_, renewed at every redraw).
  return Scor_treat::ScoreContext{score_,
                                  staff_,
                                  surface_,
                                  paint_,
                                  cfg_,
                                  engine_.phrase(),
                                  [this](bool shown) { ui.Image1->setVisible(shown); },
                                  report,
                                  &spelled_};
}

YEN_treat::CircleFrame frmMain::CircleFrame() const {
  return YEN_treat::CircleFrame{height_, Frame2Left(),
                                static_cast<float>(screen::ScreenSizeTwips().height())};
}

void frmMain::KeyUp() {
  cfg_.Root = static_cast<std::int16_t>((cfg_.Root + 1) % 12);
  Prepair4PLAY(true);
}

void frmMain::KeyDown() {
  cfg_.Root = static_cast<std::int16_t>((cfg_.Root + 11) % 12);
  Prepair4PLAY(true);
}

void frmMain::KeyUpFourth() {
  // A fourth is five semitones: twelve presses visit every key once, as "４度進行" does.
  cfg_.Root = static_cast<std::int16_t>((cfg_.Root + 5) % 12);
  Prepair4PLAY(true);
}

void frmMain::KeyOrCircle(float x, float y) {
  state_.SoundingKey = 0;
  state_.KeyPressed = 0;
  if (cfg_.ShowKeyboard == 0 || y > static_cast<float>(keyboard_.KeyRect[1].top)) {
    const int hit = YEN_treat::PointAt(circle_, x, y);
    if (hit < 0 || state_.Initialising != 0) return;
    state_.PreviousRoot = cfg_.Root;
    cfg_.Root = static_cast<std::int16_t>(hit);
    Prepair4PLAY(true);
    return;
  }
  const std::optional<int> key = KB_Treat::KeyAt(keyboard_, x, y);
  if (!key) return;
  state_.KeyPressed = -1;
  KB_Treat::DrawKeys(keyboard_, surface_, cfg_);
  KB_Treat::PaintKeyAt(keyboard_, surface_, *key);
  state_.SoundingKey = static_cast<std::int16_t>(*key);
  SoundKey(*key + 4, 127);
}

void frmMain::SoundKey(int pitch, int velocity) {
  const bool concert = cfg_.PlayConcertPitch == 1;
  midi1::Midi& midi = engine_.midi();
  if (velocity > 0 && concert) {
    midi.NoteOnConcert(midi1::kMelodyChannel, pitch, velocity);
  } else if (velocity > 0) {
    midi.NoteOn(midi1::kMelodyChannel, pitch, velocity);
  } else if (concert) {
    midi.NoteOffConcert(midi1::kMelodyChannel, pitch);
  } else {
    midi.NoteOff(midi1::kMelodyChannel, pitch);
  }
}

void frmMain::KeyRelease() {
  if (state_.KeyPressed != 0) {
    KB_Treat::DrawKeys(keyboard_, surface_, cfg_);
    if (state_.SoundingKey > 0) engine_.midi().AllNotesOff(midi1::kMelodyChannel);
  }
  state_.KeyPressed = 0;
}

bool frmMain::HandleShortcut(int key) {
  switch (key) {
    case Qt::Key_Space:
      if (ui.Command5->isEnabled()) {
        StartContinuous();
        return true;
      }
      if (ui.Command9->isEnabled()) {
        Stop();
        return true;
      }
      return false;
    case Qt::Key_M:
      if (!ui.Command7->isEnabled()) return false;
      Metronome();
      return true;
    case Qt::Key_S:
      if (!ui.Command2->isEnabled()) return false;
      PlayOnce();
      return true;
    case Qt::Key_P:
      if (!ui.Command3->isEnabled()) return false;
      KeyUp();
      return true;
    case Qt::Key_Q:
      if (!ui.Command4->isEnabled()) return false;
      KeyDown();
      return true;
    case Qt::Key_F:
      if (!ui.Command4->isEnabled()) return false;
      KeyUpFourth();
      return true;
    case Qt::Key_U:
      if (ui.VScroll1->value() >= 300) return false;
      ui.VScroll1->setValue(ui.VScroll1->value() + 1);
      return true;
    case Qt::Key_D:
      if (ui.VScroll1->value() <= 50) return false;
      ui.VScroll1->setValue(ui.VScroll1->value() - 1);
      return true;
    default:
      return false;
  }
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    const auto* key = static_cast<QKeyEvent*>(event);
    // A letter typed with Alt, Ctrl or Meta is not a typed letter: Alt and a letter open the
    // menus. Shift does not matter (either letter case is the shortcut).
    const bool typed =
        !(key->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier));
    if (typed && HandleShortcut(key->key())) return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void frmMain::closeEvent(QCloseEvent* event) {
  if (!confirm(kExitQuestion)) {
    event->ignore();
    return;
  }
  state_.StopRequested = -1;
  settings::SaveSettings(cfg_, appdir::PathOf(appDir_, appdir::kSettingsFileName), report);
  if (settei_) settei_->close();
  engine_.midi().CloseMidiOut();
  event->accept();
}

void frmMain::ToggleView(std::int16_t& flag, QAction* entry) {
  kihon::ToggleFlag(flag);
  entry->setChecked(flag != 0);
  Prepair4PLAY(false);
}

namespace {

// Shows a new dialog; the sound settings start through their own Start.
void Present(QWidget& dialog) {
  dialog.show();
}
void Present(settei& dialog) {
  dialog.Start();
}

// Brings forward a dialog that is already open, or makes, keeps and shows a new one.
template <class Dialog, class Make>
Dialog* ShowOnce(QPointer<Dialog>& kept, Make make) {
  if (!kept) {
    kept = make();
    kept->setAttribute(Qt::WA_DeleteOnClose);
    Present(*kept);
  }
  kept->raise();
  kept->activateWindow();
  return kept;
}

}  // namespace

settei* frmMain::OpenSoundSettings() {
  return ShowOnce(settei_, [this] {
    auto* dialog = new settei(
        cfg_, engine_.midi(), waits_, appdir::PathOf(appDir_, appdir::kSettingsFileName),
        [this] {
          // The tempo bar shows the dialog's tempo; its handler stores it again.
          ui.VScroll1->setValue(
              std::clamp<int>(cfg_.Tempo, ui.VScroll1->minimum(), ui.VScroll1->maximum()));
          Prepair4PLAY(false);
        },
        [this](const QString& message) { report(message); }, this);
    dialog->SetOutputs(dynamic_cast<sound::OutputChoices*>(&midiOut_));
    return dialog;
  });
}

frmColset* frmMain::OpenColourSettings() {
  return ShowOnce(colset_, [this] {
    return new frmColset(
        cfg_, appdir::PathOf(appDir_, appdir::kSettingsFileName),
        [this](const QString& message) { report(message); }, this);
  });
}

MainSet* frmMain::OpenMainSet() {
  return ShowOnce(mainSet_, [this] { return new MainSet(cfg_, this); });
}

sample* frmMain::OpenShortcuts() {
  return ShowOnce(sample_, [this] { return new sample(this); });
}

MaterialEditor* frmMain::EditMaterial(int i) {
  const QStringList files = appdir::MaterialFiles();
  if (i < 0 || i > files.size()) return nullptr;
  if (i == files.size()) {
    // The settings themselves are edited in the dialogs; this entry opens the folder that
    // holds the settings file and the material files.
    if (!openUrl(QUrl::fromLocalFile(appDir_))) {
      report(QStringLiteral("フォルダを開けませんでした。\n") + QDir::toNativeSeparators(appDir_));
    }
    return nullptr;
  }
  // The file the item list is read from, found the same way, in the program's own editor:
  // it keeps the file's encoding and line ends, checks the text before saving, and the
  // item list is refilled after a save.
  const QString path = file_Treat::CategoryFile(appDir_, i);
  return ShowOnce(editors_[static_cast<std::size_t>(i)], [this, i, path] {
    return new MaterialEditor(
        i, path,
        [this](int category) {
          if (category == cfg_.Category) Set_combo1();
        },
        this);
  });
}

void frmMain::show_help() {
  const QString path = appdir::PathOf(appDir_, QStringLiteral("help.pdf"));
  const QString shown = QDir::toNativeSeparators(path);
  if (!QFileInfo::exists(path)) {
    report(QStringLiteral("ヘルプファイルが見つかりません。\n") + shown);
    return;
  }
  if (!openUrl(QUrl::fromLocalFile(path))) {
    report(QStringLiteral(
               "ヘルプを表示できませんでした（PDFを開くアプリケーションがありません）。\n") +
           shown);
  }
}

QString frmMain::VersionText() {
  return QStringLiteral(
             "Ver1.1.2　 2009.01.12\n\nＶＯＲＭＩＮＡ　ジャズ・アドリブ練習ソフト（Qt %1 版）")
      .arg(QString::fromLatin1(qVersion()));
}

void frmMain::VersionBox() {
  report(VersionText());
}

void frmMain::ExportWithDialog(exports::Format format) {
  ExportDialog choices(format, cfg_, this, engine_.phrase().KeyMinor != 0);
  if (choices.exec() != QDialog::Accepted) return;
  const exports::Request request = choices.Chosen();
  // A name from the item and its key, in the user's documents folder.
  QString name = file_Treat::ItemName(engine_.lists(), request.category, request.item).trimmed();
  name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]")), QStringLiteral("_"));
  name += QStringLiteral(" ") +
          (request.allKeys
               ? QStringLiteral("12keys")
               : spelling::KeyText(spelling::Key{request.key, engine_.phrase().KeyMinor != 0}));
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  const QString filter = format == exports::Format::kMidi ? QStringLiteral("MIDIファイル (*.mid)")
                         : format == exports::Format::kMusicXml
                             ? QStringLiteral("MusicXML (*.musicxml)")
                             : QStringLiteral("PDF (*.pdf)");
  QString path = QFileDialog::getSaveFileName(
      this, choices.windowTitle(), QDir(folder).filePath(name + exports::Suffix(format)), filter);
  if (path.isEmpty()) return;
  if (!path.endsWith(exports::Suffix(format), Qt::CaseInsensitive)) path += exports::Suffix(format);
  ExportTo(format, request, path);
}

bool frmMain::ExportTo(exports::Format format, const exports::Request& request,
                       const QString& path) {
  // The export plays the item in an engine of its own, on the settings in force now.
  practice::OfflineEngine world(cfg_);
  QString error;
  world.engine.LoadCategory(appDir_, request.category, &error);
  exports::Export built;
  const bool ok = error.isEmpty() && exports::Build(world, request, built, &error) &&
                  exports::Save(format, built, path, &error);
  if (!ok && report) {
    report(QStringLiteral("書き出せませんでした。\n%1\n（%2）")
               .arg(QDir::toNativeSeparators(path), error));
  }
  return ok;
}

void frmMain::PlayedNote(int note, int velocity, double ms) {
  bool listened = false;
  if (velocity > 0) {
    const double at = ms >= 0 ? ms : static_cast<double>(engine_.waits().clock().NowMs());
    listened = session_.NotePlayed(note, at);
  }
  // The note the player pressed, as the program's pitch: the keyboard's keys are pitches
  // from PitchBase, as the mouse plays them.
  const int pitch = note - cfg_.PitchBase;
  SoundKey(pitch, velocity);
  const auto held = std::find(heldPitches_.begin(), heldPitches_.end(), pitch);
  if (velocity > 0 && held == heldPitches_.end()) heldPitches_.push_back(pitch);
  if (velocity == 0 && held != heldPitches_.end()) heldPitches_.erase(held);
  ShowPlayedOnCircle();
  if (listened) UpdateLiveMarks();
  if (cfg_.ShowKeyboard == 0) return;
  KB_Treat::DrawKeys(keyboard_, surface_, cfg_);
  for (const int p : heldPitches_) {
    KB_Treat::PaintKeyAt(keyboard_, surface_, KB_Treat::PositionOfPitch(p));
  }
}

void frmMain::ShowPlayedOnCircle() {
  std::array<bool, 12> held{};
  for (const int p : heldPitches_) held[MusicMethod_Treat::PitchClass(p)] = true;
  for (int pc = 0; pc < 12; ++pc) YEN_treat::ShowPlayed(circle_, surface_, cfg_, pc, held[pc]);
}

void frmMain::AttachMidiInput(sound::MidiIn& input) {
  QPointer<frmMain> self(this);
  input.onNote = [self](const sound::InputNote& n) {
    QMetaObject::invokeMethod(
        qApp,
        [self, n] {
          if (self) self->PlayedNote(n.note, n.velocity, n.ms);
        },
        Qt::QueuedConnection);
  };
  auto* watch = new QTimer(this);
  watch->setInterval(1000);
  connect(watch, &QTimer::timeout, this, [this, &input, watch] {
    if (!input.Lost()) return;
    watch->stop();
    const QString port = input.Port();
    input.Open(QString());  // the virtual port stays for other programs
    if (report) report(QStringLiteral("MIDI入力（%1）が使えなくなりました。").arg(port));
  });
  watch->start();
}
