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

#include "app/frmMain_parts.h"
#include "app/pictures.h"
#include "app/rising_scroll_bar.h"
#include "app/screen.h"
#include "core/appdir.h"
#include "core/language.h"
#include "dialogs/colour_settings.h"
#include "dialogs/export_dialog.h"
#include "dialogs/material_editor.h"
#include "dialogs/small_windows.h"
#include "dialogs/sound_settings.h"
#include "draw/graph_treat.h"

using namespace window_parts;

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
  // A file or folder is opened through xdg-open, waited for without holding the window:
  // where no application takes it, that is said, naming what was not opened (the desktop
  // services would count it as opened once xdg-open had started).
  openUrl = [this](const QUrl& url) {
    if (!url.isLocalFile()) return QDesktopServices::openUrl(url);
    const QString path = url.toLocalFile();
    const QString said =
        (QFileInfo(path).isDir()
             ? tr("フォルダを開けませんでした（開くアプリケーションがありません）。\n")
             : tr("ファイルを開けませんでした（開くアプリケーションがありません）。\n")) +
        QDir::toNativeSeparators(path);
    OpenWithDesktop(path, [self = QPointer<frmMain>(this), said] {
      if (self && self->report) self->report(said);
    });
    return true;
  };
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
    report(tr("テンポは %1 から %2 までの数で入力してください。")
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
  listenLineBox_.reset();
}

void frmMain::RedrawViews() {
  // The rings of held notes are inverted over the circle: they go before the circle is
  // drawn over them and come back after (else a ring drawn over is inverted back in).
  for (int pc = 0; pc < 12; ++pc) YEN_treat::ShowPlayed(circle_, surface_, cfg_, pc, false);
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
  if (session_.settings().on) ShowKeyScores(true);
  engine_.PlayContinuous();
}

void frmMain::Stop() {
  engine_.Stop();
  // A pass cut short is not judged: its notes not reached were not missed.
  session_.Cancel();
  if (liveTimer_) liveTimer_->stop();
  MakeSound_Bot_show(false);
  ui.Label7->hide();
  // The playback highlight is gone; the entry marks of the item come back.
  RepaintKeys();
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
  PaintHeldKeys();
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
  PaintHeldKeys();
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
  // A warning about a list that loaded is said once; a load that failed once each time the
  // user asks for the list.
  const bool warning = !error.isEmpty() && ui.Combo1->count() > 0;
  const bool said = warning ? loadWarningsSaid_.contains(error) : error == loadErrorSaid_;
  if (!error.isEmpty() && report && !said) report(error);
  if (warning) loadWarningsSaid_.insert(error);
  loadErrorSaid_ = warning ? QString() : error;
  const int item = settings::CurrentItem(cfg_);
  if (item >= 0 && item < ui.Combo1->count()) ui.Combo1->setCurrentIndex(item);
}

void frmMain::SetTitle(const QString& text) {
  setWindowTitle(language::WithSigns(text) + tr("ＶＯＲＭＩＮＡ　   "));
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
  // A new layout (a view switched on or off) moves the circle: the keys' table follows.
  if (!IsCangeOnly && keyTable_) PlaceKeyTable();
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
  // The names stay above the keyboard's check boxes, or inside the frame without them.
  const float bottom = cfg_.ShowKeyboard != 0 ? EntryChecksTop() : 0.0f;
  // And under the staff with listen mode's marks under its notes.
  const float top = cfg_.ShowScore != 0 ? staff_.StaffBottomY - 6.6f * staff_.LineSpacing : 0.0f;
  // With listen mode on, the keys' table and the pass's score stand right of the circle:
  // room for the narrowest table is kept there.
  const float right = session_.settings().on ? Frame2Left() - kListenRoomRight : 0.0f;
  return YEN_treat::CircleFrame{
      height_, Frame2Left(), static_cast<float>(screen::ScreenSizeTwips().height()),
      bottom,  top,          right};
}

void frmMain::KeyUp() {
  cfg_.Root = practice::KeyMovedBy(cfg_.Root, practice::kSemitoneUp);
  Prepair4PLAY(true);
}

void frmMain::KeyDown() {
  cfg_.Root = practice::KeyMovedBy(cfg_.Root, practice::kSemitoneDown);
  Prepair4PLAY(true);
}

void frmMain::KeyUpFourth() {
  cfg_.Root = practice::KeyMovedBy(cfg_.Root, practice::kFourthUp);
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
  RepaintKeys();
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
    RepaintKeys();
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
  if (!confirm(Translated(kExitQuestion))) {
    event->ignore();
    return;
  }
  state_.StopRequested = -1;
  settings::SaveSettings(cfg_, appdir::PathOf(appDir_, appdir::kSettingsFileName), report);
  if (settei_) settei_->close();
  engine_.midi().CloseMidiOut();
  event->accept();
}

