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

// Beat length in ms at a tempo (a tempo below 1 counts as 1).
int BeatMs(int tempo);

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
  // Listen mode's answer: the count goes on after the pass for its length, a click on every
  // beat and nothing else, while the player plays the item back. Nothing unless
  // AnswerAfterPass is on; false when a stop ended it.
  bool AnswerTime();
  bool AnswerAfterPass = false;

  const StepGrid& grid() const { return *grid_; }
  // Who shows the playback and prepares the next key (the window, or the engine's own
  // host without one).
  SequencerHost& host() { return *host_; }
  void SetHost(SequencerHost& host) { host_ = &host; }
  std::int16_t ContinuousPlay = 0;
  // Says that an item longer than the step grid is played only up to the grid's end (once
  // per run of continuous playback, and at each play-once).
  settings::Reporter report;

 private:
  int TempoStep() const;
  // With swing on, a beat is swung where the melody moves in eighths (see PlayPass).
  bool SwungBeat(int start) const;
  // The messages of step t: each row's note-offs and note-ons; true at a melody event.
  bool SoundStep(int t);
  // Silences the melody, the accompaniment and the bass.
  void AllNotesOff();
  bool cutReported_ = false;

  settings::CfgRecord& cfg_;
  RunState& state_;
  Phrase& phrase_;
  midi1::Midi& midi_;
  kihon::Waits& waits_;
  SequencerHost* host_;
  std::unique_ptr<StepGrid> grid_;
};

}  // namespace Sound_Treat
