#include "sound/ear.h"

#include <algorithm>

#include "sound/audio_in.h"
#include "sound/jack_in.h"
#include "sound/transcriber.h"

namespace sound {

namespace {
constexpr int kEarRate = 44100;
}  // namespace

Ear::Ear(std::chrono::steady_clock::time_point epoch)
    : epoch_(epoch),
      in_(std::make_unique<AudioIn>(epoch)),
      jackIn_(std::make_unique<JackIn>(epoch)) {
  const auto heard = [this](const float* samples, int count, double firstMs) {
    Heard(samples, count, firstMs);
  };
  in_->onSamples = heard;
  jackIn_->onSamples = heard;
}

Ear::~Ear() {
  Close();
}

bool Ear::Open(const QString& source, QString* error) {
  Close();
  onJack_ = source.startsWith(kJackSourcePrefix);
  if (onJack_) {
    // JACK's rate is the server's: the port is opened first, then heard at its rate. Its
    // first period waits for the transcriber.
    std::lock_guard<std::mutex> hold(transcriberLock_);
    transcriber_.reset();
    if (!jackIn_->Open(source.mid(kJackSourcePrefix.size()), error)) return false;
  }
  {
    std::lock_guard<std::mutex> hold(transcriberLock_);
    rate_ = onJack_ ? jackIn_->Rate() : kEarRate;
    transcriber_ = std::make_unique<Transcriber>(rate_);
    fed_ = 0;
    heldPitch_ = -1;
    transcriber_->onNoteBegun = [this](const HeardNote& n) {
      const double ms = clockAtZeroMs_ + n.onsetMs - correctionMs_;
      if (heldPitch_ >= 0 && onNote) onNote({heldPitch_, false, ms});
      heldPitch_ = n.pitch;
      if (onNote) onNote({n.pitch, true, ms});
    };
    transcriber_->onNote = [this](const HeardNote& n) {
      if (heldPitch_ < 0) return;
      if (onNote) onNote({heldPitch_, false, clockAtZeroMs_ + n.onsetMs + n.lengthMs});
      heldPitch_ = -1;
    };
    transcriber_->onShown = [this](int note, double) {
      if (onShown) onShown(note);
    };
    transcriber_->onFrame = [this](const HeardFrame& f) {
      levelDb_ = f.levelDb;
      pitch_ = f.pitch;
    };
  }
  return onJack_ || in_->Open(source, kEarRate, error);
}

void Ear::Close() {
  in_->Close();
  jackIn_->Close();
  levelDb_ = -120;
  pitch_ = 0;
}

bool Ear::IsOpen() const {
  return onJack_ ? jackIn_->IsOpen() : in_->IsOpen();
}

QString Ear::Source() const {
  return onJack_ ? kJackSourcePrefix + jackIn_->Port() : in_->Source();
}

bool Ear::Lost() const {
  return onJack_ ? jackIn_->Lost() : in_->Lost();
}

double Ear::LatencyMs() const {
  std::lock_guard<std::mutex> hold(transcriberLock_);
  return (onJack_ ? jackIn_->LatencyMs() : in_->LatencyMs()) +
         (transcriber_ ? transcriber_->AnalysisDelayMs() : 0);
}

void Ear::Heard(const float* samples, int count, double firstMs) {
  std::lock_guard<std::mutex> hold(transcriberLock_);
  if (!transcriber_) return;
  // The program's time of the first sample fed, kept from the blocks' stamps: the first
  // block gives it; later blocks move it only by what the two clocks drifted apart.
  const double zero = firstMs - 1000.0 * static_cast<double>(fed_) / rate_;
  clockAtZeroMs_ = fed_ == 0 ? zero : clockAtZeroMs_ + 0.01 * (zero - clockAtZeroMs_);
  fed_ += count;
  transcriber_->Feed(samples, count);
}

}  // namespace sound
