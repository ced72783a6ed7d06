#include "dialogs/sound_settings.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <tuple>

#include "app/pictures.h"
#include "app/rising_scroll_bar.h"
#include "app/screen.h"
#include "app/surface_widget.h"
#include "draw/graph_treat.h"
#include "engine/listen.h"
#include "theory/spelling.h"

namespace sound_settings {

const std::array<Instrument, 41>& MelodyInstruments() {
  static const std::array<Instrument, 41> list = [] {
    const QStringList names = {
        "Piano1",      "Piano2",        "Piano3",      "HonkyPiano",   "E-Piano1",  "E-Piano2",
        "Hapsichord ", "Clavi",         "Celesta",     "Glockenspiel", "MusicBox",  "Vibraphone",
        "Marimba",     "Xylophone",     "bell",        "Santur",       "Organ1",    "Organ2",
        "Organ3",      "Church Organ1", "Rees Organ1", "Accordion",    "Harmonica", "BandNeon",
        "NylonGt",     "SteelGt",       "JazzGt",      "CleanGt",      "MuteGt",    "OdGt",
        "DistGt",      "GtHarmonic",    "Trunpet",     "Trombone",     "Trombone2", "SynBrass1",
        "SynBrass2",   "S.Sax",         "A.Sax",       "T.Sax",        "B.Sax"};
    std::array<Instrument, 41> result;
    for (int entry = 0; entry < 41; ++entry) {
      result[entry] = {names[entry], MelodyNumber(entry) - 1};
    }
    return result;
  }();
  return list;
}

int MelodyNumber(int entry) {
  const int n = entry + 1;
  if (n < 33) return n;
  if (n < 36) return n + 24;
  return n + 27;
}

namespace {

// The names in the language of the run (the lists only pick sounds by their position).
QStringList Translated(std::initializer_list<const char*> names) {
  QStringList result;
  for (const char* name : names) result << QCoreApplication::translate("settei", name);
  return result;
}

}  // namespace

QStringList BassNames() {
  return Translated({QT_TRANSLATE_NOOP("settei", "アコべ "), "Fingered Bs", "Picked Bs",
                     "FretlessBs", "Slap Bs1", "Slap Bs2", "Synth Bs1", "Synth Bs2 "});
}

QStringList ClickNames() {
  return Translated(
      {"Metro Clic", QT_TRANSLATE_NOOP("settei", "スネア"), QT_TRANSLATE_NOOP("settei", "手打ち"),
       QT_TRANSLATE_NOOP("settei", "Lowトム"), QT_TRANSLATE_NOOP("settei", "Midトム"),
       QT_TRANSLATE_NOOP("settei", "Hiトム"), QT_TRANSLATE_NOOP("settei", "ライドシンバル"),
       QT_TRANSLATE_NOOP("settei", "タンバリン"), QT_TRANSLATE_NOOP("settei", "カウベル"),
       QT_TRANSLATE_NOOP("settei", "アゴゴ")});
}

}  // namespace sound_settings

namespace {

using namespace sound_settings;

// The preview picture in pixels, and its scale: x 0..500, y 0 at the bottom to 1600 at the
// top, so that every pitch the range scroll bars offer (up to the E of pitch 88) fits.
constexpr int kPictWidth = 150;
constexpr int kPictHeight = 400;
constexpr float kPictTop = 1600;

}  // namespace

settei::settei(settings::CfgRecord& cfg, midi1::Midi& midi, kihon::Waits& waits,
               const QString& settingsPath, std::function<void()> prepare,
               settings::Reporter report, QWidget* parent)
    : QDialog(parent),
      cfg_(cfg),
      midi_(midi),
      waits_(waits),
      settingsPath_(settingsPath),
      prepare_(std::move(prepare)),
      report_(std::move(report)),
      preview_(kPictWidth, kPictHeight) {
  setWindowTitle(tr("サウンド設定"));
  setModal(false);
  opened_ = Take();
  CreateControls();
  ConnectHandlers();
  Form_Load();
}

settei::~settei() {
  // The window stops handing notes to a measurement that goes with the dialog.
  if (tapNotes && measureClicksLeft_ > 0) tapNotes(nullptr);
  preview_.changed = nullptr;
}

