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
// SoundFont of the system (Debian's fluid-soundfont-gm, else timgm6mb-soundfont). Empty when
// there is none.
QString FindSoundFont(const QString& programDir);

// Plays each scheduled message at its time on the sound card's own clock (see Synthesiser);
// messages sent at once sound at the next audio buffer.
class FluidSynthMidiOut final : public MidiOut {
 public:
  // epoch: the instant the program's clock (the scheduled times) counts from.
  // driver: see Synthesiser::StartAudio.
  FluidSynthMidiOut(QString soundFont, std::chrono::steady_clock::time_point epoch,
                    QString driver = QString());
  ~FluidSynthMidiOut() override;

  bool Open() override;
  void Close() override;
  void Send(const ShortMessage& message, std::int64_t atMs) override;
  void Withdraw() override;
  void WithdrawFrom(std::int64_t atMs) override;
  // Every message goes to the audio thread with its time, a whole pass at once.
  bool SchedulesAhead() const override { return true; }
  // A few tens of ms: the first messages of a pass reach the audio thread before they are
  // due, however late the window's thread wakes.
  int LeadMs() const override { return kLeadMs; }
  bool Lost() const override { return synth_ && synth_->Lost(); }
  QString Name() const override;

  // The audio driver that opened, and the output buffering it was given, in ms.
  QString Driver() const { return driver_; }
  double BufferLatencyMs() const { return Synthesiser::BufferLatencyMs(); }
  // From a message's scheduled time to its sound leaving the program, in ms: more after the
  // sound server ran dry and the buffer grew.
  double OutputLatencyMs() const {
    return synth_ ? synth_->OutputLatencyNowMs()
                  : Synthesiser::BufferLatencyMs() + Synthesiser::ScheduleLatencyMs();
  }
  // How many times the sound server ran dry since the output opened.
  int Underflows() const { return synth_ ? synth_->Underflows() : 0; }
  // The synthesiser while open, for the benchmarks.
  const Synthesiser* synthesiser() const { return synth_.get(); }

  static constexpr int kLeadMs = 30;

 private:
  QString soundFont_;
  std::chrono::steady_clock::time_point epoch_;
  QString wantedDriver_;
  QString driver_;
  std::unique_ptr<Synthesiser> synth_;
};

// Renders timed messages (ms, packed message) to interleaved 16-bit stereo samples at
// 44.1 kHz, with releaseMs of sound after the last message. False when the SoundFont
// cannot load.
bool RenderOffline(const QString& soundFont, const TimedMessages& messages, int releaseMs,
                   std::vector<std::int16_t>& samples, QString& error);

}  // namespace sound
