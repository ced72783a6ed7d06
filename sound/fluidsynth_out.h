// The embedded General MIDI synthesiser as the program's MIDI output, playing through the
// desktop's sound server or ALSA; and offline rendering with the same synthesiser.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "sound/midi_out.h"
#include "sound/synthesiser.h"

namespace sound {

// The SoundFont to load: the first *.sf2 in programDir/sounds, else the General MIDI
// SoundFont of the system (Debian's timgm6mb-soundfont). Empty when there is none.
QString FindSoundFont(const QString& programDir);

class FluidSynthMidiOut final : public MidiOut {
 public:
  explicit FluidSynthMidiOut(QString soundFont);
  ~FluidSynthMidiOut() override;

  bool Open() override;
  void Close() override;
  void Send(const ShortMessage& message) override;
  QString Name() const override;

  // The audio driver that opened, and the output buffering it was given, in ms.
  QString Driver() const { return driver_; }
  double BufferLatencyMs() const { return Synthesiser::BufferLatencyMs(); }

 private:
  QString soundFont_;
  QString driver_;
  std::unique_ptr<Synthesiser> synth_;
};

// Renders timed messages (ms, packed message) to interleaved 16-bit stereo samples at
// 44.1 kHz, with releaseMs of sound after the last message. False when the SoundFont
// cannot load.
bool RenderOffline(const QString& soundFont, const TimedMessages& messages, int releaseMs,
                   std::vector<std::int16_t>& samples, QString& error);

}  // namespace sound