void settei::CreateControls() {
  CreateVoiceFrames();
  CreateSwitches();
  CreateRangePreview();
  CreateOutputFrame();
  Command1 = new QPushButton(QStringLiteral("OK"), this);
  Command1->setGeometry(378, 552, 150, 36);
  Command1->setDefault(true);
  Command2 = new QPushButton(tr("キャンセル"), this);
  Command2->setGeometry(548, 552, 150, 36);
}

// The four voices' frames: instrument, test button and volume each.
void settei::CreateVoiceFrames() {
  resize(900, 600);
  const char* frames[] = {
      QT_TRANSLATE_NOOP("settei", "メロディ"), QT_TRANSLATE_NOOP("settei", "伴奏"),
      QT_TRANSLATE_NOOP("settei", "ベース"), QT_TRANSLATE_NOOP("settei", "クリック")};
  std::array<QComboBox*, 4> lists{};
  std::array<QPushButton*, 4> tests{};
  for (int i = 0; i < 4; ++i) {
    auto* frame = new QGroupBox(QCoreApplication::translate("settei", frames[i]), this);
    frame->setGeometry(12, 10 + i * 104, 350, 96);
    auto* name = new QLabel(i == 3 ? QString() : tr("楽器番号"), frame);
    name->setGeometry(10, 26, 76, 22);
    lists[i] = new QComboBox(frame);
    lists[i]->setGeometry(90, 22, 170, 26);
    tests[i] = new QPushButton(tr("テスト"), frame);
    tests[i]->setGeometry(270, 21, 70, 28);
    auto* volume = new QLabel(tr("音　　量"), frame);
    volume->setGeometry(10, 60, 76, 22);
    Slider1[i] = new QSlider(Qt::Horizontal, frame);
    Slider1[i]->setGeometry(90, 60, 250, 24);
    Slider1[i]->setRange(0, 125);
    Slider1[i]->setTickPosition(QSlider::TicksBelow);
    Slider1[i]->setTickInterval(25);
  }
  Combo1 = lists[0];
  Combo2 = lists[1];
  Combo3 = lists[2];
  Combo4 = lists[3];
  Command3 = tests[0];
  Command4 = tests[1];
  Command5 = tests[2];
  Command6 = tests[3];
}

// The swing level, the pitch fields, the tempo and the two switches.
void settei::CreateSwitches() {
  auto* swing = new QGroupBox(tr("スイングレベル"), this);
  swing->setGeometry(378, 10, 320, 56);
  const char* levels[] = {QT_TRANSLATE_NOOP("settei", "軽め"), QT_TRANSLATE_NOOP("settei", "標準"),
                          QT_TRANSLATE_NOOP("settei", "重め")};
  for (int i = 0; i < 3; ++i) {
    Option1[i] = new QRadioButton(QCoreApplication::translate("settei", levels[i]), swing);
    Option1[i]->setGeometry(14 + i * 100, 24, 90, 24);
  }
  auto row = [this](const QString& caption, int y) {
    auto* label = new QLabel(caption, this);
    label->setGeometry(378, y + 2, 130, 22);
    auto* field = new QLineEdit(this);
    field->setGeometry(512, y, 70, 26);
    field->setAlignment(Qt::AlignRight);
    return field;
  };
  Text1 = row(tr("ピッチ調整"), 80);
  auto* hint = new QLabel(tr("（　Bｂ楽器は -2 、 Eb楽器は 3 とします　)"), this);
  hint->setGeometry(378, 108, 320, 22);
  Text3 = row(tr("音程基準値：C="), 140);
  Text4 = row(tr("テンポ(  /分)"), 176);
  Check1 = new QCheckBox(tr("ルート、スケール変更時に音出しする"), this);
  Check1->setGeometry(378, 216, 320, 24);
  Check2 = new QCheckBox(tr("音域を制限する"), this);
  Check2->setGeometry(712, 10, 176, 24);
}

