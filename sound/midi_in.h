// The program's MIDI input: a MIDI keyboard or any MIDI instrument, through RtMidi (the ALSA
// sequencer and JACK on Linux). The input opens the port the user chose, and also a virtual
// input port named "VORMINA" that other programs can connect to. Each note is stamped on
// arrival with the program's clock (the clock the sequencer schedules with), less the input
// latency the user set, and handed over from RtMidi's thread.
#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace sound {

class JackWatch;

// A note played in: its MIDI note, its velocity (0 for a release) and its time in ms of the
// program's clock.
struct InputNote {
  int note = 0;
  int velocity = 0;
  double ms = 0;
};

class MidiIn {
 public:
  // epoch: the instant the program's clock counts from.
  explicit MidiIn(std::chrono::steady_clock::time_point epoch);
  ~MidiIn();
  MidiIn(const MidiIn&) = delete;
  MidiIn& operator=(const MidiIn&) = delete;

  // The input ports present now, on every interface compiled in.
  static QStringList PortNames();

  // Opens the virtual port, and the named port when one is given (its name as PortNames
  // lists it). False when neither opened.
  bool Open(const QString& port);
  void Close();
  // The port opened by name (empty when none) and whether the virtual port is open.
  QString Port() const { return port_; }
  bool VirtualOpen() const;

  // The input latency subtracted from each arrival time, in ms.
  void SetLatencyMs(double ms) { latencyMs_ = ms; }
  // Called on RtMidi's thread for every note-on and note-off.
  std::function<void(const InputNote&)> onNote;

  // True once the named port is no longer there (looked at at most once a second).
  bool Lost() const;

 private:
  struct Input;
  void Receive(double arrivalMs, const std::vector<unsigned char>& message);

  std::chrono::steady_clock::time_point epoch_;
  std::vector<std::unique_ptr<Input>> inputs_;
  QString port_;
  std::atomic<double> latencyMs_{0};
  mutable bool gone_ = false;
  mutable std::chrono::steady_clock::time_point looked_{};
};

}  // namespace sound
