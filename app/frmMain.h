// The main window: the drawing surface of the three views and the control column.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QRectF>
#include <QSet>
#include <QStringList>
#include <QTableWidget>
#include <QUrl>
#include <array>
#include <functional>
#include <optional>

#include "app/surface_widget.h"
#include "core/kihon.h"
#include "core/runstate.h"
#include "core/settings.h"
#include "draw/paint.h"
#include "draw/surface.h"
#include "engine/listen.h"
#include "engine/listen_session.h"
#include "engine/practice_engine.h"
#include "exports/sheet.h"
#include "material/file_Treat.h"
#include "sound/Sound_Treat.h"
#include "sound/ear.h"
#include "sound/midi1.h"
#include "sound/midi_in.h"
#include "theory/phrase.h"
#include "views/circle/circle.h"
#include "views/keyboard/keyboard.h"
#include "views/score/score.h"
#include "views/score/staff.h"

class QAction;
class QCheckBox;
class QComboBox;

class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollBar;
class settei;
class frmColset;
class MainSet;
class sample;
class MaterialEditor;

// Sizes in the control column, in pixels. Level 0 is the window's design; where the column
// would not fit the screen's height, level 1 shortens the empty space beside the tempo bar
// and the buttons of the single actions, and level 2 every row.
struct ColumnMetrics {
  int level = 0;
  // Frame1: the list rows, the tempo row with its bar, the swing box.
  int rowTop = 14, rowPitch = 34, rowHeight = 26, tempoGap = 16, tempoBarHeight = 160;
  int swingGap = 48, frame1Margin = 14;
  // Frame2: the progression buttons beside the play and stop pictures and two buttons,
  // then the repeat row and the speed-up row.
  int optionTop = 24, optionPitch = 26, playHeight = 48, smallButtonHeight = 30;
  int frame2RowGap = 10, frame2RowPitch = 36, frame2Margin = 16;
  // Frame3: "音出し", the semitone and reference-tone rows, the staff-position frame and "終了".
  int bigButtonTop = 18, bigButtonHeight = 44, buttonHeight = 32, buttonGap = 8;
  int staffButtonHeight = 30, command1Height = 34;
  // Below "終了": one more button height in the design, a small margin otherwise.
  int command1Below = 34;

  static ColumnMetrics ForLevel(int level);
  static constexpr int kLevels = 3;
};

// The window's controls and menus, named as in the window's design.
struct frmMainUi {
  QGroupBox* Frame1 = nullptr;
  QLabel* Label3 = nullptr;
  QComboBox* Combo2 = nullptr;
  QLabel* Label2 = nullptr;
  QComboBox* Combo1 = nullptr;
  QLabel* Label4 = nullptr;
  QComboBox* Combo3 = nullptr;
  QLabel* Label5 = nullptr;
  QComboBox* Combo4 = nullptr;
  QLineEdit* Text2 = nullptr;
  QLineEdit* Text1 = nullptr;
  QScrollBar* VScroll1 = nullptr;
  QCheckBox* Check6 = nullptr;
  QGroupBox* Frame2 = nullptr;
  std::array<QRadioButton*, 4> Option1{};
  QPushButton* Command5 = nullptr;
  QPushButton* Command9 = nullptr;
  QPushButton* Command7 = nullptr;
  QPushButton* Command10 = nullptr;
  QCheckBox* Check2 = nullptr;
  QComboBox* Combo5 = nullptr;
  QCheckBox* Check4 = nullptr;
  QLineEdit* Text3 = nullptr;
  QLabel* Label6 = nullptr;
  QGroupBox* Frame3 = nullptr;
  QPushButton* Command2 = nullptr;
  QPushButton* Command3 = nullptr;
  QPushButton* Command4 = nullptr;
  QPushButton* Command6 = nullptr;
  QPushButton* Command8 = nullptr;
  QPushButton* Command1 = nullptr;
  QGroupBox* Frame4 = nullptr;
  std::array<QPushButton*, 5> Command12{};
  QPushButton* Command17 = nullptr;
  QCheckBox* Check1 = nullptr;
  QCheckBox* Check3 = nullptr;
  QCheckBox* Check5 = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* Label7 = nullptr;