// The note range: its switch's preview staff with the clef, and the two scroll bars.
void settei::CreateRangePreview() {
  Pict1 = new SurfaceWidget(preview_, this);
  Pict1->setGeometry(712, 40, kPictWidth, kPictHeight);
  Pict1->setFixedSize(kPictWidth, kPictHeight);
  Image1 = new QLabel(Pict1);
  Image1->setPixmap(pictures::TrebleClef());
  Image1->setScaledContents(true);
  Image1->setAttribute(Qt::WA_TransparentForMouseEvents);
  LabelHigh = new QLabel(tr("高音"), this);
  LabelHigh->setGeometry(866, 40, 32, 20);
  VScroll2 = new RisingScrollBar(this);
  VScroll2->setGeometry(868, 62, 20, 170);
  LabelLow = new QLabel(tr("低音"), this);
  LabelLow->setGeometry(866, 240, 32, 20);
  VScroll1 = new RisingScrollBar(this);
  VScroll1->setGeometry(868, 262, 20, 170);
  // 88 at the top, 0 at the bottom: the thumb, ▲ and the wheel upwards raise the pitch.
  for (QScrollBar* bar : {VScroll1, VScroll2}) bar->setRange(0, kRangeTop);
}

// The output and the MIDI input (enabled once the outputs are known).
void settei::CreateOutputFrame() {
  auto* output = new QGroupBox(tr("出力"), this);
  output->setObjectName(QStringLiteral("output"));
  output->setGeometry(378, 246, 320, 296);
  ComboOutput = new QComboBox(output);
  ComboOutput->setGeometry(10, 24, 300, 26);
  ComboOutput->setAccessibleName(tr("出力先"));
  LabelLatency = new QLabel(output);
  LabelLatency->setGeometry(10, 56, 300, 22);
  LabelSoundFont = new QLabel(output);
  LabelSoundFont->setGeometry(10, 82, 300, 40);
  LabelSoundFont->setWordWrap(true);
  CommandSoundFont = new QPushButton(tr("SoundFont選択…"), output);
  CommandSoundFont->setGeometry(10, 128, 146, 30);
  CommandSoundFontReset = new QPushButton(tr("標準に戻す"), output);
  CommandSoundFontReset->setGeometry(164, 128, 146, 30);
  CommandSoundFontReset->setAccessibleName(tr("SoundFontを標準に戻す"));
  auto* inputLabel = new QLabel(tr("入力"), output);
  inputLabel->setGeometry(10, 168, 70, 26);
  ComboInput = new QComboBox(output);
  ComboInput->setGeometry(80, 168, 230, 26);
  ComboInput->setAccessibleName(tr("入力（MIDIのポートまたはマイク）"));
  // A sound server names its sources at length: the list opens wide enough to read them, and
  // the chosen one is read in full from the tooltip.
  ComboInput->view()->setMinimumWidth(420);
  connect(ComboInput, &QComboBox::currentTextChanged, ComboInput,
          [this](const QString& text) { ComboInput->setToolTip(text); });
  auto* latencyLabel = new QLabel(tr("入力の遅れ補正"), output);
  latencyLabel->setGeometry(10, 202, 120, 26);
  SpinInputLatency = new QSpinBox(output);
  SpinInputLatency->setGeometry(130, 202, 90, 26);
  SpinInputLatency->setRange(0, 500);
  SpinInputLatency->setSuffix(QStringLiteral(" ms"));
  SpinInputLatency->setAccessibleName(tr("入力の遅れ補正（ミリ秒）"));
  // A microphone's level and the note it hears now, so that a player sees at once that it
  // works and is in tune.
  MeterInput = new QProgressBar(output);
  MeterInput->setGeometry(10, 236, 100, 20);
  MeterInput->setRange(-60, 0);
  MeterInput->setTextVisible(false);
  MeterInput->setAccessibleName(tr("マイクの音量"));
  LabelHeard = new QLabel(output);
  LabelHeard->setGeometry(116, 232, 196, 26);
  LabelHeard->setAccessibleName(tr("マイクに聞こえる音"));
  CommandMeasureInput = new QPushButton(tr("入力の遅れを測る"), output);
  CommandMeasureInput->setGeometry(10, 262, 150, 26);
  CommandMeasureInput->setToolTip(
      tr("4 拍の準備のあと、クリックに合わせて 8 拍演奏してください。"
         "遅れの中央値を入力の遅れ補正にします。"));
  LabelMeasured = new QLabel(output);
  LabelMeasured->setGeometry(166, 262, 144, 26);
  connect(CommandMeasureInput, &QPushButton::clicked, this, [this] { MeasureInput(); });
  auto* earTimer = new QTimer(this);
  earTimer->setInterval(50);
  connect(earTimer, &QTimer::timeout, this, [this] { ShowEar(); });
  earTimer->start();
  ShowEar();
  output->setEnabled(false);
}

