// The embedded General MIDI synthesiser: FluidSynth's settings, its synthesiser and one
// SoundFont, owned together and released together. Live output plays it through an audio
// driver; offline rendering asks it for samples. No FluidSynth type shows outside.
#pragma once

#include <QString>
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
  QString StartAudio();
  void StopAudio();
  // The output buffering the audio driver is given, in ms.
  static double BufferLatencyMs();

  // Applies a message at once (at the next audio buffer when playing live).
  void Apply(const ShortMessage& message);
  // Renders frames of interleaved 16-bit stereo samples into out (2 x frames values).
  void Render(int frames, std::int16_t* out);

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace sound
