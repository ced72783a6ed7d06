// Where MIDI short messages go: one interface, one backend per file.
#pragma once

#include <QString>
#include <algorithm>
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
  // Drops those of them due at atMs or later (a pass scheduled again from there).
  virtual void WithdrawFrom(std::int64_t atMs) {
    (void)atMs;
    Withdraw();
  }
  // True for an output that plays each message at its time by itself: the playback hands it
  // a whole pass at once, ahead of time. An output that sends at once gets each step's
  // messages at the step's time.
  virtual bool SchedulesAhead() const { return false; }
  // How far ahead of the first note the playback starts its clock, in ms, for an output that
  // schedules: room for the first messages to reach the sound in time. 0 otherwise.
  virtual int LeadMs() const { return 0; }
  // True once an open output has gone away (its sound server ended).
  virtual bool Lost() const { return false; }
  // A short name for messages and logs ("capture", "FluidSynth", a port name ...).
  virtual QString Name() const = 0;
};

// Records every message with its time, in the order of their times (for the same time, in
// the order they came), as an output that schedules would play them; for tests and offline
// rendering. The time is the one the message is scheduled for; a message sent at once gets
// now(). A withdrawal drops the scheduled messages from its time on.
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
    const auto later =
        std::upper_bound(messages.begin(), messages.end(), at,
                         [](std::int64_t t, const TimedMessage& m) { return t < m.ms; });
    messages.insert(later, {at, message});
    if (atMs == kAtOnce) ++atOnce;
  }
  void Withdraw() override { WithdrawFrom(std::numeric_limits<std::int64_t>::min()); }
  void WithdrawFrom(std::int64_t atMs) override {
    // What is due by now has sounded (a message sent at once among it); what is not goes.
    const std::int64_t from = std::max(atMs, (now_ ? now_() : 0) + 1);
    const auto first =
        std::lower_bound(messages.begin(), messages.end(), from,
                         [](const TimedMessage& m, std::int64_t t) { return m.ms < t; });
    withdrawn += static_cast<int>(messages.end() - first);
    messages.erase(first, messages.end());
  }
  bool SchedulesAhead() const override { return true; }
  QString Name() const override { return QStringLiteral("capture"); }

  TimedMessages messages;
  int atOnce = 0;     // how many messages came without a scheduled time
  int withdrawn = 0;  // how many scheduled messages were withdrawn before their time
  int opens = 0;
  int closes = 0;
  bool openSucceeds = true;

 private:
  std::function<std::int64_t()> now_;
};

}  // namespace sound
