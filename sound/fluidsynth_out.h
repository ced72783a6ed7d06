// The embedded General MIDI synthesiser: FluidSynth playing a SoundFont through the
// desktop's sound server (PipeWire or PulseAudio) or ALSA. Also renders offline.
#pragma once

#include "sound/midi_out.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <utility>
#include <vector>

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_audio_driver_t;

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
  void Send(std::uint32_t message) override;
  QString Name() const override;

  // The audio driver that opened, and the output buffering it was given, in ms.
  QString Driver() const { return driver_; }
  double BufferLatencyMs() const;

 private:
  QString soundFont_;
  QString driver_;
  _fluid_hashtable_t* settings_ = nullptr;
  _fluid_synth_t* synth_ = nullptr;
  _fluid_audio_driver_t* audio_ = nullptr;
};

// Applies one packed short message to a synthesiser.
void ApplyMessage(_fluid_synth_t* synth, std::uint32_t message);

// Renders timed messages (ms, message) to interleaved 16-bit stereo samples at 44.1 kHz,
// with releaseMs of sound after the last message. False when the SoundFont cannot load.
bool RenderOffline(const QString& soundFont,
                   const std::vector<std::pair<std::int64_t, std::uint32_t>>& messages,
                   int releaseMs, std::vector<std::int16_t>& samples, QString& error);

inline constexpr int kRenderRate = 44100;

}  // namespace sound
