// The playback sequencer: lays the prepared item out on a grid of 24 steps to the beat with
// accompaniment and bass rows, then walks the grid in real time, sending MIDI messages,
// moving the playback highlights and waiting each step against the drift-free reference
// clock. It reaches the window only through SequencerHost.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/kihon.h"
#include "core/runstate.h"
#include "core/settings.h"
#include "sound/midi1.h"
#include "theory/phrase.h"

namespace Sound_Treat {

inline constexpr int kGridSteps = 4001;  // steps 0..4000
inline constexpr int kVoiceRows = 11;
inline constexpr int kStepsPerBeat = 24;
inline constexpr int kStepsPerHalfBar = 2 * kStepsPerBeat;
// The rows of the step grid: the melody, the accompaniment's four voices, the bass.
inline constexpr int kMelodyRow = 0;
inline constexpr int kFirstChordRow = 1;
inline constexpr int kLastChordRow = 4;
inline constexpr int kBassRow = 5;
// The accompaniment is looked at every third of a beat (where an eighth triplet can be).
inline constexpr int kChordStride = kStepsPerBeat / 3;
// The count-in lasts eight beats: two half-note clicks and four on the beat.
inline constexpr int kCountInBeats = 8;
// The longest the playback waits without looking at the switches, the volumes and the
// tempo, in ms: a change acts on what has not sounded within this.
inline constexpr int kReactMs = 20;
inline constexpr std::int16_t kNoEvent = -100;
inline constexpr std::int16_t kSilence = -9;  // a rest or a tied continuation (melody row)

// What the sequencer asks of the window (or of the command-line tool).
class SequencerHost {
 public:
  virtual ~SequencerHost() = default;
  // Prepares the item again in the current key (Prepair4PLAY with a key change only).
  virtual void PrepareForKey() = 0;
  // Switches the transport between playing and idle.
  virtual void MakeSound_Bot_show(bool IsSoundOn) = 0;
  // Shows the tempo and the repetition text.
  virtual void ShowTempo(int tempo, const QString& text) = 0;
  // The score cursor, the circle mark and the keyboard highlight at a melody event.
  virtual void MoveCursor(float x, bool first) = 0;
  virtual void HighlightStep(float x, float y, const QString& degree, bool first) = 0;
  virtual void HighlightStepKey(int melodyPitch) = 0;
  virtual void EraseCursor() = 0;
  virtual void EndHighlight() = 0;
  virtual void EndKeyHighlight() = 0;
  // Listen mode: a pass has been played to its end (not stopped); the answer's count
  // begins (its first beat is the waits' reference now) and has ended.
  virtual void PassEnded() {}
  virtual void AnswerBegins() {}
  virtual void AnswerEnded() {}
};

// No window (offline rendering, the command-line tool, fuzzing): nothing to show, and the
// preparation for the next key is the realisation alone (prepare).
class NoWindowHost final : public SequencerHost {
 public:
  explicit NoWindowHost(std::function<void()> prepare = {}) : prepare_(std::move(prepare)) {}
  void PrepareForKey() override {
    if (prepare_) prepare_();
  }
  void MakeSound_Bot_show(bool) override {}
  void ShowTempo(int, const QString&) override {}
  void MoveCursor(float, bool) override {}
  void HighlightStep(float, float, const QString&, bool) override {}
  void HighlightStepKey(int) override {}
  void EraseCursor() override {}
  void EndHighlight() override {}
  void EndKeyHighlight() override {}

 private:
  std::function<void()> prepare_;
};

struct StepGrid {
  std::array<std::array<std::int16_t, kGridSteps>, kVoiceRows> rows{};
  std::array<std::int16_t, kGridSteps> StepHold{};
  std::array<QString, kGridSteps> StepChord;
  std::int16_t EndStep = 0;
  std::array<float, kGridSteps> EventCursorX{};
  std::array<float, kGridSteps> StepCircleX{};
  std::array<float, kGridSteps> StepCircleY{};
  std::array<QString, kGridSteps> StepDegree;
};

// Nearest integer, halves to the even neighbour.
int Nearest(double value);

// Time in playback: a beat lasts B = 60000 / Tempo ms, not rounded (a tempo below 1 counts as
// 1); a time is rounded to the nearest ms, halves up, only where a message or a wait uses it.
double BeatLengthMs(int tempo);
std::int64_t RoundMs(double ms);
// The share of a swung beat that its first half takes, by swing level (0 "軽め", 1 "標準",
// 2 "重め"): 0.6, 0.7, 0.8.
double SwingShare(int level);
// Where step o (0..24) of a beat falls within it, as a share of the beat: o / 24 straight;
// swung, share x o / 12 in the first half and share + (1 - share) x (o - 12) / 12 in the
// second.
double StepShare(int o, bool swung, double share);

// A pass's steps on the clock: the time of each step from the pass's first step, steps
// 0..EndStep (the last one the pass's end), step t at round(b x B + StepShare(o) x B) with
// b = t div 24 and o = t mod 24, a beat swung where the grid's melody moves in eighths.
std::vector<std::int64_t> PassTimes(const StepGrid& grid, double beatMs, bool swingOn,
                                    double share);
// Whether the beat starting at step start is swung: its melody's events fall on the beat's
// first and thirteenth steps and nowhere else, the thirteenth among them.
bool SwungBeat(const StepGrid& grid, int start);

class Sequencer {
 public:
  Sequencer(settings::CfgRecord& cfg, RunState& state, Phrase& phrase, midi1::Midi& midi,
            kihon::Waits& waits, SequencerHost& host);

