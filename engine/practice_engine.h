// The practice engine: the program's work on one item, with or without a window. It holds
// the material lists, the realised item (the Phrase record), the MIDI layer and the
// sequencer with its step grid, and works on the settings record and run-time state it is
// given. The main window, the command-line tool, offline rendering and the exports all
// prepare and play through it, so each does what the program does.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <utility>
#include <vector>

#include "app/clock.h"
#include "app/kihon.h"
#include "app/runstate.h"
#include "app/settings.h"
#include "material/file_Treat.h"
#include "sound/Sound_Treat.h"
#include "sound/midi1.h"
#include "sound/midi_out.h"
#include "theory/phrase.h"

namespace practice {

// How far continuous playback moves the key after each key, by progression mode:
// a semitone up, a semitone down, a fourth up, or not at all.
inline constexpr int kProgressionStep[] = {1, -1, 5, 0};

class Engine final : private Sound_Treat::SequencerHost {
 public:
  Engine(settings::CfgRecord& cfg, RunState& state, kihon::Waits& waits, sound::MidiOut& out);
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // The window that shows the work and answers for the transport; nothing for the tool and
  // offline rendering, where a key change of continuous playback only realises the item.
  void SetWindow(Sound_Treat::SequencerHost* window) { window_ = window; }

  settings::CfgRecord& cfg() { return cfg_; }
  const settings::CfgRecord& cfg() const { return cfg_; }
  RunState& state() { return state_; }
  kihon::Waits& waits() { return waits_; }
  file_Treat::MaterialLists& lists() { return lists_; }
  const file_Treat::MaterialLists& lists() const { return lists_; }
  Phrase& phrase() { return phrase_; }
  const Phrase& phrase() const { return phrase_; }
  midi1::Midi& midi() { return midi_; }
  Sound_Treat::Sequencer& sequencer() { return sequencer_; }
  const Sound_Treat::StepGrid& grid() const { return sequencer_.grid(); }

  // Reads the material file of category from dir into the lists; the item count, with a
  // description of a refused file in error.
  int LoadCategory(const QString& dir, int category, QString* error);
  // Makes item of category in key the chosen one, as the lists of the window do.
  void Select(int category, int item, int key);

  // The preparation's sound and realisation: the program changes of the four channels,
  // then the chosen item realised in cfg Root (a key change alone transposes a phrase).
  // rings places the circle's points (nothing without a circle); report shows a phrase that
  // is refused.
  void Prepare(bool IsCangeOnly, const RingPoints* rings, const settings::Reporter& report);

  // One pass of the prepared item, timed from now (and the answer's count after it, when
  // the sequencer's AnswerAfterPass is on).
  void PlayOnce();
  // Continuous playback: count-in, then each key of the progression of cfg, until stopped.
  void PlayContinuous();
  // The click on every beat after a count-in, until stopped; the tempo is read every beat.
  void Metronome();
  // Asks playback to end.
  void Stop();

 private:
  // What the sequencer asks: passed on to the window when there is one.
  void PrepareForKey() override;
  void MakeSound_Bot_show(bool IsSoundOn) override;
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

  settings::CfgRecord& cfg_;
  RunState& state_;
  kihon::Waits& waits_;
  file_Treat::MaterialLists lists_;
  Phrase phrase_;
  midi1::Midi midi_;
  Sound_Treat::Sequencer sequencer_;
  Sound_Treat::SequencerHost* window_ = nullptr;
  settings::Reporter prepareReport_;
};

// The time of a pass's first step among its messages: the pass begins by ending whatever
// the melody still sounds, at that step's time. 0 when the messages hold no pass.
std::int64_t PassStart(const sound::TimedMessages& messages);

struct PassResult {
  sound::TimedMessages messages;  // (ms from the start, packed message)
  QString error;                  // a realisation refused with a message
  QStringList warnings;  // what was played otherwise than written (an item cut at the grid's end)
};

// An engine with a world of its own: a copy of the settings, a virtual clock, and a MIDI
// output that records every message with its time. The program's work without a window.
class OfflineEngine {
 public:
  explicit OfflineEngine(const settings::CfgRecord& record = settings::DefaultRecord());

  // Prepares the chosen item and plays it once, as the program does after its start-up
  // (the tempo in force, the output opened). A fresh engine's clock starts at 0.
  PassResult PlayOnce();
  // Realises item of category in key (a phrase is realised as written, then moved to the
  // key) and plays it once on the settings in force; the messages of the preparation and
  // the pass.
  PassResult PlayInKey(int category, int item, int key);

  settings::CfgRecord cfg;
  RunState state;
  kihon::VirtualClock clock;
  kihon::Waits waits{clock, state.StopRequested};
  sound::CaptureMidiOut capture{[this] { return clock.NowMs(); }};
  Engine engine{cfg, state, waits, capture};
};

}  // namespace practice