void settei::SetOutputs(sound::OutputChoices* outputs) {
  outputs_ = outputs;
  ComboOutput->parentWidget()->setEnabled(outputs != nullptr);
  ComboOutput->clear();
  if (!outputs) return;
  const QString chosen = outputs->Chosen();
  for (const sound::OutputEntry& entry : outputs->Present()) {
    ComboOutput->addItem(entry.name, entry.code);
    if (entry.code == chosen) ComboOutput->setCurrentIndex(ComboOutput->count() - 1);
  }
  // A port that is not there now is still shown as chosen.
  if (ComboOutput->findData(chosen) < 0) {
    ComboOutput->addItem(tr("%1（見つかりません）").arg(chosen.section(':', 1)), chosen);
    ComboOutput->setCurrentIndex(ComboOutput->count() - 1);
  }
  const double latency = outputs->OutputLatencyMs();
  const int underflows = outputs->Underflows();
  LabelLatency->setText(latency <= 0 ? tr("出力の遅れ：—")
                        : underflows > 0
                            ? tr("出力の遅れ：約 %1 ms（音切れ %2 回のため広げました）")
                                  .arg(latency, 0, 'f', 1)
                                  .arg(underflows)
                            : tr("出力の遅れ：約 %1 ms").arg(latency, 0, 'f', 1));
  soundFont_ = outputs->ChosenSoundFont();
  ShowSoundFont();
  ComboInput->clear();
  ComboInput->addItem(tr("なし"), QString());
  const QString input = outputs->ChosenInput();
  for (const QString& port : outputs->InputPorts()) ComboInput->addItem(port, port);
  for (const auto& [code, name] : outputs->AudioInputs()) {
    ComboInput->addItem(tr("マイク：%1").arg(name), code);
  }
  if (!input.isEmpty() && ComboInput->findData(input) < 0) {
    const QString shown = input.startsWith(sound::kAudioInputPrefix)
                              ? tr("マイク：%1").arg(input.mid(sound::kAudioInputPrefix.size()))
                              : input;
    ComboInput->addItem(tr("%1（見つかりません）").arg(shown), input);
  }
  ComboInput->setCurrentIndex(std::max(0, ComboInput->findData(input)));
  SpinInputLatency->setValue(static_cast<int>(std::lround(outputs->InputLatencyMs())));
}

QString sound_settings::HeardText(double pitch) {
  if (pitch <= 0) return QCoreApplication::translate("settei", "今の音：—");
  const int note = static_cast<int>(std::lround(pitch));
  const int cents = static_cast<int>(std::lround((pitch - note) * 100));
  // Named as a tuner names it: flats for the black keys.
  const QString name = spelling::PrintedName(spelling::PlainName(((note % 12) + 12) % 12, true)) +
                       QString::number(note / 12 - 1);
  // A minus sign, as a tuner writes it.
  const QString off = cents == 0  ? QStringLiteral("±0")
                      : cents < 0 ? QStringLiteral("−%1").arg(-cents)
                                  : QStringLiteral("+%1").arg(cents);
  return QCoreApplication::translate("settei", "今の音：%1 %2 セント").arg(name, off);
}

void settei::ShowEar() {
  double levelDb = -120, pitch = 0;
  const bool listening = outputs_ && outputs_->EarReading(levelDb, pitch);
  MeterInput->setEnabled(listening);
  MeterInput->setValue(listening ? std::clamp(static_cast<int>(levelDb), -60, 0) : -60);
  LabelHeard->setText(listening ? sound_settings::HeardText(pitch)
                                : tr("今の音：（マイクを選ぶと表示）"));
}

namespace {
constexpr int kMeasureBeatMs = 500;    // 120 bpm
constexpr int kMeasureLeadClicks = 4;  // heard first, not measured
constexpr int kMeasureClicks = 8;
}  // namespace

