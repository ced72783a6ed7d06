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

#include "core/clock.h"
#include "core/kihon.h"
#include "core/runstate.h"
#include "core/settings.h"
#include "material/file_Treat.h"
#include "sound/Sound_Treat.h"
#include "sound/midi1.h"
#include "sound/midi_out.h"
#include "theory/phrase.h"

namespace practice {

// How far a key change moves the key: a semitone up or down, a fourth up (five semitones:
// twelve steps visit every key once), or not at all.
inline constexpr int kSemitoneUp = 1;
inline constexpr int kSemitoneDown = -1;
inline constexpr int kFourthUp = 5;
// The step continuous playback takes after each key, by progression mode (半音＋進行,
// 半音－進行, ４度進行, そのまま).
inline constexpr int kProgressionStep[] = {kSemitoneUp, kSemitoneDown, kFourthUp, 0};
// The key step semitones from key, as a pitch class.
constexpr std::int16_t KeyMovedBy(int key, int step) {
  return static_cast<std::int16_t>(((key + step) % 12 + 12) % 12);
}

class Engine final {
 public:
  Engine(settings::CfgRecord& cfg, RunState& state, kihon::Waits& waits, sound::MidiOut& out);
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // The window that shows the work and answers for the transport; nothing for the tool and
  // offline rendering, where a key change of continuous playback only realises the item.
  void SetWindow(Sound_Treat::SequencerHost* window) {
    sequencer_.SetHost(window ? *window : static_cast<Sound_Treat::SequencerHost&>(noWindow_));
  }

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
  settings::CfgRecord& cfg_;
  RunState& state_;
  kihon::Waits& waits_;
  file_Treat::MaterialLists lists_;
  Phrase phrase_;
  midi1::Midi midi_;
  // Without a window: nothing shown, and the next key of continuous play realised.
  Sound_Treat::NoWindowHost noWindow_{[this] { Prepare(true, nullptr, sequencer_.report); }};
  Sound_Treat::Sequencer sequencer_;
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

  // How a pass's item comes to its key: realised as chosen, as the program does at its
  // start (a phrase in its own key); realised in the key asked for (a phrase as written,
  // then moved there); or moved there from the key it is in, as continuous play moves on.
  enum class Move { kAsChosen, kInKey, kKeyChange };
  // The one offline pass: the chosen item brought to key by move and, when play, played once
  // on the settings in force. The messages of the preparation and of the pass, the message
  // of an item that cannot be realised, and what was played otherwise than written. The
  // first two moves start as the program does (the start-up tempo, the output opened); a
  // fresh engine's clock starts at 0.
  PassResult Pass(Move move, int key, bool play = true);

  // The chosen item played once as the program does after its start-up.
  PassResult PlayOnce() { return Pass(Move::kAsChosen, cfg.Root); }
  // Item of category realised in key (a phrase moved there) and played once.
  PassResult PlayInKey(int category, int item, int key) {
    engine.Select(category, item, key);
    return Pass(Move::kInKey, key);
  }

  settings::CfgRecord cfg;
  RunState state;
  kihon::VirtualClock clock;
  kihon::Waits waits{clock, state.StopRequested};
  sound::CaptureMidiOut capture{[this] { return clock.NowMs(); }};
  Engine engine{cfg, state, waits, capture};
};

}  // namespace practice
