#include "sound/midi1.h"

#include <algorithm>

namespace midi1 {

void Midi::Send(int status, int data1, int data2) {
  if (cfg_.UseMidi != 1) return;
  if (pending_) {
    if ((status & 0xF0) == 0xC0) {
      // (one with a data byte outside 0..127 would not be sent anyway)
      if (data1 >= 0 && data1 <= 127) pendingProgram_[status & 0x0F] = data1;
      return;
    }
    FinishOpen();
  }
  // A data byte outside 0..127 (a pitch moved off the keyboard) sends nothing.
  if (const auto message = sound::ShortMessage::Make(status, data1, data2)) {
    out_.Send(*message, at_);
  }
}

void Midi::Withdraw() {
  if (cfg_.UseMidi == 1) out_.Withdraw();
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
    if (pendingProgram_[channel] >= 0) Send(0xC0 + channel, pendingProgram_[channel], 0);
  }
  at_ = at;
}

bool Midi::OpenMidiOut(const settings::Reporter& report) {
  if (cfg_.UseMidi != 1) return true;
  if (out_.Open()) return true;
  if (report) report(kOpenFailed);
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
  Send(0xC0 + channel, program, 0);
}

void Midi::NoteOn(int channel, int pitch, int velocity) {
  Send(0x90 + channel, pitch + cfg_.PitchBase + cfg_.PitchAdjust, velocity);
}

void Midi::NoteOnConcert(int channel, int pitch, int velocity) {
  Send(0x90 + channel, pitch + cfg_.PitchBase, velocity);
}

void Midi::NoteOff(int channel, int pitch) {
  Send(0x90 + channel, pitch + cfg_.PitchBase + cfg_.PitchAdjust, 0);
}

void Midi::NoteOffConcert(int channel, int pitch) {
  Send(0x90 + channel, pitch + cfg_.PitchBase, 0);
}

void Midi::AllNotesOff(int channel) {
  Send(0xB0 + channel, 123, 0);
}

void Midi::DrumClick() {
  const int index = cfg_.ClickInstrument;
  // A stored click instrument outside the table has no drum note: nothing is sent.
  if (index < 0 || index >= static_cast<int>(DrumNoteTable_.size())) return;
  Send(0x99, DrumNoteTable_[index], cfg_.ClickVolume);
}

void Midi::CountInClick() {
  Send(0x99, 68, 127);
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