void settei::MeasureInput() {
  if (!tapNotes || measureClicksLeft_ > 0) return;
  measureClicks_.clear();
  measureNotes_.clear();
  measureClicksLeft_ = kMeasureLeadClicks + kMeasureClicks;
  tapNotes([this](double ms) { measureNotes_.push_back(ms); });
  CommandMeasureInput->setEnabled(false);
  LabelMeasured->setText(tr("4 拍の準備のあと 8 拍…"));
  if (!measureTimer_) {
    measureTimer_ = new QTimer(this);
    measureTimer_->setTimerType(Qt::PreciseTimer);
    measureTimer_->setInterval(measureBeatMs);
    connect(measureTimer_, &QTimer::timeout, this, [this] {
      if (measureClicksLeft_ == 0) {
        MeasureInputEnded();
        return;
      }
      // The click's time is the one the program schedules it at, as a pass's notes are.
      const double now = static_cast<double>(waits_.clock().NowMs());
      midi_.DrumClick();
      if (measureClicksLeft_-- <= kMeasureClicks) measureClicks_.push_back(now);
    });
  }
  measureTimer_->start();
}

void settei::MeasureInputEnded() {
  measureTimer_->stop();
  if (tapNotes) tapNotes(nullptr);
  CommandMeasureInput->setEnabled(true);
  const std::optional<listen::Lateness> lateness =
      listen::MeasureLateness(measureClicks_, measureNotes_, measureBeatMs);
  if (!lateness) {
    LabelMeasured->setText(tr("測れませんでした"));
    report_(
        tr("クリックに合わせた音が 8 拍のうち 6 拍に足りませんでした。"
           "入力を確かめて、もう一度測ってください。"));
    return;
  }
  // The correction takes off lateness only: a player ahead of the click keeps 0.
  const int ms = std::clamp(static_cast<int>(std::lround(lateness->ms)), 0, 500);
  SpinInputLatency->setValue(ms);
  LabelMeasured->setText(
      tr("遅れ %1 ms（%2/%3 拍）").arg(ms).arg(lateness->answered).arg(kMeasureClicks));
}

void settei::ShowSoundFont() {
  const QString inUse = soundFont_.isEmpty() && outputs_ ? outputs_->SoundFontInUse() : soundFont_;
  LabelSoundFont->setText(
      tr("SoundFont：%1%2")
          .arg(inUse.isEmpty() ? tr("見つかりません") : QFileInfo(inUse).fileName(),
               soundFont_.isEmpty() ? tr("（標準）") : QString()));
  LabelSoundFont->setToolTip(inUse);
}

void settei::ConnectHandlers() {
  connect(CommandSoundFont, &QPushButton::clicked, this, [this] {
    const QString file =
        pickSoundFont ? pickSoundFont()
                      : QFileDialog::getOpenFileName(this, tr("SoundFont選択"),
                                                     QFileInfo(LabelSoundFont->toolTip()).path(),
                                                     QStringLiteral("SoundFont (*.sf2 *.SF2)"));
    if (file.isEmpty()) return;
    soundFont_ = file;
    ShowSoundFont();
  });
  connect(CommandSoundFontReset, &QPushButton::clicked, this, [this] {
    soundFont_.clear();
    ShowSoundFont();
  });
  connect(Combo1, &QComboBox::currentIndexChanged, this, [this](int entry) {
    if (entry >= 0) cfg_.MelodyInstrument = static_cast<std::int16_t>(MelodyNumber(entry));
  });
  connect(Combo2, &QComboBox::currentIndexChanged, this, [this](int entry) {
    if (entry >= 0) cfg_.AccompInstrument = static_cast<std::int16_t>(entry + 1);
  });
  connect(Combo3, &QComboBox::currentIndexChanged, this, [this](int entry) {
    if (entry >= 0) cfg_.BassInstrument = static_cast<std::int16_t>(entry);
  });
  connect(Combo4, &QComboBox::currentIndexChanged, this, [this](int entry) {
    if (entry >= 0) cfg_.ClickInstrument = static_cast<std::int16_t>(entry);
  });
  for (int i = 0; i < 3; ++i) {
    connect(Option1[i], &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) cfg_.SwingLevel = static_cast<std::int16_t>(i);
    });
  }
  connect(Check2, &QCheckBox::toggled, this, &settei::EnableRangeControls);
  connect(VScroll1, &QScrollBar::valueChanged, this, &settei::Drowgosen);
  connect(VScroll2, &QScrollBar::valueChanged, this, &settei::Drowgosen);
  connect(Command3, &QPushButton::clicked, this, &settei::TestMelody);
  connect(Command4, &QPushButton::clicked, this, &settei::TestAccompaniment);
  connect(Command5, &QPushButton::clicked, this, &settei::TestBass);
  connect(Command6, &QPushButton::clicked, this, &settei::TestClick);
  connect(Command1, &QPushButton::clicked, this, &settei::Accept);
  connect(Command2, &QPushButton::clicked, this, &settei::Cancel);
}