void frmMain::PlayedNote(int note, int velocity, double ms) {
  // The note the player pressed, as the program's pitch: the keyboard's keys are pitches
  // from PitchBase, as the mouse plays them; the program sounds it.
  const int pitch = note - cfg_.PitchBase;
  SoundKey(pitch, velocity);
  NoteIn(note, pitch, velocity > 0, ms);
}

void frmMain::HeardNote(int note, bool on, double ms) {
  // A horn heard through the microphone is judged as it sounds (concert pitch), as the
  // program's own notes are; it is shown by ShowHeard, sooner. The program does not sound
  // it: the player is playing.
  if (on && Judge(note, ms)) UpdateLiveMarks();
}

void frmMain::ShowHeard(int note) {
  // The staff and the keyboard show the notes as the horn's player reads them: the pitch
  // adjustment taken off (as the program adds it to what it plays).
  if (heardShown_) std::erase(heldPitches_, *heardShown_);
  heardShown_.reset();
  if (note >= 0) {
    heardShown_ = note - cfg_.PitchBase - cfg_.PitchAdjust;
    heldPitches_.push_back(*heardShown_);
  }
  ShowHeld();
}

bool frmMain::Judge(int note, double ms) {
  const double at = ms >= 0 ? ms : static_cast<double>(engine_.waits().clock().NowMs());
  if (noteTap_) noteTap_(at);
  // Judged as sounded: the item's notes are compared as the program plays them.
  return session_.NotePlayed(note, at);
}

void frmMain::NoteIn(int note, int pitch, bool on, double ms) {
  const bool listened = on && Judge(note, ms);
  const auto held = std::find(heldPitches_.begin(), heldPitches_.end(), pitch);
  if (on && held == heldPitches_.end()) heldPitches_.push_back(pitch);
  if (!on && held != heldPitches_.end()) heldPitches_.erase(held);
  if (listened) UpdateLiveMarks();
  ShowHeld();
}

void frmMain::ShowHeld() {
  ShowPlayedOnCircle();
  RepaintKeys();
}

void frmMain::RepaintKeys() {
  if (cfg_.ShowKeyboard == 0) return;
  // The keys with the item's entry marks (when エントリー表示 is on), then the notes held
  // on a MIDI instrument or heard through the microphone.
  KB_Treat::DrawKeys(keyboard_, surface_, cfg_);
  KB_Treat::PaintEntryMarks(keyboard_, surface_, cfg_);
  PaintHeldKeys();
}

void frmMain::PaintHeldKeys() {
  if (cfg_.ShowKeyboard == 0) return;
  for (const int p : heldPitches_) {
    KB_Treat::PaintKeyAt(keyboard_, surface_, KB_Treat::PositionOfPitch(p));
  }
}

void frmMain::ShowPlayedOnCircle() {
  std::array<bool, 12> held{};
  for (const int p : heldPitches_) held[MusicMethod_Treat::PitchClass(p)] = true;
  for (int pc = 0; pc < 12; ++pc) YEN_treat::ShowPlayed(circle_, surface_, cfg_, pc, held[pc]);
}

void frmMain::AttachEar(sound::Ear& ear) {
  // A note heard begins and ends as a key pressed and released on a MIDI keyboard.
  ear.onNote = [self = QPointer<frmMain>(this)](const sound::EarNote& n) {
    OnWindowThread(self, [n](frmMain& w) { w.HeardNote(n.note, n.on, n.ms); });
  };
  ear.onShown = [self = QPointer<frmMain>(this)](int note) {
    OnWindowThread(self, [note](frmMain& w) { w.ShowHeard(note); });
  };
  WatchEachSecond([this, &ear] {
    if (!ear.IsOpen() || !ear.Lost()) return true;
    const QString source = ear.Source();
    ear.Close();  // said once: the next choice of the input opens it again
    if (report) report(tr("マイク入力（%1）が使えなくなりました。").arg(source));
    return true;
  });
}

void frmMain::AttachMidiInput(sound::MidiIn& input) {
  input.onNote = [self = QPointer<frmMain>(this)](const sound::InputNote& n) {
    OnWindowThread(self, [n](frmMain& w) { w.PlayedNote(n.note, n.velocity, n.ms); });
  };
  WatchEachSecond([this, &input] {
    if (!input.Lost()) return true;
    const QString port = input.Port();
    input.Open(QString());  // the virtual port stays for other programs
    if (report) report(tr("MIDI入力（%1）が使えなくなりました。").arg(port));
    return false;
  });
}

void frmMain::OnWindowThread(const QPointer<frmMain>& self, std::function<void(frmMain&)> what) {
  QMetaObject::invokeMethod(
      qApp,
      [self, what = std::move(what)] {
        if (self) what(*self);
      },
      Qt::QueuedConnection);
}

void frmMain::WatchEachSecond(std::function<bool()> look) {
  auto* watch = new QTimer(this);
  watch->setInterval(1000);
  connect(watch, &QTimer::timeout, this, [watch, look = std::move(look)] {
    if (!look()) watch->stop();
  });
  watch->start();
}
