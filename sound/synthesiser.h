// The embedded General MIDI synthesiser: FluidSynth's settings, its synthesiser and one
// SoundFont, owned together and released together. Live output plays it through an audio
// driver; offline rendering asks it for samples. No FluidSynth type shows outside.
#pragma once

#include <QString>
#include <chrono>
#include <cstdint>
#include <memory>

#include "sound/short_message.h"

namespace sound {

inline constexpr int kRenderRate = 44100;

class Synthesiser {
 public:
  // Creates the synthesiser and loads soundFont; see ok() and error().
  explicit Synthesiser(const QString& soundFont);
  ~Synthesiser();
  Synthesiser(const Synthesiser&) = delete;
  Synthesiser& operator=(const Synthesiser&) = delete;

  // False when the SoundFont is missing or cannot be loaded; error() says which.
  bool ok() const;
  QString error() const;

  // Starts playing through the desktop's sound server (PipeWire or PulseAudio) or ALSA,
  // whichever opens first. Returns the driver's name, or an empty text when none opened.
  // Scheduled messages are timed against epoch, the instant the program's clock counts
  // its milliseconds from.
  // driver names one of FluidSynth's audio drivers ("pipewire", "pulseaudio", "jack",
  // "alsa") to use alone; empty for the first of PipeWire, PulseAudio and ALSA that opens.
  QString StartAudio(std::chrono::steady_clock::time_point epoch,
                     const QString& driver = QString());
  void StopAudio();
  // The output buffering the audio driver is given, in ms.
  static double BufferLatencyMs();
  // What a scheduled message waits beyond its time before it sounds, besides the output
  // buffering: the room the mapping of the program's clock to the sound card's needs.
  static double ScheduleLatencyMs();

  // Applies a message at once (at the next audio buffer when playing live).
  void Apply(const ShortMessage& message);
  // Plays a message when the sound card reaches atMs of the program's clock (plus the
  // schedule latency), to the 64-frame block the synthesiser renders in. Only while the
  // audio runs; messages must come in the order of their times.
  void Schedule(const ShortMessage& message, std::int64_t atMs);
  // Drops the scheduled messages that have not sounded yet.
  void Withdraw();
  // Drops those scheduled for atMs or later that have not sounded yet.
  void WithdrawFrom(std::int64_t atMs);
  // How many times the sound server ran out of samples; each grows the stream's buffer.
  int Underflows() const;
  // What a scheduled message waits beyond its time before it sounds now: the buffer the
  // stream plays with (grown after an underflow) and the schedule latency.
  double OutputLatencyNowMs() const;
  // True once the sound server it played through has gone away, or the audio driver has
  // not asked for sound for over a second (its server or device is gone).
  bool Lost() const;
  // How much of the time the audio ran, the synthesiser rendered (0..1), and how many audio
  // buffers it has been asked for: for the benchmarks.
  double RenderedShare() const;
  std::int64_t Buffers() const;
  // The rate the synthesiser renders at now: kRenderRate, or the rate of the JACK server
  // it plays through.
  int SampleRate() const;
  // Renders frames of interleaved 16-bit stereo samples into out (2 x frames values).
  void Render(int frames, std::int16_t* out);

  // What the synthesiser is made of; its audio thread's work is in there too.
  struct Parts;

 private:
  std::unique_ptr<Parts> parts_;
};

}  // namespace sound
