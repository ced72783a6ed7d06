#include "sound/midi1.h"

#include <QCoreApplication>
#include <algorithm>

namespace midi1 {

void Midi::Send(const std::optional<sound::ShortMessage>& message) {
  if (cfg_.UseMidi != 1) return;
  FinishOpen();
  // A data byte outside 0..127 (a pitch moved off the keyboard) sends nothing.
  if (message) out_.Send(*message, at_);
}

void Midi::Withdraw() {
  if (cfg_.UseMidi == 1) out_.Withdraw();
}

void Midi::WithdrawFrom(std::int64_t atMs) {
  if (cfg_.UseMidi == 1) out_.WithdrawFrom(atMs);
}

bool Midi::SchedulesAhead() const {
  return cfg_.UseMidi == 1 && !pending_ && out_.SchedulesAhead();
}

int Midi::LeadMs() const {
  return cfg_.UseMidi == 1 ? out_.LeadMs() : 0;
}

void Midi::FillTables() {
  DrumNoteTable_ = {33, 38, 39, 41, 45, 48, 51, 54, 56, 68, 0};
  BassProgramTable_ = {33, 34, 35, 36, 37, 38, 39, 40, 0, 0, 0};
}

bool Midi::StartMidiOut(const settings::Reporter& report, bool later) {
  FillTables();
  CloseMidiOut();
  pending_ = false;
  if (later && cfg_.UseMidi == 1) {
    pending_ = true;
    pendingReport_ = report;
    pendingProgram_.fill(-1);
    return true;
  }
  return OpenMidiOut(report);
}

void Midi::FinishOpen() {
  if (!pending_) return;
  pending_ = false;
  if (!OpenMidiOut(pendingReport_)) return;
  const std::int64_t at = at_;
  at_ = sound::kAtOnce;
  for (int channel = 0; channel < 16; ++channel) {
    if (pendingProgram_[channel] >= 0) {
      Send(sound::ShortMessage::ProgramChange(channel, pendingProgram_[channel]));
    }
  }
  at_ = at;
}

bool Midi::OpenMidiOut(const settings::Reporter& report) {
  if (cfg_.UseMidi != 1) return true;
  if (out_.Open()) return true;
  if (report) report(QCoreApplication::translate("midi1", kOpenFailed));
  return false;
}

void Midi::CloseMidiOut() {
  if (cfg_.UseMidi != 1) return;
  if (pending_) {
    pending_ = false;
    return;
  }
  out_.Close();
}

void Midi::ProgramChange(int channel, int program) {
  if (cfg_.UseMidi != 1) return;
  if (pending_) {
    // Kept for the output's opening (one outside 0..127 would not be sent anyway).
    if (program >= 0 && program <= 127) pendingProgram_[channel] = program;
    return;
  }
  Send(sound::ShortMessage::ProgramChange(channel, program));
}

void Midi::NoteOn(int channel, int pitch, int velocity) {
  Send(sound::ShortMessage::NoteOn(channel, pitch + cfg_.PitchBase + cfg_.PitchAdjust, velocity));
}

void Midi::NoteOnConcert(int channel, int pitch, int velocity) {
  Send(sound::ShortMessage::NoteOn(channel, pitch + cfg_.PitchBase, velocity));
}

void Midi::NoteOff(int channel, int pitch) {
  Send(sound::ShortMessage::NoteOff(channel, pitch + cfg_.PitchBase + cfg_.PitchAdjust));
}

void Midi::NoteOffConcert(int channel, int pitch) {
  Send(sound::ShortMessage::NoteOff(channel, pitch + cfg_.PitchBase));
}

void Midi::AllNotesOff(int channel) {
  Send(sound::ShortMessage::AllNotesOff(channel));
}

void Midi::DrumClick() {
  const int index = cfg_.ClickInstrument;
  // A stored click instrument outside the table has no drum note: nothing is sent.
  if (index < 0 || index >= static_cast<int>(DrumNoteTable_.size())) return;
  Send(sound::ShortMessage::NoteOn(kDrumChannel, DrumNoteTable_[index], cfg_.ClickVolume));
}

void Midi::CountInClick() {
  Send(sound::ShortMessage::NoteOn(kDrumChannel, kCountInClickNote, kCountInClickVelocity));
}

void Midi::SendInstruments() {
  ProgramChange(kMelodyChannel, cfg_.MelodyInstrument - 1);
  ProgramChange(kAccompChannel, cfg_.AccompInstrument - 1);
  const int bass = cfg_.BassInstrument;
  const int bassProgram =
      bass >= 0 && bass < static_cast<int>(BassProgramTable_.size()) ? BassProgramTable_[bass] : 0;
  ProgramChange(kBassChannel, bassProgram - 1);
  ProgramChange(kReferenceChannel, 1);
}

}  // namespace midi1
