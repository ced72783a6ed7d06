// A system MIDI output port through RtMidi (the ALSA sequencer on Linux, WinMM on Windows).
#pragma once

#include <QStringList>
#include <atomic>
#include <chrono>
#include <memory>

#include "sound/midi_out.h"

class RtMidiOut;

namespace sound {

class JackWatch;

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
  // True once the port is no longer there (its program ended, the device was unplugged, the
  // JACK server quit) or the interface reported a failure. The ports are looked at at most
  // once a second.
  bool Lost() const override;

 private:
  std::unique_ptr<RtMidiOut> out_;
  QString wanted_;
  QString port_;
  std::unique_ptr<JackWatch> jack_;  // when the port is on JACK
  std::atomic<bool> failed_{false};
  mutable bool gone_ = false;
  mutable std::chrono::steady_clock::time_point looked_{};
};

}  // namespace sound