  // Menus.
  QMenu* mnu_file = nullptr;
  // "MIDIファイル書き出し…", "MusicXML書き出し…", "12キー練習シート(PDF)…".
  std::array<QAction*, 3> mnu_file_export{};
  QAction* mnu_file_end = nullptr;
  QMenu* mnu_edit = nullptr;
  std::array<QAction*, 7> mnu_edit_seting_file{};
  QMenu* mnu_View = nullptr;
  QAction* mnu_View_showScore = nullptr;
  QAction* mnu_View_showDiagram = nullptr;
  QAction* mnu_View_ShowKeyBord = nullptr;
  QMenu* mnu_settei = nullptr;
  QAction* mnu_settei_sound = nullptr;
  QAction* mnu_settei_color = nullptr;
  QAction* mmu_setting_gosen = nullptr;
  QAction* mnu_settei_use_maestroF = nullptr;
  QAction* mnu_settei_listen = nullptr;            // "聴き取り採点"
  QAction* mnu_settei_listen_along = nullptr;      // "演奏と一緒に弾く"
  QAction* mnu_settei_listen_answer = nullptr;     // "演奏の後に答えて弾く"
  QAction* mnu_settei_listen_octave = nullptr;     // "オクターブ違いも正解にする"
  QAction* mnu_settei_listen_tolerance = nullptr;  // "早い・遅いとするずれ…"
  QAction* mnu_View_practiceLog = nullptr;         // "練習記録…"
  // The program's language, kept per user and taken at the next start: as the system's
  // locale, Japanese, or English (each language named in its own words).
  QMenu* mnu_settei_language = nullptr;
  QAction* mnu_settei_language_system = nullptr;
  QAction* mnu_settei_language_ja = nullptr;
  QAction* mnu_settei_language_en = nullptr;
  QMenu* mnu_help = nullptr;
  QAction* mnu_help_help = nullptr;
  QAction* mnu_help_ShortCut = nullptr;
  QAction* mnu_help_show_ver = nullptr;
};

class frmMain : public QMainWindow, private Sound_Treat::SequencerHost {
  Q_OBJECT
 public:
  // The window works on the program's one settings record and run-time state; the
  // settings file lives in appDir.
  frmMain(settings::CfgRecord& cfg, RunState& state, kihon::Waits& waits, sound::MidiOut& midiOut,
          const QString& appDir, QWidget* parent = nullptr);
  ~frmMain() override;

  // Second half of start-up: builds and shows the window, then prepares the stored item;
  // the sound output opens after the first paint, and soundReady is called then.
  void Start();
  std::function<void()> soundReady;
  void Prepair4PLAY(bool IsCangeOnly);
  void InitAtEveryChange(int pat, int root);
  void Set_combo1();
  void InitAtFirst() {}
  // The caption: text followed by the program's name.
  void SetTitle(const QString& text);

  // Key changes: a semitone up or down, a fourth (five semitones) up, or the pitch class of a
  // circle point; each prepares the item again in the new key.
  void KeyUp();
  void KeyDown();
  void KeyUpFourth();
  // A mouse press or release on the drawing surface, in window units.
  void KeyOrCircle(float x, float y);
  void KeyRelease();
  // A note played on a MIDI instrument (velocity 0: released): it sounds on the melody
  // channel as a key played with the mouse does, and shows on the keyboard while held.
  void PlayedNote(int note, int velocity, double ms = -1);
  // A note the microphone heard (its sounding MIDI note) beginning or ending at ms: judged.
  void HeardNote(int note, bool on, double ms);
  // The note the microphone hears now (its sounding MIDI note; -1 for none): shown.
  void ShowHeard(int note);
  // Takes notes from the MIDI input from now on (handed over to the window's thread); a port
  // that goes away is said once.
  void AttachMidiInput(sound::MidiIn& input);
  // A microphone: the notes the ear hears are played in as a MIDI keyboard's are.
  void AttachEar(sound::Ear& ear);

