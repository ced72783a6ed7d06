// Listening through a microphone: the sound server's capture stream heard by the
// transcriber on the stream's own thread. Notes come out stamped on the program's clock (the
// moment the sound reached the microphone, less the analysis and the player's correction),
// as a MIDI keyboard's notes do; the level and the pitch heard now are kept for a meter and
// a tuner, read from any thread.
#pragma once

#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

namespace sound {

class AudioIn;
class JackIn;
class Transcriber;

// The prefix of a source that is a JACK port rather than a sound server's source.
inline const QString kJackSourcePrefix = QStringLiteral("jack:");

// A note heard: its MIDI note, on (true) or over, and its time in ms of the program's clock.
struct EarNote {
  int note = 0;
  bool on = false;
  double ms = 0;
};

class Ear {
 public:
  explicit Ear(std::chrono::steady_clock::time_point epoch);
  ~Ear();
  Ear(const Ear&) = delete;
  Ear& operator=(const Ear&) = delete;

  // Listens to the capture source (its name; empty for the server's default), or to a JACK
  // port ("jack:" and its full name). False, with the reason in error, when it cannot be
  // opened.
  bool Open(const QString& source, QString* error = nullptr);
  void Close();
  bool IsOpen() const;
  QString Source() const;
  bool Lost() const;

  // The player's correction, subtracted from every note's time (ms; measured by playing
  // with the click).
  void SetCorrectionMs(double ms) { correctionMs_ = ms; }

  // Called on the stream's thread: a note begins (its pitch as first heard) or is over.
  std::function<void(const EarNote&)> onNote;
  // Called on the stream's thread as soon as the pitch heard has held a moment: the MIDI
  // note to show now on the keyboard and the circle (-1 for none). Not judged.
  std::function<void(int note)> onShown;

  // The level of late (dB full scale) and the pitch heard now (MIDI note with fraction, 0
  // for none), for the meter and the tuner.
  double LevelDb() const { return levelDb_; }
  double Pitch() const { return pitch_; }
  // The stream's latency and the analysis's, as subtracted from each note (ms).
  double LatencyMs() const;

 private:
  void Heard(const float* samples, int count, double firstMs);

  std::chrono::steady_clock::time_point epoch_;
  std::unique_ptr<AudioIn> in_;
  std::unique_ptr<JackIn> jackIn_;
  bool onJack_ = false;  // the source opened last is a JACK port
  int rate_ = 0;         // samples a second of the source opened
  std::unique_ptr<Transcriber> transcriber_;
  mutable std::mutex transcriberLock_;
  double clockAtZeroMs_ = 0;  // the program's time of the first sample fed
  long long fed_ = 0;         // samples fed since Open
  int heldPitch_ = -1;
  std::atomic<double> correctionMs_{0};
  std::atomic<double> levelDb_{-120};
  std::atomic<double> pitch_{0};
};

}  // namespace sound
