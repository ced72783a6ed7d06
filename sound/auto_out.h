// The program's MIDI output: the embedded synthesiser, else a system MIDI port.
#pragma once

#include <memory>
#include <vector>

#include "sound/midi_out.h"

namespace sound {

class FirstThatOpens final : public MidiOut {
 public:
  explicit FirstThatOpens(std::vector<std::unique_ptr<MidiOut>> candidates)
      : candidates_(std::move(candidates)) {}

  bool Open() override {
    Close();
    for (auto& candidate : candidates_) {
      if (candidate->Open()) {
        open_ = candidate.get();
        return true;
      }
    }
    return false;
  }
  void Close() override {
    if (open_) open_->Close();
    open_ = nullptr;
  }
  void Send(const ShortMessage& message, std::int64_t atMs) override {
    if (open_) open_->Send(message, atMs);
  }
  void Withdraw() override {
    if (open_) open_->Withdraw();
  }
  int LeadMs() const override { return open_ ? open_->LeadMs() : 0; }
  QString Name() const override { return open_ ? open_->Name() : QStringLiteral("none"); }
  MidiOut* opened() const { return open_; }

 private:
  std::vector<std::unique_ptr<MidiOut>> candidates_;
  MidiOut* open_ = nullptr;
};

}  // namespace sound
