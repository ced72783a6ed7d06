// The sound settings dialog "サウンド設定": instruments and volumes of the four voices, swing
// level, pitch adjustment, pitch base, tempo, sound on change and the note-range limit with
// its staff preview. It works on the program's settings record directly: list and option
// choices are live at once, OK makes everything permanent, キャンセル puts back what the
// dialog changed.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <vector>

#include "core/kihon.h"
#include "core/settings.h"
#include "draw/paint.h"
#include "draw/surface.h"
#include "sound/chosen_out.h"
#include "sound/midi1.h"
#include "views/score/staff.h"

class QCheckBox;
class QComboBox;
class QSpinBox;
class QLabel;
class QProgressBar;
class QTimer;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSlider;
class SurfaceWidget;

namespace sound_settings {

// The melody list: 41 names and the General MIDI program each selects.
struct Instrument {
  QString name;
  int program;
};
const std::array<Instrument, 41>& MelodyInstruments();
// The stored melody number of a list entry (its program plus one).
int MelodyNumber(int entry);
// The bass and click lists, in the language of the run.
QStringList BassNames();
QStringList ClickNames();

// The tuner's line for a pitch heard (MIDI note with fraction; 0 or less for none).
QString HeardText(double pitch);

// The text fields' accepted values; OK refuses anything outside them.
inline constexpr int kPitchAdjustMin = -20, kPitchAdjustMax = 20;
inline constexpr int kPitchBaseMin = 0, kPitchBaseMax = 120;
inline constexpr int kTempoMin = 50, kTempoMax = 300;

// The highest pitch the range scroll bars offer and the size of the preview tables.
inline constexpr int kRangeTop = 88;
inline constexpr int kPreviewPitches = Scor_treat::kPitchSlots;

}  // namespace sound_settings

class settei : public QDialog {
  Q_OBJECT
 public:
  // settingsPath is the settings file OK saves to; prepare runs the main window's
  // preparation after OK.
  settei(settings::CfgRecord& cfg, midi1::Midi& midi, kihon::Waits& waits,
         const QString& settingsPath, std::function<void()> prepare, settings::Reporter report,
         QWidget* parent = nullptr);
  ~settei() override;

  // Shows the dialog without blocking the main window and draws the preview.
  void Start();

  // The output the 出力 frame shows and changes; without one (a window built around some
  // other output) the frame is disabled.
  void SetOutputs(sound::OutputChoices* outputs);
  // The SoundFont the 出力 frame would store: given by the file dialog normally.
  std::function<QString()> pickSoundFont;

  // Note-range preview.
  void InitGosen();
  void Drowgosen();
  void drow_ONPU_gaisen(float x, float y);
  float PreviewPitchY(int pitch) const;
  QString PreviewPitchSign(int pitch) const;
  draw::Surface& preview() { return preview_; }

  // The OK and キャンセル buttons' actions.
  void Accept();
  void Cancel();

  // Controls, named as in the dialog's design.
  QComboBox* Combo1 = nullptr;
  QComboBox* Combo2 = nullptr;
  QComboBox* Combo3 = nullptr;
  QComboBox* Combo4 = nullptr;
  std::array<QSlider*, 4> Slider1{};
  std::array<QRadioButton*, 3> Option1{};
  QLineEdit* Text1 = nullptr;
  QLineEdit* Text3 = nullptr;
  QLineEdit* Text4 = nullptr;
  QCheckBox* Check1 = nullptr;
  QCheckBox* Check2 = nullptr;
  QScrollBar* VScroll1 = nullptr;
  QScrollBar* VScroll2 = nullptr;
  QLabel* LabelHigh = nullptr;
  QLabel* LabelLow = nullptr;
  SurfaceWidget* Pict1 = nullptr;
  QLabel* Image1 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  QPushButton* Command3 = nullptr;
  QPushButton* Command4 = nullptr;
  QPushButton* Command5 = nullptr;
  QPushButton* Command6 = nullptr;
  // The 出力 frame: where the sound goes, how late, and with which SoundFont.
  QComboBox* ComboOutput = nullptr;
  QLabel* LabelLatency = nullptr;
  QLabel* LabelSoundFont = nullptr;
  QPushButton* CommandSoundFont = nullptr;
  QPushButton* CommandSoundFontReset = nullptr;
  // The MIDI input in the same frame: the port ("なし" for none) and the latency allowed for.
  QComboBox* ComboInput = nullptr;
  QSpinBox* SpinInputLatency = nullptr;
  // While a microphone is the input: its level and the note it hears ("今の音：B♭4 −12 セント").
  QProgressBar* MeterInput = nullptr;
  QLabel* LabelHeard = nullptr;
  // "入力の遅れを測る": the player plays with eight clicks; the median lateness becomes the
  // input's correction above.
  QPushButton* CommandMeasureInput = nullptr;
  QLabel* LabelMeasured = nullptr;
  // Given by the window: hands it a receiver of the notes played in (their times on the
  // program's clock), or nothing to stop.
  std::function<void(std::function<void(double ms)>)> tapNotes;
  // The measurement's beat: 500 ms (120 bpm).
  int measureBeatMs = 500;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void ShowSoundFont();
  void ShowEar();
  void MeasureInput();
  void MeasureInputEnded();
  void CreateControls();
  void CreateVoiceFrames();
  void CreateSwitches();
  void CreateRangePreview();
  void CreateOutputFrame();
  void ConnectHandlers();
  void Form_Load();
  void EnableRangeControls(bool on);
  // The four test buttons.
  void TestMelody();
  void TestAccompaniment();
  void TestBass();
  void TestClick();
  // Reads a text field's number; false (after a message) when it is outside min..max.
  bool ReadField(QLineEdit* field, const QString& name, int min, int max, int& value);

  // The values of the fields the dialog edits, as they were when it opened.
  using Snapshot = std::array<std::int16_t, 16>;
  Snapshot Take() const;
  void Restore(const Snapshot& snapshot);

  settings::CfgRecord& cfg_;
  midi1::Midi& midi_;
  kihon::Waits& waits_;
  QString settingsPath_;
  std::function<void()> prepare_;
  settings::Reporter report_;
  Snapshot opened_{};
  bool closing_ = false;

  draw::Surface preview_;
  draw::Paint paint_;
  // Staff length, line spacing, bottom line and left edge in the preview's units.
  float L_ = 0, S_ = 0, B_ = 0, X_ = 0;
  Scor_treat::StaffLayout previewStaff_;
  sound::OutputChoices* outputs_ = nullptr;
  QString soundFont_;  // the SoundFont chosen in the dialog, empty for the automatic one
  // The input measurement under way: its clicks' times, the notes heard, the clicks to go.
  std::vector<double> measureClicks_;
  std::vector<double> measureNotes_;
  int measureClicksLeft_ = 0;
  QTimer* measureTimer_ = nullptr;
};
