// A system MIDI output port through RtMidi (the ALSA sequencer on Linux, WinMM on Windows).
#pragma once

#include <QStringList>
#include <memory>

#include "sound/midi_out.h"

class RtMidiOut;

namespace sound {

class RtMidiPortOut final : public MidiOut {
 public:
  // wanted: the name of the port to open; empty for the first port that is not a mere
  // pass-through, else the first port.
  explicit RtMidiPortOut(QString wanted = QString());
  ~RtMidiPortOut() override;

  // The output ports present now, on every interface compiled in.
  static QStringList PortNames();

  bool Open() override;
  void Close() override;
  // A system MIDI port has no clock of the program's: every message goes out at once.
  void Send(const ShortMessage& message, std::int64_t atMs) override;
  QString Name() const override;

 private:
  std::unique_ptr<RtMidiOut> out_;
  QString wanted_;
  QString port_;
};

}  // namespace sound
