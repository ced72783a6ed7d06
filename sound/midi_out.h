// Where MIDI short messages go: one interface, one backend per file.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "sound/short_message.h"

namespace sound {

// Messages with their times: (ms, packed message).
using TimedMessages = std::vector<std::pair<std::int64_t, std::uint32_t>>;

// A MIDI output taking short messages.
class MidiOut {
 public:
  virtual ~MidiOut() = default;
  // Opens the output; false when it cannot be opened.
  virtual bool Open() = 0;
  virtual void Close() = 0;
  virtual void Send(const ShortMessage& message) = 0;
  // A short name for messages and logs ("capture", "FluidSynth", a port name ...).
  virtual QString Name() const = 0;
};

// Records every message with the time it was sent, packed (status + data1 x 256 + data2 x
// 65536) so that a recording reads like the design's message numbers; for tests and offline
// rendering.
class CaptureMidiOut final : public MidiOut {
 public:
  // now gives the time stamp of each message (0 when not set).
  explicit CaptureMidiOut(std::function<std::int64_t()> now = {}) : now_(std::move(now)) {}
  bool Open() override {
    ++opens;
    return openSucceeds;
  }
  void Close() override { ++closes; }
  void Send(const ShortMessage& message) override {
    messages.emplace_back(now_ ? now_() : 0, message.Packed());
  }
  QString Name() const override { return QStringLiteral("capture"); }

  TimedMessages messages;
  int opens = 0;
  int closes = 0;
  bool openSucceeds = true;

 private:
  std::function<std::int64_t()> now_;
};

}  // namespace sound
