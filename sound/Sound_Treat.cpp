#include "sound/Sound_Treat.h"

#include <algorithm>
#include <cmath>

#include "theory/MusicMethod_Treat.h"

namespace Sound_Treat {
namespace {

// The highest tempo the program plays (the tempo control's upper end).
constexpr int kMaxTempo = 300;

std::int16_t ToInt16(int v) {
  return static_cast<std::int16_t>(std::clamp(v, -32768, 32767));
}

}  // namespace

int Nearest(double value) {
  return static_cast<int>(std::nearbyint(value));
}

int BeatMs(int tempo) {
  return Nearest(60000.0 / std::max(tempo, 1));
}

Sequencer::Sequencer(settings::CfgRecord& cfg, RunState& state, Phrase& phrase, midi1::Midi& midi,
                     kihon::Waits& waits, SequencerHost& host)
    : cfg_(cfg),
      state_(state),
      phrase_(phrase),
      midi_(midi),
      waits_(waits),
      host_(&host),
      grid_(std::make_unique<StepGrid>()) {}

int Sequencer::TempoStep() const {
  if (cfg_.SpeedUpOn != 1 || cfg_.RepeatCount <= 1) return 0;
  // Computed in 32 bits: Tempo x SpeedUpPercent does not fit 16 bits for large percents.
  const int percentOfTempo = Nearest(cfg_.Tempo * cfg_.SpeedUpPercent / 100.0);
  return Nearest(static_cast<double>(percentOfTempo) / (cfg_.RepeatCount - 1));
}

void Sequencer::PlayItem(int interval) {
  cutReported_ = false;
  state_.StopRequested = 0;
  ContinuousPlay = -1;
  state_.SavedTempo = cfg_.Tempo;
  const int step = TempoStep();
  const auto passText = [this](int pass) {
    return cfg_.RepeatOn == 1 ? QStringLiteral("%1/%2").arg(pass).arg(cfg_.RepeatCount) : QString();
  };
  host_->ShowTempo(cfg_.Tempo, passText(1));
  host_->MakeSound_Bot_show(true);
  waits_.WaitUntil(-100);
  CountIn();
  if (state_.StopRequested != 0) return;
  for (;;) {
    cfg_.Tempo = state_.SavedTempo;
    {
      // The preparation's program changes belong to the next key's first step.
      const midi1::Midi::ScheduledAt at(midi_, waits_.WaitReference());
      host_->PrepareForKey();
    }
    BuildStepGrid();
    const int passes = std::max<int>(cfg_.RepeatCount, 1);
    for (int pass = 1; pass <= passes; ++pass) {
      host_->ShowTempo(cfg_.Tempo, passText(pass));
      PlayPass();
      if (state_.StopRequested == 0) AnswerTime();
      if (cfg_.RepeatOn == 1) {
        if (category::IsList(cfg_.Category)) PassPause();
        if (state_.StopRequested != 0) return;
        cfg_.Tempo = ToInt16(std::clamp(cfg_.Tempo + step, 1, kMaxTempo));
      } else {
        host_->MakeSound_Bot_show(false);
        return;
      }
    }
    cfg_.Root = static_cast<std::int16_t>(MusicMethod_Treat::PitchClass(cfg_.Root + interval));
  }
}

void Sequencer::BuildStepGrid() {
  StepGrid& g = *grid_;
  for (auto& row : g.rows) row.fill(kNoEvent);
  g.StepHold.fill(0);
  for (QString& c : g.StepChord) c.clear();
  int pos = 0;
  const int count = std::clamp<int>(phrase_.NoteCount, 0, kNoteSlots);
  // The last step holds the closing silence, so notes start below it; a longer item is
  // played up to the grid's end.
  const int lastStart = kGridSteps - 2;
  int j = 0;
  int firstCut = -1;  // the first note that is not played whole, if any
  for (; j < count && pos <= lastStart; ++j) {
    if (phrase_.NoteIsRest[j] == 1) {
      g.rows[kMelodyRow][pos] = kSilence;
    } else if (phrase_.NoteTie[j] == 1) {
      g.StepHold[pos] = 1;
      g.rows[kMelodyRow][pos] = kSilence;
    } else {
      g.rows[kMelodyRow][pos] = phrase_.NotePitch[j];
    }
    QString& chord = phrase_.NoteChord[j];
    chord.replace(QChar(u'\0'), QChar(u' '));
    const QString symbol = chord.trimmed();
    if (!symbol.isEmpty()) g.StepChord[pos] = symbol;
    g.EventCursorX[pos] = phrase_.NoteCursorX[j];
    g.StepCircleX[pos] = phrase_.NoteCircleX[j];
    g.StepCircleY[pos] = phrase_.NoteCircleY[j];
    g.StepDegree[pos] = phrase_.NoteDegree[j];
    const int end = pos + std::max<int>(phrase_.NoteLength[j], 0);
    if (end > kGridSteps - 1 && firstCut < 0) firstCut = j;
    pos = std::min(end, kGridSteps - 1);
  }
  if (j < count && firstCut < 0) firstCut = j;
  g.rows[kMelodyRow][pos] = kSilence;
  g.EndStep = static_cast<std::int16_t>(pos);
  if (firstCut >= 0 && report && !(ContinuousPlay != 0 && cutReported_)) {
    report(QStringLiteral(
               "この項目は長すぎるため、%2 拍を超える部分（%1 番目の音符から）は演奏しません。")
               .arg(firstCut + 1)
               .arg((kGridSteps - 1) / MusicMethod_Treat::TicksPerQuarter));
    cutReported_ = true;
  }
  AddAccompaniment();
}

void Sequencer::AddAccompaniment() {
  if (cfg_.AccompOn != 1 || cfg_.Category == category::kScale) return;
  StepGrid& g = *grid_;
  std::array<std::int16_t, 7> voicing{};
  // Nothing is voiced before the item's first chord symbol: accompaniment and bass wait.
  bool voiced = false;
  for (int s = 0; s <= g.EndStep && s < kGridSteps; s += kChordStride) {
    // A chord is struck where its symbol stands and at every half bar.
    const bool strike = !g.StepChord[s].isEmpty() || s % kStepsPerHalfBar == 0;
    if (!g.StepChord[s].isEmpty()) {
      MusicMethod_Treat::VoiceChord(g.StepChord[s], voicing);
      voiced = true;
    }
    if (!voiced) continue;
    if (strike) {
      for (int r = kFirstChordRow; r <= kLastChordRow; ++r) {
        g.rows[r][s] = ToInt16(voicing[r - kFirstChordRow] + 12);
      }
    }
    // The bass: the root on the half bar, the note it alternates with a beat later.
    if (s % kStepsPerHalfBar == 0) g.rows[kBassRow][s] = voicing[5];
    if (s % kStepsPerHalfBar == kStepsPerBeat) g.rows[kBassRow][s] = voicing[6];
  }
}

void Sequencer::AllNotesOff() {
  for (int channel : {midi1::kMelodyChannel, midi1::kAccompChannel, midi1::kBassChannel}) {
    midi_.AllNotesOff(channel);
  }
}

// With swing on, a beat is swung only where the melody moves in eighths: its events in the
// beat fall on the beat's first and thirteenth steps and nowhere else (two eighths, an eighth
// and an eighth rest, a note tied into the beat and an eighth). Triplets, sixteenths and
// dotted figures are played as written, one tick a step.
bool Sequencer::SwungBeat(int start) const {
  const StepGrid& g = *grid_;
  bool offBeat = false;
  for (int k = 0; k < kStepsPerBeat && start + k < kGridSteps; ++k) {
    if (g.rows[kMelodyRow][start + k] < -99) continue;
    if (k == kStepsPerBeat / 2) {
      offBeat = true;
    } else if (k != 0) {
      return false;
    }
  }
  return offBeat;
}

bool Sequencer::SoundStep(int t) {
  const StepGrid& g = *grid_;
  bool melodyEvent = false;
  for (int row = kMelodyRow; row <= kBassRow; ++row) {
    const int v = g.rows[row][t];
    if (v < -99) continue;
    // A new event ends what its channel sounds, unless the melody's note is tied on.
    if (t > 0 && g.StepHold[t] != 1) {
      if (row == kMelodyRow) midi_.AllNotesOff(midi1::kMelodyChannel);
      if (row == kFirstChordRow) midi_.AllNotesOff(midi1::kAccompChannel);
      if (row == kBassRow) midi_.AllNotesOff(midi1::kBassChannel);
    }
    // Every pitch sounds, the lowest C (0) included; the markers are negative.
    if (v >= 0) {
      if (row == kMelodyRow) {
        if (cfg_.MelodyOn == 1) midi_.NoteOn(midi1::kMelodyChannel, v, cfg_.MelodyVolume);
      } else if (row <= kLastChordRow) {
        midi_.NoteOn(midi1::kAccompChannel, v, cfg_.AccompVolume);
      } else {
        midi_.NoteOn(midi1::kBassChannel, v, cfg_.BassVolume);
      }
    }
    if (row == kMelodyRow) melodyEvent = true;
  }
  return melodyEvent;
}

void Sequencer::PlayPass() {
  const StepGrid& g = *grid_;
  const int beat = BeatMs(cfg_.Tempo);
  state_.StopRequested = 0;
  const int tick = Nearest(beat / 8.0 / 3.0);
  static constexpr double kLong[] = {1.2, 1.4, 1.6};
  static constexpr double kShort[] = {0.8, 0.6, 0.4};
  const int level = cfg_.SwingLevel == 0 || cfg_.SwingLevel == 2 ? cfg_.SwingLevel : 1;
  const int swingLong = Nearest(tick * kLong[level]);
  const int swingShort = Nearest(tick * kShort[level]);

  waits_.SetLead(midi_.LeadMs());
  host_->MoveCursor(g.EventCursorX[0], true);
  host_->HighlightStep(g.StepCircleX[0], g.StepCircleY[0], g.StepDegree[0], true);
  host_->HighlightStepKey(g.rows[kMelodyRow][0]);
  {
    const midi1::Midi::ScheduledAt at(midi_, waits_.WaitReference());
    AllNotesOff();
  }
  int stepLength = tick;
  bool swung = false;
  bool stopped = false;
  for (int t = 0; t < g.EndStep; ++t) {
    {
      // Each step's messages carry the step's time; the wait below is outside it.
      const midi1::Midi::ScheduledAt at(midi_, waits_.WaitReference());
      if (cfg_.ClickOn == 1 && t % kStepsPerBeat == 0) midi_.DrumClick();
      if (cfg_.SwingOn == 1) {
        if (t % kStepsPerBeat == 0) {
          swung = SwungBeat(t);
          stepLength = swung ? swingLong : tick;
        }
        if (t % kStepsPerBeat == kStepsPerBeat / 2) stepLength = swung ? swingShort : tick;
      } else {
        stepLength = tick;
      }
      if (SoundStep(t)) {
        host_->MoveCursor(g.EventCursorX[t], false);
        host_->HighlightStep(g.StepCircleX[t], g.StepCircleY[t], g.StepDegree[t], false);
        host_->HighlightStepKey(g.rows[kMelodyRow][t]);
      }
    }
    // A key played with the mouse during the wait sounds at once.
    const midi1::Midi::ScheduledAt waitAtOnce(midi_, sound::kAtOnce);
    if (waits_.WaitUntil(ToInt16(stepLength)) == -1) {
      stopped = true;
      break;
    }
  }
  if (stopped) {
    // A stop silences at once what was handed over ahead of its time.
    midi_.Withdraw();
    AllNotesOff();
  } else {
    const midi1::Midi::ScheduledAt at(midi_, waits_.WaitReference());
    AllNotesOff();
  }
  host_->EraseCursor();
  host_->EndHighlight();
  host_->EndKeyHighlight();
  if (!stopped) host_->PassEnded();
}

bool Sequencer::AnswerTime() {
  if (!AnswerAfterPass) return true;
  waits_.SetLead(midi_.LeadMs());
  // The pass's own beat (24 steps of its rounded step), so that the answer's notes fall
  // where the pass's did.
  const int beat = Nearest(BeatMs(cfg_.Tempo) / 8.0 / 3.0) * kStepsPerBeat;
  // As many beats as the pass has, a part beat counting whole.
  const int beats = (grid_->EndStep + kStepsPerBeat - 1) / kStepsPerBeat;
  host_->AnswerBegins();
  for (int b = 0; b < beats; ++b) {
    {
      const midi1::Midi::ScheduledAt at(midi_, waits_.WaitReference());
      midi_.DrumClick();
    }
    if (waits_.WaitUntil(ToInt16(beat)) == -1) {
      midi_.Withdraw();
      return false;
    }
  }
  host_->AnswerEnded();
  return true;
}

void Sequencer::CountIn() {
  if (cfg_.CountInOn != 1) return;
  waits_.SetLead(midi_.LeadMs());
  const int beat = BeatMs(cfg_.Tempo);
  for (int i = 0; i < 6; ++i) {
    {
      const midi1::Midi::ScheduledAt at(midi_, waits_.WaitReference());
      midi_.CountInClick();
    }
    // Two half-note clicks, then four on the beat.
    if (waits_.WaitUntil(ToInt16(i < 2 ? 2 * beat : beat)) == -1) {
      midi_.Withdraw();
      return;
    }
  }
}

void Sequencer::PassPause() {
  const int beat = BeatMs(cfg_.Tempo);
  if (category::IsSteps(cfg_.Category) && ContinuousPlay != 0 && phrase_.NoteCount % 2 == 1) {
    waits_.WaitUntil(ToInt16(Nearest(beat / 4.0)));
  }
}

}  // namespace Sound_Treat
