// The program's only path to sound: MIDI channel messages built from pitch numbers,
// channels and velocities, sent through a MidiOut backend. Every operation does nothing
// unless UseMidi is 1, and no message with a data byte outside 0..127 is ever sent.
#pragma once

#include <QCoreApplication>
#include <array>
#include <cstdint>
#include <optional>

#include "core/settings.h"
#include "sound/midi_out.h"

namespace midi1 {

// The channel plan.
enum Channel : int {
  kMelodyChannel = 0,
  kAccompChannel = 1,
  kBassChannel = 2,
  kReferenceChannel = 3,
  kDrumChannel = 9,
};

// The count-in's click: the high agogô of the General MIDI drum map, at full velocity.
inline constexpr int kCountInClickNote = 68;
inline constexpr int kCountInClickVelocity = 127;

inline constexpr const char* kOpenFailed =
    QT_TRANSLATE_NOOP("midi1", "MIDIデバイスオープンに失敗しました");

class Midi {
 public:
  Midi(const settings::CfgRecord& cfg, sound::MidiOut& out) : cfg_(cfg), out_(out) {}

  // Fills both tables, closes, then opens the output. Returns false (after reporting
  // kOpenFailed) when the output would not open. With later, the output is opened by
  // FinishOpen or by the first message that must sound, whichever comes first; program
  // changes sent before are kept and sent when it opens. The window opens the synthesiser
  // so after its first paint: it shows at once, and a key pressed before the sound is ready
  // waits for it.
  bool StartMidiOut(const settings::Reporter& report, bool later = false);
  void FinishOpen();
  bool OpenPending() const { return pending_; }
  bool OpenMidiOut(const settings::Reporter& report);
  void CloseMidiOut();

  void ProgramChange(int channel, int program);
  void NoteOn(int channel, int pitch, int velocity);
  void NoteOnConcert(int channel, int pitch, int velocity);
  void NoteOff(int channel, int pitch);
  void NoteOffConcert(int channel, int pitch);
  void AllNotesOff(int channel);
  void DrumClick();
  void CountInClick();

  // The program changes of a preparation: channel 0 melody, 1 accompaniment, 2 bass,
  // 3 program 1.
  void SendInstruments();

  // Drops what was sent ahead of its time and has not sounded (a stop), and the lead the
  // output needs (see MidiOut).
  void Withdraw();
  void WithdrawFrom(std::int64_t atMs);
  // Whether the output plays messages at their times by itself (see MidiOut).
  bool SchedulesAhead() const;
  int LeadMs() const;

  // While one lives, every message goes out for the moment atMs of the playback schedule;
  // outside, at once. The playback opens one around each step's messages, never across a
  // wait, so a key played with the mouse during a wait still sounds at once.
  class ScheduledAt {
   public:
    ScheduledAt(Midi& midi, std::int64_t atMs) : midi_(midi), before_(midi.at_) {
      midi_.at_ = atMs;
    }
    ~ScheduledAt() { midi_.at_ = before_; }
    ScheduledAt(const ScheduledAt&) = delete;
    ScheduledAt& operator=(const ScheduledAt&) = delete;

   private:
    Midi& midi_;
    std::int64_t before_;
  };

  const std::array<std::int16_t, 11>& DrumNoteTable() const { return DrumNoteTable_; }
  const std::array<std::int16_t, 11>& BassProgramTable() const { return BassProgramTable_; }

 private:
  // Sends a message made (nothing for one that could not be made), opening a pending output
  // first.
  void Send(const std::optional<sound::ShortMessage>& message);
  void FillTables();

  const settings::CfgRecord& cfg_;
  sound::MidiOut& out_;
  std::array<std::int16_t, 11> DrumNoteTable_{};
  std::array<std::int16_t, 11> BassProgramTable_{};
  std::int64_t at_ = sound::kAtOnce;
  bool pending_ = false;
  settings::Reporter pendingReport_;
  std::array<int, 16> pendingProgram_{};  // per channel, -1 for none
};

}  // namespace midi1
