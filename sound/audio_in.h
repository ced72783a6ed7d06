// Sound from a microphone through the desktop's sound server (PulseAudio, or PipeWire
// through its PulseAudio service), for listening to a horn or a singer: a record stream of
// mono float samples in small blocks, each stamped with the moment its first sample reached
// the microphone on the program's clock. No PulseAudio type shows outside.
#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace sound {

// A source the sound server records from.
struct CaptureSource {
  QString name;          // the server's name for it, as AudioIn::Open takes it
  QString description;   // the name the user knows it by
  bool monitor = false;  // what an output plays, not a microphone or a line input
};

// The sources the sound server offers now, monitors of outputs included; empty when there
// is no server. Returns within about a second even when the server does not answer.
std::vector<CaptureSource> CaptureSources();
// The name of the server's default source; empty when there is no server or none is set.
QString DefaultCaptureSource();

class AudioIn {
 public:
  // Samples are stamped in ms since epoch, the program's clock.
  explicit AudioIn(std::chrono::steady_clock::time_point epoch);
  ~AudioIn();
  AudioIn(const AudioIn&) = delete;
  AudioIn& operator=(const AudioIn&) = delete;

  // Called on the stream's own thread for every block read: count mono samples, the first
  // of which reached the microphone at firstMs on the program's clock. Successive blocks
  // follow each other without gaps unless the server dropped or the source paused samples;
  // their stamps always rise. Set it before Open.
  std::function<void(const float* samples, int count, double firstMs)> onSamples;

  // Records from the source (its name; empty for the server's default, which the stream
  // then follows) as mono float samples at rate a second, in blocks of about 5 ms. A named
  // source is not exchanged for another when it goes away: the stream is lost instead.
  // False, with the reason in error, when there is no server, no such source or no answer
  // within a few seconds.
  bool Open(const QString& source, int rate, QString* error = nullptr);
  // Ends the stream; no block is delivered once it returns. Not from onSamples.
  void Close();
  bool IsOpen() const;
  // The source and the rate of the last Open.
  QString Source() const;
  int Rate() const;

  // How old the newest sample of the last block was when it was delivered (ms): the
  // source's latency and what waited in the buffers. From any thread.
  double LatencyMs() const;
  // True once the source or the server went away or the stream failed. From any thread.
  bool Lost() const;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace sound
