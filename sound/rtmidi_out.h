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
  void Send(const ShortMessage& message) override;
  QString Name() const override;

 private:
  std::unique_ptr<RtMidiOut> out_;
  QString port_;
};

}  // namespace sound