void settei::Form_Load() {
  InitGosen();
  kihon::CentreWindow(*this);

  // Filling a list selects nothing; selecting an entry afterwards runs its handler, as a
  // user's choice would.
  {
    const QSignalBlocker b1(Combo1), b2(Combo2), b3(Combo3), b4(Combo4);
    for (const Instrument& instrument : MelodyInstruments()) Combo1->addItem(instrument.name);
    for (int entry = 0; entry < 32; ++entry) Combo2->addItem(MelodyInstruments()[entry].name);
    Combo3->addItems(BassNames());
    Combo4->addItems(ClickNames());
    for (QComboBox* list : {Combo1, Combo2, Combo3, Combo4}) list->setCurrentIndex(-1);
  }
  int melody = 0;
  for (int entry = 0; entry < 41; ++entry) {
    if (MelodyNumber(entry) == cfg_.MelodyInstrument) melody = entry;
  }
  Combo1->setCurrentIndex(melody);
  // A stored number past the list selects its last entry.
  Combo2->setCurrentIndex(cfg_.AccompInstrument > 1 ? std::min<int>(cfg_.AccompInstrument - 1, 31)
                                                    : 0);
  kihon::ClampSetting<std::int16_t>(0, 7, cfg_.BassInstrument);
  Combo3->setCurrentIndex(cfg_.BassInstrument);
  kihon::ClampSetting<std::int16_t>(0, 9, cfg_.ClickInstrument);
  Combo4->setCurrentIndex(cfg_.ClickInstrument);
  Text1->setText(QString::number(cfg_.PitchAdjust));
  Text3->setText(QString::number(cfg_.PitchBase));
  Text4->setText(QString::number(cfg_.Tempo));
  Check1->setChecked(cfg_.SoundOnChange != 0);
  Option1[cfg_.SwingLevel == 0 || cfg_.SwingLevel == 2 ? cfg_.SwingLevel : 1]->setChecked(true);
  const std::int16_t volumes[] = {cfg_.MelodyVolume, cfg_.AccompVolume, cfg_.BassVolume,
                                  cfg_.ClickVolume};
  for (int i = 0; i < 4; ++i) Slider1[i]->setValue(volumes[i]);
}

void settei::Start() {
  show();
  raise();
  activateWindow();
  Drowgosen();
}

void settei::EnableRangeControls(bool on) {
  for (QWidget* w :
       std::initializer_list<QWidget*>{Pict1, LabelHigh, LabelLow, VScroll1, VScroll2}) {
    w->setEnabled(on);
  }
}

void settei::InitGosen() {
  preview_.Scale(0, kPictTop, 500, 0);
  graph_treat::SetFont(preview_, QStringLiteral("ＭＳ ゴシック"), 9, false, false);
  L_ = 440.0f;
  S_ = 50;
  B_ = 700;
  X_ = 20.0f;

  // The clef spans 7.3 line spaces with its top 5.5 spaces above the bottom line.
  const QPoint topLeft = preview_.ToPixel(X_, 5.5f * S_ + B_);
  Image1->setGeometry(topLeft.x(), topLeft.y(),
                      static_cast<int>(std::lrint(1.5f * S_ * preview_.PixelsPerUnitX())),
                      static_cast<int>(std::lrint(7.3f * S_ * preview_.PixelsPerUnitY())));

  // The preview's staff places pitches as the main staff does, spelled with sharps.
  previewStaff_.LineSpacing = S_;
  previewStaff_.StaffBottomY = B_;
  Scor_treat::BuildPitchTablesSpelled(previewStaff_, false);

  Check2->setChecked(cfg_.LimitRange != 0);
  // The preview controls follow the box from the start, ticked or not.
  EnableRangeControls(Check2->isChecked());
  VScroll2->setValue(cfg_.RangeHigh);
  VScroll1->setValue(cfg_.RangeLow);
}