  // Listen mode ("聴き取り採点"): while on, the notes played with each pass (along) or
  // after it, in the count that follows it (answer), are judged against the item's; the
  // staff colours each note as it is judged and a line above it gives the pass's score.
  void SetListen(const listen::Settings& settings);
  const listen::Settings& ListenSettings() const { return session_.settings(); }
  bool ListenOn() const { return session_.settings().on; }
  // Said when the user changes listen mode's settings (the program keeps them per user).
  std::function<void(const listen::Settings&)> listenChanged;
  // Listens from the first step of a pass or of an answer (the sequencer's time for it, on
  // the program's clock), and judges what was played (nothing when nothing is listened
  // to). The sequencer's pass and answer calls use them.
  void StartListening(double startMs);
  void ScorePass();
  // Judges what has been played so far and paints the notes whose verdict is known: those
  // played, and those a beat past their time.
  void UpdateLiveMarks();
  // The score of each key over the current run of continuous play (by pitch class), shown
  // in the window "12キーの採点" while listen mode is on.
  const std::array<std::optional<listen::Summary>, 12>& KeyScores() const {
    return session_.keyScores();
  }
  QTableWidget* KeyScoreTable() const { return keyTable_; }
  // Where every judged pass is appended, one JSON line each (empty: not kept).
  QString practiceLogPath;
  // The judgement of the last pass listened to, if any.
  const std::optional<listen::Result>& LastScore() const { return session_.lastScore(); }
  // The rows of the last pass's score as the window shows them now (none: not shown).
  const QStringList& ListenLines() const { return listenLines_; }

  // Transport.
  void MakeSound_Bot_show(bool IsSoundOn) override;
  void PlayOnce();
  void StartContinuous();
  void Stop();
  void Metronome();
  void StaffPosition(int button);
  // The practice engine the window prepares and plays through.
  practice::Engine& engine() { return engine_; }

  // Menus: a view switch toggled with its menu entry's check mark; a material file opened
  // in the material editor (entry 6 opens the program's folder); the help document; the
  // version box.
  void ToggleView(std::int16_t& flag, QAction* entry);
  MaterialEditor* EditMaterial(int i);
  // The item shown now taken out of the program: the choices, then the save dialog.
  void ExportWithDialog(exports::Format format);
  // Writes the export of request to path; a failure is said in a message and leaves no
  // half file. True when the file was written.
  bool ExportTo(exports::Format format, const exports::Request& request, const QString& path);
  void show_help();
  void VersionBox();
  static QString VersionText();

  // The dialogs, each opened once at a time (a second request brings it to the front).
  settei* OpenSoundSettings();
  frmColset* OpenColourSettings();
  MainSet* OpenMainSet();
  sample* OpenShortcuts();

  Scor_treat::StaffLayout& staff() { return staff_; }
  Scor_treat::ScoreState& score() { return score_; }
  // The score drawing's context on this window.
  Scor_treat::ScoreContext ScoreContext();
  KB_Treat::KeyboardState& keyboard() { return keyboard_; }
  YEN_treat::CircleState& circle() { return circle_; }
  // Left edge of Frame2 in window units.
  float Frame2Left() const;
  // The sizes the control column is laid out with now.
  const ColumnMetrics& columnMetrics() const { return column_; }
  // Shows or hides the staff-position buttons (Frame4); the column is laid out again so
  // that nothing overlaps them.
  void ShowStaffPositionButtons(bool shown);

  draw::Surface& surface() { return surface_; }
  draw::Paint& paint() { return paint_; }
  // Width and height of the drawing frame in window units (twips of the outer size).
  float W() const { return width_; }
  float H() const { return height_; }
  bool MaestroActive() const { return MaestroActive_ != 0; }

