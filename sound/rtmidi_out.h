// A system MIDI output port through RtMidi (the ALSA sequencer on Linux, WinMM on Windows).
#pragma once

#include <memory>

#include "sound/midi_out.h"

class RtMidiOut;

namespace sound {

class RtMidiPortOut final : public MidiOut {
 public:
  RtMidiPortOut();
  ~RtMidiPortOut() override;

  // Opens the first port that is not a mere pass-through, else the first port.
  bool Open() override;
  void Close() override;
  // A system MIDI port has no clock of the program's: every message goes out at once.
  void Send(const ShortMessage& message, std::int64_t atMs) override;
  QString Name() const override;

 private:
  std::unique_ptr<RtMidiOut> out_;
  QString port_;
};

}  // namespace sound