float settei::PreviewPitchY(int pitch) const {
  return pitch >= 0 && pitch < kPreviewPitches ? previewStaff_.PitchY[pitch] : 0.0f;
}

QString settei::PreviewPitchSign(int pitch) const {
  return pitch >= 0 && pitch < kPreviewPitches ? previewStaff_.PitchAccidental[pitch] : QString();
}

void settei::Drowgosen() {
  preview_.Cls();
  const struct {
    QScrollBar* bar;
    float x;
  } notes[] = {{VScroll1, 0.45f * L_ + X_}, {VScroll2, 0.8f * L_ + X_}};
  for (const auto& note : notes) {
    const int pitch = note.bar->value();
    const float y = PreviewPitchY(pitch);
    preview_.Circle(note.x, y, 0.35f * S_, draw::kBlack, 0.8f);
    graph_treat::FloodInPreview(preview_, paint_, note.x, y, draw::kBlack, draw::kBlack);
    graph_treat::PrintInPreview(preview_, note.x - 1.2f * S_, y + S_, PreviewPitchSign(pitch),
                                draw::kBlack);
    drow_ONPU_gaisen(note.x, y);
  }
  for (int i = 0; i <= 4; ++i) {
    const float y = B_ + static_cast<float>(i) * S_;
    preview_.Line(X_, y, X_ + L_, y, draw::kBlack);
  }
}

void settei::drow_ONPU_gaisen(float x, float y) {
  const auto ledger = [&](float lineY) {
    preview_.Line(x - S_, lineY, x + 1.01f * S_, lineY, draw::kBlack);
  };
  for (const float lineY : Scor_treat::LedgerLines(previewStaff_, y)) ledger(lineY);
}

// The tests wait with the message loop running, so the dialog may be closed meanwhile:
// they keep only what outlives it (the MIDI output and the waits of the main window).
void settei::TestMelody() {
  midi1::Midi& midi = midi_;
  kihon::Waits& waits = waits_;
  const int velocity = Slider1[0]->value();
  midi.ProgramChange(midi1::kMelodyChannel, cfg_.MelodyInstrument - 1);
  midi.NoteOn(midi1::kMelodyChannel, 30, velocity);
  waits.WaitMs(1000);
  midi.AllNotesOff(midi1::kMelodyChannel);
  midi.NoteOn(midi1::kMelodyChannel, 42, velocity);
  waits.WaitMs(1000);
  midi.AllNotesOff(midi1::kMelodyChannel);
}

void settei::TestAccompaniment() {
  midi1::Midi& midi = midi_;
  kihon::Waits& waits = waits_;
  const int velocity = Slider1[1]->value();
  midi.ProgramChange(midi1::kAccompChannel, cfg_.AccompInstrument - 1);
  for (int pitch : {24, 28, 31}) midi.NoteOn(midi1::kAccompChannel, pitch, velocity);
  waits.WaitMs(3000);
  midi.AllNotesOff(midi1::kAccompChannel);
}

void settei::TestBass() {
  midi1::Midi& midi = midi_;
  kihon::Waits& waits = waits_;
  const int velocity = Slider1[2]->value();
  const auto& table = midi.BassProgramTable();
  const int bass = std::clamp<int>(cfg_.BassInstrument, 0, static_cast<int>(table.size()) - 1);
  midi.ProgramChange(midi1::kBassChannel, table[bass] - 1);
  for (int pitch : {12, 16, 19}) {
    midi.NoteOn(midi1::kBassChannel, pitch, velocity);
    waits.WaitMs(1000);
  }
  midi.AllNotesOff(midi1::kBassChannel);
}

void settei::TestClick() {
  const std::int16_t volume = cfg_.ClickVolume;
  cfg_.ClickVolume = static_cast<std::int16_t>(Slider1[3]->value());
  midi_.DrumClick();
  cfg_.ClickVolume = volume;
}

bool settei::ReadField(QLineEdit* field, const QString& name, int min, int max, int& value) {
  const double number = std::nearbyint(kihon::LeadingNumber(field->text()));
  if (!(number >= min && number <= max)) {
    report_(tr("%1は %2 から %3 までの数で入力してください。").arg(name).arg(min).arg(max));
    field->setFocus();
    field->selectAll();
    return false;
  }
  value = static_cast<int>(number);
  return true;
}