  // Asks a yes/no question; the program shows a message box, tests answer themselves.
  std::function<bool(const QString& question)> confirm;
  // Shows a failure message; the program shows a message box.
  settings::Reporter report;
  // Opens a document or folder with the desktop's application for it; false when none
  // starts. Tests record the requests instead.
  std::function<bool(const QUrl& url)> openUrl;
  // How many of the documents and folders asked to be opened are still being handed over.
  int OpenersRunning() const { return openersRunning_; }
  // Asks where an export is written: the title, the path suggested and the filter; empty
  // when the user cancels. The program shows the save dialog.
  std::function<QString(const QString& title, const QString& suggested, const QString& filter)>
      askSavePath = [this](const QString& title, const QString& suggested, const QString& filter) {
        return AskSavePath(title, suggested, filter);
      };
  // Shows a message with buttons (their texts; the last one closes it) and answers the index
  // of the one pressed, -1 when none was. The program shows a message box.
  std::function<int(const QString& message, const QStringList& buttons)> offer =
      [this](const QString& message, const QStringList& buttons) {
        return Offer(message, buttons);
      };
  // The per-user settings file (an INI file, for tests); empty: the user's usual one.
  QString userSettingsFile;

  // The controls and menus.
  frmMainUi ui;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QString AskSavePath(const QString& title, const QString& suggested, const QString& filter);
  int Offer(const QString& message, const QStringList& buttons);
  // Opens a file with the desktop's application for its type through xdg-open, without
  // waiting for it; failed is called when there is no xdg-open, or when it cannot start or
  // ends with a failure (no application for the type, or the application failed).
  void OpenWithDesktop(const QString& path, std::function<void()> failed);
  int openersRunning_ = 0;
  void CreateControls();
  void CreateFrame1();
  void CreateFrame2();
  void CreateFrame3();
  void CreateSurfaceControls();
  void CreateMenus();
  void ConnectHandlers();
  void ConnectFrame1();
  void ConnectFrame2();
  void ConnectFrame3();
  void ConnectSurfaceControls();
  void ConnectMenus();
  void ConnectLanguageMenu();
  void ConnectListenMenu();
  // Accessible names and descriptions, and the order of keyboard focus.
  void NameControls();
  // The staff, the circle and the keyboard as a screen reader is told of them.
  std::vector<SurfaceWidget::Part> PictureParts() const;
  void Form_Load();
  void DetectMaestroFont();
  void LayOutColumn();
  // Places every control of the column for the metrics; returns the heights Frame1 and
  // Frame2 take and the least height Frame3 needs (with Frame4 when it is shown).
  struct ColumnHeights {
    int frame1 = 0, frame2 = 0, frame3 = 0;
  };
  ColumnHeights ApplyColumnMetrics(const ColumnMetrics& m);
  void PlaceInWindow(QWidget* widget, float left, float top);
  void PlaceEntryChecks();
  // The top edge of the check boxes over the keyboard, in window units.
  float EntryChecksTop() const;
  void ShowTempo(int value);
  // The tempo typed into Text1: 50..300 moves the bar, anything else is refused.
  void ApplyTypedTempo();
  // The bar and Text1 set to the tempo in force (cfg Tempo, brought into 50..300).
  void ShowTempoInForce();
  bool HandleShortcut(int key);
  void RedrawViews();
  // Clears the drawing surface, and with it the playback cursor and the circle's mark.
  void ClearWindow();
  // What the sequencer asks of the window.
  void PrepareForKey() override;
  void ShowTempo(int tempo, const QString& text) override;
  void MoveCursor(float x, bool first) override;
  void HighlightStep(float x, float y, const QString& degree, bool first) override;
  void HighlightStepKey(int melodyPitch) override;
  void EraseCursor() override;
  void EndHighlight() override;
  void EndKeyHighlight() override;
  void PassEnded() override;
  void AnswerBegins() override;
  void AnswerEnded() override;
  QString ItemTitle(int pat, int root) const;
  YEN_treat::CircleFrame CircleFrame() const;
  void PlaceClef();

