#include "sound/Sound_Treat.h"

#include <QCoreApplication>
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

double BeatLengthMs(int tempo) {
  return 60000.0 / std::max(tempo, 1);
}

std::int64_t RoundMs(double ms) {
  return static_cast<std::int64_t>(std::floor(ms + 0.5));
}

double SwingShare(int level) {
  static constexpr double kShares[] = {0.6, 0.7, 0.8};
  return kShares[level == 0 || level == 2 ? level : 1];
}

double StepShare(int o, bool swung, double share) {
  constexpr int kHalf = kStepsPerBeat / 2;
  if (!swung) return static_cast<double>(o) / kStepsPerBeat;
  if (o < kHalf) return share * o / kHalf;
  return share + (1 - share) * (o - kHalf) / kHalf;
}

bool SwungBeat(const StepGrid& g, int start) {
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

std::vector<std::int64_t> PassTimes(const StepGrid& g, double beatMs, bool swingOn, double share) {
  std::vector<std::int64_t> times(static_cast<std::size_t>(std::max<int>(g.EndStep, 0)) + 1);
  bool swung = false;
  for (int t = 0; t <= g.EndStep; ++t) {
    const int beat = t / kStepsPerBeat;
    const int o = t % kStepsPerBeat;
    if (o == 0) swung = swingOn && t < g.EndStep && SwungBeat(g, t);
    times[static_cast<std::size_t>(t)] = RoundMs((beat + StepShare(o, swung, share)) * beatMs);
  }
  // The pass ends after its steps as straight ones: the next begins there.
  times.back() = RoundMs(g.EndStep * beatMs / kStepsPerBeat);
  return times;
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
  interval_ = interval;
  tempoStep_ = TempoStep();
  next_.reset();
  const auto passText = [this](int pass) {
    return cfg_.RepeatOn == 1 ? QStringLiteral("%1/%2").arg(pass).arg(cfg_.RepeatCount) : QString();
  };
  host_->ShowTempo(cfg_.Tempo, passText(1));
  host_->MakeSound_Bot_show(true);
  const bool countIn = cfg_.CountInOn == 1;
  if (countIn) {
    // The first pass is handed over with the count-in, before the window prepares it.
    StartClock();
    ScheduleFirst(waits_.WaitReference() + RoundMs(kCountInBeats * BeatLengthMs(cfg_.Tempo)));
    CountIn();
    if (state_.StopRequested != 0) return;
  }
  for (bool first = true;; first = false) {
    cfg_.Tempo = state_.SavedTempo;
    {
      // The preparation's program changes belong to the next key's first step.
      const midi1::Midi::ScheduledAt at(midi_, waits_.WaitReference());
      host_->PrepareForKey();
    }
    BuildStepGrid();
    // Without a count-in the clock starts once the first pass is ready.
    if (first && !countIn) StartClock();
    const int passes = std::max<int>(cfg_.RepeatCount, 1);
    for (int pass = 1; pass <= passes; ++pass) {
      host_->ShowTempo(cfg_.Tempo, passText(pass));
      then_ = cfg_.RepeatOn != 1 ? Then::kNothing : pass < passes ? Then::kRepeat : Then::kNextKey;
      PlayPass();
      if (state_.StopRequested == 0) AnswerTime();
      if (cfg_.RepeatOn == 1) {
        if (category::IsList(cfg_.Category)) PassPause();
        if (state_.StopRequested != 0) break;
        cfg_.Tempo = ToInt16(std::clamp(cfg_.Tempo + tempoStep_, 1, kMaxTempo));
      } else {
        host_->MakeSound_Bot_show(false);
        break;
      }
    }
    if (state_.StopRequested != 0 || cfg_.RepeatOn != 1) break;
    cfg_.Root = static_cast<std::int16_t>(MusicMethod_Treat::PitchClass(cfg_.Root + interval));
  }
  then_ = Then::kNothing;
  next_.reset();
}

void Sequencer::StartClock() {
  // An output that schedules gets the first messages a little ahead of their time, so that
  // the first note sounds on its time like every other.
  midi_.FinishOpen();
  waits_.WaitUntil(-100);
  waits_.Delay(midi_.SchedulesAhead() ? midi_.LeadMs() : 0);
}

void Sequencer::BuildStepGrid() {
  FillGrid(*grid_, phrase_, true);
}

void Sequencer::AddAccompaniment() {
  AddAccompaniment(*grid_);
}

void Sequencer::FillGrid(StepGrid& g, Phrase& phrase, bool reportCut) {
  for (auto& row : g.rows) row.fill(kNoEvent);
  g.StepHold.fill(0);
  for (QString& c : g.StepChord) c.clear();
  int pos = 0;
  const int count = std::clamp<int>(phrase.NoteCount, 0, kNoteSlots);
  // The last step holds the closing silence, so notes start below it; a longer item is
  // played up to the grid's end.
  const int lastStart = kGridSteps - 2;
  int j = 0;
  int firstCut = -1;  // the first note that is not played whole, if any
  for (; j < count && pos <= lastStart; ++j) {
    if (phrase.NoteIsRest[j] == 1) {
      g.rows[kMelodyRow][pos] = kSilence;
    } else if (phrase.NoteTie[j] == 1) {
      g.StepHold[pos] = 1;
      g.rows[kMelodyRow][pos] = kSilence;
    } else {
      g.rows[kMelodyRow][pos] = phrase.NotePitch[j];
    }
    QString& chord = phrase.NoteChord[j];
    chord.replace(QChar(u'\0'), QChar(u' '));
    const QString symbol = chord.trimmed();
    if (!symbol.isEmpty()) g.StepChord[pos] = symbol;
    g.EventCursorX[pos] = phrase.NoteCursorX[j];
    g.StepCircleX[pos] = phrase.NoteCircleX[j];
    g.StepCircleY[pos] = phrase.NoteCircleY[j];
    g.StepDegree[pos] = phrase.NoteDegree[j];
    const int end = pos + std::max<int>(phrase.NoteLength[j], 0);
    if (end > kGridSteps - 1 && firstCut < 0) firstCut = j;
    pos = std::min(end, kGridSteps - 1);
  }
  if (j < count && firstCut < 0) firstCut = j;
  g.rows[kMelodyRow][pos] = kSilence;
  g.EndStep = static_cast<std::int16_t>(pos);
  if (reportCut && firstCut >= 0 && report && !(ContinuousPlay != 0 && cutReported_)) {
    report(QCoreApplication::translate(
               "Sound_Treat",
               "この項目は長すぎるため、%2 拍を超える部分（%1 番目の音符から）は演奏しません。")
               .arg(firstCut + 1)
               .arg((kGridSteps - 1) / MusicMethod_Treat::TicksPerQuarter));
    cutReported_ = true;
  }
  AddAccompaniment(g);
}

void Sequencer::AddAccompaniment(StepGrid& g) const {
  if (cfg_.AccompOn != 1 || cfg_.Category == category::kScale) return;
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

bool Sequencer::SoundStep(const StepGrid& g, int t) {
  bool melodyEvent = false;
  if (cfg_.ClickOn == 1 && t % kStepsPerBeat == 0) midi_.DrumClick();
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

Sequencer::Sound Sequencer::SoundNow() const {
  return {cfg_.MelodyOn,    cfg_.MelodyVolume,    cfg_.AccompVolume, cfg_.BassVolume,
          cfg_.ClickOn,     cfg_.ClickInstrument, cfg_.ClickVolume,  cfg_.PitchBase,
          cfg_.PitchAdjust, cfg_.SwingOn,         cfg_.SwingLevel};
}

void Sequencer::SendPass(const Pass& p, int from, std::int64_t notBefore) {
  const StepGrid& g = *p.grid;
  const auto at = [&](int t) { return p.origin + p.times[static_cast<std::size_t>(t)]; };
  if (from == 0 && at(0) >= notBefore) {
    const midi1::Midi::ScheduledAt scheduled(midi_, at(0));
    AllNotesOff();
  }
  for (int t = from; t < g.EndStep; ++t) {
    if (at(t) < notBefore) continue;
    const midi1::Midi::ScheduledAt scheduled(midi_, at(t));
    SoundStep(g, t);
  }
  const midi1::Midi::ScheduledAt scheduled(midi_, at(g.EndStep));
  AllNotesOff();
}

std::int64_t Sequencer::AfterPassMs() const {
  const double beat = BeatLengthMs(cfg_.Tempo);
  std::int64_t ms = 0;
  if (AnswerAfterPass) {
    ms += RoundMs(((grid_->EndStep + kStepsPerBeat - 1) / kStepsPerBeat) * beat);
  }
  if (cfg_.RepeatOn == 1 && category::IsList(cfg_.Category) && PausesAfterPass()) {
    ms += RoundMs(beat / 4);
  }
  return ms;
}

bool Sequencer::PausesAfterPass() const {
  return category::IsSteps(cfg_.Category) && ContinuousPlay != 0 && phrase_.NoteCount % 2 == 1;
}

std::optional<Sequencer::Pass> Sequencer::Plan(int root, int tempo, bool sameGrid,
                                               std::int64_t origin) {
  if (!realiseInKey && !sameGrid) return std::nullopt;
  Pass pass;
  pass.origin = origin;
  pass.root = root;
  pass.tempo = tempo;
  pass.sound = SoundNow();
  if (sameGrid) {
    pass.grid = std::make_shared<StepGrid>(*grid_);
  } else {
    // The item in that key, realised apart from what the window shows.
    auto phrase = std::make_unique<Phrase>();
    if (!realiseInKey(root, *phrase)) return std::nullopt;
    auto grid = std::make_shared<StepGrid>();
    FillGrid(*grid, *phrase, false);
    pass.grid = std::move(grid);
  }
  pass.times = PassTimes(*pass.grid, BeatLengthMs(tempo), pass.sound.SwingOn == 1,
                         SwingShare(pass.sound.SwingLevel));
  return pass;
}

void Sequencer::ScheduleFirst(std::int64_t origin) {
  if (!midi_.SchedulesAhead()) return;
  next_ = Plan(cfg_.Root, cfg_.Tempo, false, origin);
  if (next_) SendPass(*next_, 0, origin);
}

void Sequencer::ScheduleNext(std::int64_t origin) {
  if (next_) midi_.WithdrawFrom(next_->origin);
  next_.reset();
  plannedTempo_ = cfg_.Tempo;
  if (then_ == Then::kRepeat) {
    next_ = Plan(cfg_.Root, std::clamp(cfg_.Tempo + tempoStep_, 1, kMaxTempo), true, origin);
  } else if (then_ == Then::kNextKey) {
    next_ = Plan(MusicMethod_Treat::PitchClass(cfg_.Root + interval_), state_.SavedTempo, false,
                 origin);
  }
  if (next_) SendPass(*next_, 0, origin);
}

void Sequencer::PlayPass() {
  const StepGrid& g = *grid_;
  state_.StopRequested = 0;
  midi_.FinishOpen();
  const bool ahead = midi_.SchedulesAhead();
  Pass pass;
  pass.origin = waits_.WaitReference();
  pass.root = cfg_.Root;
  pass.tempo = cfg_.Tempo;
  pass.sound = SoundNow();
  pass.times = PassTimes(g, BeatLengthMs(cfg_.Tempo), pass.sound.SwingOn == 1,
                         SwingShare(pass.sound.SwingLevel));
  // The pass and the one after it go to an output that schedules as soon as it begins: what
  // the window does meanwhile cannot delay a note. One already scheduled, as it stands, is
  // kept.
  if (ahead) {
    pass.grid = std::shared_ptr<const StepGrid>(grid_.get(), [](const StepGrid*) {});
    const bool scheduled = next_ && next_->origin == pass.origin && next_->root == pass.root &&
                           next_->tempo == pass.tempo && next_->sound == pass.sound;
    if (!scheduled) {
      midi_.WithdrawFrom(pass.origin);
      SendPass(pass, 0, pass.origin);
    }
    next_.reset();
    ScheduleNext(pass.origin + pass.times.back() + AfterPassMs());
  }
  host_->MoveCursor(g.EventCursorX[0], true);
  host_->HighlightStep(g.StepCircleX[0], g.StepCircleY[0], g.StepDegree[0], true);
  host_->HighlightStepKey(g.rows[kMelodyRow][0]);
  if (!ahead) {
    const midi1::Midi::ScheduledAt at(midi_, pass.origin);
    AllNotesOff();
  }
  const bool stopped = WalkPass(pass, ahead);
  if (stopped) {
    // A stop silences at once what was handed over ahead of its time.
    midi_.Withdraw();
    next_.reset();
    AllNotesOff();
  } else if (!ahead) {
    const midi1::Midi::ScheduledAt at(midi_, waits_.WaitReference());
    AllNotesOff();
  }
  host_->EraseCursor();
  host_->EndHighlight();
  host_->EndKeyHighlight();
  if (!stopped) host_->PassEnded();
}

bool Sequencer::WalkPass(Pass& pass, bool ahead) {
  const StepGrid& g = *grid_;
  const auto at = [&pass](int t) { return pass.origin + pass.times[static_cast<std::size_t>(t)]; };
  // The steps the walk stops at: those with a melody event (the highlights move), and, for
  // an output that sends at once, every step with a message.
  const auto stopsAt = [&](int t) {
    if (g.rows[kMelodyRow][t] >= -99) return true;
    if (ahead) return false;
    if (cfg_.ClickOn == 1 && t % kStepsPerBeat == 0) return true;
    return std::any_of(g.rows.begin(), g.rows.end(),
                       [t](const auto& row) { return row[t] >= -99; });
  };
  for (int t = 0; t < g.EndStep;) {
    if (!ahead) {
      // An output that sends at once gets each step's messages at the step's time.
      const midi1::Midi::ScheduledAt scheduled(midi_, at(t));
      SoundStep(g, t);
    }
    if (g.rows[kMelodyRow][t] >= -99) {
      host_->MoveCursor(g.EventCursorX[t], false);
      host_->HighlightStep(g.StepCircleX[t], g.StepCircleY[t], g.StepDegree[t], false);
      host_->HighlightStepKey(g.rows[kMelodyRow][t]);
    }
    int next = t + 1;
    while (next < g.EndStep && !stopsAt(next)) ++next;
    // A key played with the mouse during the wait sounds at once.
    const midi1::Midi::ScheduledAt waitAtOnce(midi_, sound::kAtOnce);
    // The wait in short slices: a switch, a volume, the swing or the tempo changed meanwhile
    // acts on what has not sounded within one.
    for (std::int64_t left; (left = at(next) - waits_.WaitReference()) > 0;) {
      if (waits_.WaitUntil(ToInt16(static_cast<int>(std::min<std::int64_t>(left, kReactMs)))) ==
          -1) {
        return true;
      }
      if (SoundNow() != pass.sound) {
        // From the first step not yet reached.
        int from = t + 1;
        while (from < next && at(from) <= waits_.WaitReference()) ++from;
        Rescheduled(pass, from, ahead);
      } else if (ahead && cfg_.Tempo != plannedTempo_) {
        ScheduleNext(next_ ? next_->origin : pass.origin + pass.times.back() + AfterPassMs());
      }
    }
    t = next;
  }
  return false;
}

void Sequencer::Rescheduled(Pass& pass, int t, bool ahead) {
  const Sound was = pass.sound;
  pass.sound = SoundNow();
  if (pass.sound.SwingOn != was.SwingOn || pass.sound.SwingLevel != was.SwingLevel) {
    // Swing switched or changed: from the next beat on (the beat under way keeps its steps).
    std::vector<std::int64_t> times =
        PassTimes(*grid_, BeatLengthMs(pass.tempo), pass.sound.SwingOn == 1,
                  SwingShare(pass.sound.SwingLevel));
    const int beatEnd = std::min<int>((t / kStepsPerBeat + 1) * kStepsPerBeat, grid_->EndStep);
    std::copy_n(pass.times.begin(), beatEnd, times.begin());
    pass.times = std::move(times);
  }
  if (!ahead) return;
  // What has not sounded is withdrawn and handed over again as things stand now.
  const std::int64_t from =
      std::max(pass.origin + pass.times[static_cast<std::size_t>(t)], waits_.clock().NowMs() + 1);
  midi_.WithdrawFrom(from);
  SendPass(pass, t, from);
  ScheduleNext(pass.origin + pass.times.back() + AfterPassMs());
}

bool Sequencer::AnswerTime() {
  if (!AnswerAfterPass) return true;
  // As many beats as the pass has, a part beat counting whole, a click on each: the pass's
  // own beats, so that the answer's notes fall where the pass's did.
  const double beat = BeatLengthMs(cfg_.Tempo);
  const int beats = (grid_->EndStep + kStepsPerBeat - 1) / kStepsPerBeat;
  const std::int64_t start = waits_.WaitReference();
  host_->AnswerBegins();
  if (!Clicks(
          beats, [&](int b) { return start + RoundMs(b * beat); }, false)) {
    midi_.Withdraw();
    next_.reset();
    return false;
  }
  host_->AnswerEnded();
  return true;
}

void Sequencer::CountIn() {
  if (cfg_.CountInOn != 1) return;
  // Two half-note clicks, then four on the beat: at 0, 2, 4, 5, 6 and 7 beats; the pass
  // begins at 8.
  static constexpr int kClickBeats[] = {0, 2, 4, 5, 6, 7, kCountInBeats};
  const double beat = BeatLengthMs(cfg_.Tempo);
  const std::int64_t start = waits_.WaitReference();
  const auto clickAt = [&](int i) { return start + RoundMs(kClickBeats[i] * beat); };
  if (!Clicks(6, clickAt, true)) midi_.Withdraw();
}

bool Sequencer::Clicks(int count, const std::function<std::int64_t(int)>& clickAt, bool countIn) {
  // An output that schedules gets every click at once; one that sends at once, each click at
  // its time.
  const bool ahead = midi_.SchedulesAhead();
  const auto click = [&](int k) {
    const midi1::Midi::ScheduledAt at(midi_, clickAt(k));
    countIn ? midi_.CountInClick() : midi_.DrumClick();
  };
  for (int i = 0; i < count; ++i) {
    if (!ahead) click(i);
    if (ahead && i == 0) {
      for (int k = 0; k < count; ++k) click(k);
    }
    if (waits_.WaitUntil(ToInt16(static_cast<int>(clickAt(i + 1) - clickAt(i)))) == -1) {
      return false;
    }
  }
  return true;
}

void Sequencer::PassPause() {
  if (PausesAfterPass()) {
    waits_.WaitUntil(ToInt16(static_cast<int>(RoundMs(BeatLengthMs(cfg_.Tempo) / 4))));
  }
}

}  // namespace Sound_Treat
