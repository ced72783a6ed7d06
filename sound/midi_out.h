// Where MIDI short messages go: one interface, one backend per file.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

#include "sound/short_message.h"

namespace sound {

// A message with its time in ms.
struct TimedMessage {
  std::int64_t ms = 0;
  ShortMessage message;
  bool operator==(const TimedMessage&) const = default;
};
using TimedMessages = std::vector<TimedMessage>;

// The time of a message that goes out as soon as it is sent (a key played with the mouse, a
// reference tone, a preparation outside playback).
inline constexpr std::int64_t kAtOnce = std::numeric_limits<std::int64_t>::min();

// A MIDI output taking short messages.
class MidiOut {
 public:
  virtual ~MidiOut() = default;
  // Opens the output; false when it cannot be opened.
  virtual bool Open() = 0;
  virtual void Close() = 0;
  // Sends a message for the moment atMs of the program's clock (the playback schedule), or
  // kAtOnce. An output with a clock of its own plays it at that moment plus its latency;
  // one without sends it when it comes.
  virtual void Send(const ShortMessage& message, std::int64_t atMs) = 0;
  void SendNow(const ShortMessage& message) { Send(message, kAtOnce); }
  // Drops the messages sent ahead of their time that have not sounded yet (a stop).
  virtual void Withdraw() {}
  // How long before its time the playback may hand a message over, in ms: what an output
  // that schedules by itself needs to take up the late wake-ups of a busy machine. 0 for an
  // output that sends at once.
  virtual int LeadMs() const { return 0; }
  // True once an open output has gone away (its sound server ended).
  virtual bool Lost() const { return false; }
  // A short name for messages and logs ("capture", "FluidSynth", a port name ...).
  virtual QString Name() const = 0;
};

// Records every message with its time, for tests and offline rendering. The time is the one
// the message is scheduled for; a message sent at once gets now().
class CaptureMidiOut final : public MidiOut {
 public:
  // now gives the time stamp of each message (0 when not set).
  explicit CaptureMidiOut(std::function<std::int64_t()> now = {}) : now_(std::move(now)) {}
  bool Open() override {
    ++opens;
    return openSucceeds;
  }
  void Close() override { ++closes; }
  void Send(const ShortMessage& message, std::int64_t atMs) override {
    const std::int64_t at = atMs != kAtOnce ? atMs : now_ ? now_() : 0;
    messages.push_back({at, message});
    if (atMs == kAtOnce) ++atOnce;
  }
  QString Name() const override { return QStringLiteral("capture"); }

  TimedMessages messages;
  int atOnce = 0;  // how many messages came without a scheduled time
  int opens = 0;
  int closes = 0;
  bool openSucceeds = true;

 private:
  std::function<std::int64_t()> now_;
};

}  // namespace sound