  settings::CfgRecord& cfg_;
  RunState& state_;
  kihon::Waits& waits_;
  QString appDir_;
  // Warnings of loads that still gave items (bytes that are no character): each said once,
  // not again at every layout or category change.
  QSet<QString> loadWarningsSaid_;
  // The failure of the last load, said once until the user chooses a category or saves the
  // file again (a layout reloads the list and would say it again before the window shows).
  QString loadErrorSaid_;
  draw::Surface surface_;
  draw::Paint paint_;
  SurfaceWidget* view_ = nullptr;
  sound::MidiOut& midiOut_;  // the output, for the sound settings' 出力 frame
  practice::Engine engine_;
  // How the notes of the realised item are written, for the staff.
  std::vector<spelling::Spelled> spelled_;
  // The program pitches held on the MIDI input now.
  std::vector<int> heldPitches_;
  // Listen mode: the session knows the pass listened to and the judgements; the window
  // paints the verdicts (the mark each note shows now) and shows the keys' scores.
  void DrawListenMarks();
  void PaintVerdict(const listen::NoteResult& note);
  void ShowPlayedOnCircle();
  // A note played in (its MIDI note, shown as pitch) begins or ends: judged, shown.
  void NoteIn(int note, int pitch, bool on, double ms);
  // Listen mode's judgement of a note played at ms (-1: now); true when it counts.
  bool Judge(int note, double ms);
  // The held notes on the circle and the keyboard.
  void ShowHeld();
  // The keyboard drawn again: the entry marks and the held notes; the held notes red over
  // whatever the keys show.
  void RepaintKeys();
  void PaintHeldKeys();
  std::optional<int> heardShown_;  // the pitch the microphone's note is shown at
  // Runs what with the window on the window's thread (from an input's thread), unless the
  // window has gone.
  static void OnWindowThread(const QPointer<frmMain>& self, std::function<void(frmMain&)> what);
  // Calls look once a second while it answers true (an input that may go away).
  void WatchEachSecond(std::function<bool()> look);
  // Where the notes played in also go while the input's lateness is measured.
  std::function<void(double ms)> noteTap_;
  // Sounds (velocity 0: ends) a key of the keyboard on the melody channel, at concert pitch
  // when the window's 弾くときは実音 is on.
  void SoundKey(int pitch, int velocity);
  // The tempo line the sequencer showed last (tempo, text), drawn again after a repaint.
  std::optional<std::pair<int, QString>> tempoLine_;
  void OpenPracticeLog();
  listen::Session session_;
  std::vector<listen::Mark> painted_;    // by note index: the mark shown
  bool showLastMarks_ = true;            // off while a new pass clears the last one's marks
  QStringList listenLines_;              // the pass's score as shown
  std::optional<QRectF> listenLineBox_;  // where it is drawn, in window units
  QTimer* liveTimer_ = nullptr;
  QPointer<QTableWidget> keyTable_;
  std::optional<QRect> keyTableAt_;  // where the window put the table last
  // The room right of the circle that listen mode keeps for the keys' table (its narrowest,
  // 170 pixels of 15 units) with a margin on each side, in window units.
  static constexpr float kListenRoomRight = 170 * 15 + 300;
  // The window "12キーの採点" with the keys' scores; placed beside the circle when it is
  // opened, and again when place is true (a new run) and when the window's views are laid
  // out again, unless the player has moved it.
  void ShowKeyScores(bool place = false);
  void PlaceKeyTable();
  void AppendToPracticeLog();
  Scor_treat::StaffLayout staff_;
  Scor_treat::ScoreState score_;
  KB_Treat::KeyboardState keyboard_;
  YEN_treat::CircleState circle_;
  float width_ = 0;
  float height_ = 0;
  std::int16_t MaestroActive_ = 0;
  bool applyingTypedTempo_ = false;
  ColumnMetrics column_;
  QPointer<settei> settei_;
  QPointer<frmColset> colset_;
  QPointer<MainSet> mainSet_;
  QPointer<sample> sample_;
  std::array<QPointer<MaterialEditor>, 6> editors_{};
};