  // Continuous playback: count-in, then every key of the progression with its repetitions,
  // moving Root by interval semitones between keys, until stopped.
  void PlayItem(int interval);
  void BuildStepGrid();
  void AddAccompaniment();
  void PlayPass();
  void CountIn();
  void PassPause();
  // Starts the playback clock: now, or a little later for an output that schedules (its
  // lead), so that the first messages reach the sound in time.
  void StartClock();
  // Listen mode's answer: the count goes on after the pass for its length, a click on every
  // beat and nothing else, while the player plays the item back. Nothing unless
  // AnswerAfterPass is on; false when a stop ended it.
  bool AnswerTime();
  bool AnswerAfterPass = false;

  const StepGrid& grid() const { return *grid_; }
  // The current item realised in another key without the window, for a pass of continuous
  // play scheduled before it is due (set by the engine); false when it cannot be.
  std::function<bool(int key, Phrase& out)> realiseInKey;
  // Who shows the playback and prepares the next key (the window, or the engine's own
  // host without one).
  SequencerHost& host() { return *host_; }
  void SetHost(SequencerHost& host) { host_ = &host; }
  std::int16_t ContinuousPlay = 0;
  // Says that an item longer than the step grid is played only up to the grid's end (once
  // per run of continuous playback, and at each play-once).
  settings::Reporter report;

 private:
  // What the messages of a pass are made with, besides its grid and times: a change of any
  // of it during playback schedules the passes again.
  struct Sound {
    std::int16_t MelodyOn, MelodyVolume, AccompVolume, BassVolume, ClickOn, ClickInstrument,
        ClickVolume, PitchBase, PitchAdjust, SwingOn, SwingLevel;
    bool operator==(const Sound&) const = default;
  };
  Sound SoundNow() const;
  // A pass handed to an output that schedules: its grid, its steps' times, its first step
  // on the program's clock, and the key, tempo and sound it was made with.
  struct Pass {
    std::shared_ptr<const StepGrid> grid;
    std::vector<std::int64_t> times;
    std::int64_t origin = 0;
    int root = 0;
    int tempo = 0;
    Sound sound{};
  };
  // What continuous play does after the pass being played: nothing (a single pass), the
  // same grid again (a repetition), or the next key's.
  enum class Then { kNothing, kRepeat, kNextKey };
  int TempoStep() const;
  void FillGrid(StepGrid& g, Phrase& phrase, bool reportCut);
  void AddAccompaniment(StepGrid& g) const;
  // The messages of step t of grid g: each row's note-offs and note-ons; true at a melody
  // event.
  bool SoundStep(const StepGrid& g, int t);
  // Silences the melody, the accompaniment and the bass.
  void AllNotesOff();
  // Hands the messages of pass p from step `from` on (those due at notBefore or later) to
  // the output, each with its time; the pass's first step begins with all notes off and
  // its end has them.
  void SendPass(const Pass& p, int from, std::int64_t notBefore);
  // A pass of the current item in key root at tempo, its first step at origin: the grid of
  // the key being played (sameGrid) or the item realised in root; nothing when it cannot be
  // made.
  std::optional<Pass> Plan(int root, int tempo, bool sameGrid, std::int64_t origin);
  // Hands the first pass of continuous play over with the count-in.
  void ScheduleFirst(std::int64_t origin);
  // Hands the pass after the current one over ahead of time (continuous play), the one
  // handed over before withdrawn.
  void ScheduleNext(std::int64_t origin);
  // Walks the pass on the clock, moving the highlights (and, to an output that sends at
  // once, sending each step's messages); true when a stop ended it.
  bool WalkPass(Pass& pass, bool ahead);
  // A switch, a volume or the swing changed at step t: the rest of the pass (and the next)
  // handed over again.
  void Rescheduled(Pass& pass, int t, bool ahead);
  // Clicks count times at clickAt(0 .. count - 1), waiting until clickAt(count): the
  // count-in's click or the click instrument; false when a stop ended it.
  bool Clicks(int count, const std::function<std::int64_t(int)>& clickAt, bool countIn);
  // The ms the answer and the pause add after a pass at the current tempo.
  std::int64_t AfterPassMs() const;
  // Whether a pass of continuous play is followed by a quarter-beat pause (an odd scale).
  bool PausesAfterPass() const;
  bool cutReported_ = false;
  Then then_ = Then::kNothing;
  int interval_ = 0;
  int tempoStep_ = 0;
  std::optional<Pass> next_;  // the next pass, handed to the output ahead of time
  int plannedTempo_ = 0;      // the tempo in force when it was planned

  settings::CfgRecord& cfg_;
  RunState& state_;
  Phrase& phrase_;
  midi1::Midi& midi_;
  kihon::Waits& waits_;
  SequencerHost* host_;
  std::unique_ptr<StepGrid> grid_;
};

}  // namespace Sound_Treat