void settei::Accept() {
  int pitchAdjust = 0, pitchBase = 0, tempo = 0;
  if (!ReadField(Text1, tr("ピッチ調整"), kPitchAdjustMin, kPitchAdjustMax, pitchAdjust) ||
      !ReadField(Text3, tr("音程基準値"), kPitchBaseMin, kPitchBaseMax, pitchBase) ||
      !ReadField(Text4, tr("テンポ"), kTempoMin, kTempoMax, tempo)) {
    return;
  }
  cfg_.MelodyInstrument =
      static_cast<std::int16_t>(MelodyNumber(std::max(0, Combo1->currentIndex())));
  cfg_.SoundOnChange = Check1->isChecked() ? -1 : 0;
  cfg_.PitchAdjust = static_cast<std::int16_t>(pitchAdjust);
  cfg_.PitchBase = static_cast<std::int16_t>(pitchBase);
  cfg_.Tempo = static_cast<std::int16_t>(tempo);
  cfg_.LimitRange = Check2->isChecked() ? 1 : 0;
  cfg_.RangeHigh = static_cast<std::int16_t>(VScroll2->value());
  cfg_.RangeLow = static_cast<std::int16_t>(VScroll1->value());
  cfg_.MelodyVolume = static_cast<std::int16_t>(Slider1[0]->value());
  cfg_.AccompVolume = static_cast<std::int16_t>(Slider1[1]->value());
  cfg_.BassVolume = static_cast<std::int16_t>(Slider1[2]->value());
  cfg_.ClickVolume = static_cast<std::int16_t>(Slider1[3]->value());
  settings::SaveSettings(cfg_, settingsPath_, report_);
  if (outputs_) {
    // A new output or SoundFont is kept for the user and opened at once.
    const QString code = ComboOutput->currentData().toString();
    if (code != outputs_->Chosen() || soundFont_ != outputs_->ChosenSoundFont()) {
      outputs_->Choose(code, soundFont_);
      midi_.StartMidiOut(report_);
    }
    const QString input = ComboInput->currentData().toString();
    if (input != outputs_->ChosenInput() ||
        SpinInputLatency->value() != static_cast<int>(std::lround(outputs_->InputLatencyMs()))) {
      outputs_->ChooseInput(input, SpinInputLatency->value());
    }
  }
  if (prepare_) prepare_();
  closing_ = true;
  close();
}

void settei::Cancel() {
  Restore(opened_);
  closing_ = true;
  close();
}

void settei::closeEvent(QCloseEvent* event) {
  // Closing by the window's own button throws the changes away, as キャンセル does.
  if (!closing_) Restore(opened_);
  closing_ = true;
  event->accept();
}

namespace {

// The settings fields the dialog edits, which キャンセル puts back.
constexpr std::int16_t settings::CfgRecord::*kEditedFields[] = {
    &settings::CfgRecord::MelodyInstrument, &settings::CfgRecord::AccompInstrument,
    &settings::CfgRecord::BassInstrument,   &settings::CfgRecord::ClickInstrument,
    &settings::CfgRecord::MelodyVolume,     &settings::CfgRecord::AccompVolume,
    &settings::CfgRecord::BassVolume,       &settings::CfgRecord::ClickVolume,
    &settings::CfgRecord::SwingLevel,       &settings::CfgRecord::PitchAdjust,
    &settings::CfgRecord::PitchBase,        &settings::CfgRecord::Tempo,
    &settings::CfgRecord::SoundOnChange,    &settings::CfgRecord::LimitRange,
    &settings::CfgRecord::RangeHigh,        &settings::CfgRecord::RangeLow};
}  // namespace

settei::Snapshot settei::Take() const {
  Snapshot snapshot{};
  static_assert(std::size(kEditedFields) == std::tuple_size_v<Snapshot>);
  for (std::size_t i = 0; i < snapshot.size(); ++i) snapshot[i] = cfg_.*kEditedFields[i];
  return snapshot;
}

void settei::Restore(const Snapshot& snapshot) {
  for (std::size_t i = 0; i < snapshot.size(); ++i) cfg_.*kEditedFields[i] = snapshot[i];
}
