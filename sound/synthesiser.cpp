#include "sound/synthesiser.h"

#include <fluidsynth.h>

namespace sound {
namespace {

// Small buffers for a quick response to the keys and the sequencer.
constexpr int kPeriodSize = 256;
constexpr int kPeriods = 2;

// FluidSynth reports driver and SoundFont failures on standard error; the program says
// them itself, in its own words.
void QuietLog(int, const char*, void*) {}

void SilenceLog() {
  for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
    fluid_set_log_function(level, QuietLog, nullptr);
  }
}

}  // namespace

struct Synthesiser::Parts {
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  fluid_audio_driver_t* audio = nullptr;
  QString error;

  ~Parts() {
    if (audio) delete_fluid_audio_driver(audio);
    if (synth) delete_fluid_synth(synth);
    if (settings) delete_fluid_settings(settings);
  }
};

Synthesiser::Synthesiser(const QString& soundFont) : parts_(std::make_unique<Parts>()) {
  SilenceLog();
  Parts& p = *parts_;
  if (soundFont.isEmpty()) {
    p.error = QStringLiteral("no SoundFont found");
    return;
  }
  p.settings = new_fluid_settings();
  if (p.settings == nullptr) {
    p.error = QStringLiteral("the synthesiser cannot start");
    return;
  }
  fluid_settings_setnum(p.settings, "synth.sample-rate", kRenderRate);
  fluid_settings_setint(p.settings, "audio.period-size", kPeriodSize);
  fluid_settings_setint(p.settings, "audio.periods", kPeriods);
  fluid_settings_setnum(p.settings, "synth.gain", 0.5);
  fluid_settings_setint(p.settings, "synth.reverb.active", 1);
  fluid_settings_setint(p.settings, "synth.chorus.active", 0);
  p.synth = new_fluid_synth(p.settings);
  if (p.synth == nullptr ||
      fluid_synth_sfload(p.synth, soundFont.toLocal8Bit().constData(), 1) == FLUID_FAILED) {
    p.error = QStringLiteral("cannot load the SoundFont %1").arg(soundFont);
    if (p.synth) delete_fluid_synth(p.synth);
    p.synth = nullptr;
  }
}

Synthesiser::~Synthesiser() = default;

bool Synthesiser::ok() const {
  return parts_->synth != nullptr;
}
QString Synthesiser::error() const {
  return parts_->error;
}

QString Synthesiser::StartAudio() {
  StopAudio();
  Parts& p = *parts_;
  if (p.synth == nullptr) return QString();
  for (const char* driver : {"pipewire", "pulseaudio", "alsa"}) {
    if (fluid_settings_setstr(p.settings, "audio.driver", driver) != FLUID_OK) continue;
    p.audio = new_fluid_audio_driver(p.settings, p.synth);
    if (p.audio != nullptr) return QString::fromLatin1(driver);
  }
  return QString();
}

void Synthesiser::StopAudio() {
  if (parts_->audio) delete_fluid_audio_driver(parts_->audio);
  parts_->audio = nullptr;
}

double Synthesiser::BufferLatencyMs() {
  return 1000.0 * kPeriodSize * kPeriods / kRenderRate;
}

void Synthesiser::Apply(const ShortMessage& message) {
  fluid_synth_t* synth = parts_->synth;
  if (synth == nullptr) return;
  const int channel = message.channel();
  switch (message.kind()) {
    case ShortMessage::kNoteOn:
      if (message.IsNoteOff()) {
        fluid_synth_noteoff(synth, channel, message.data1());
      } else {
        fluid_synth_noteon(synth, channel, message.data1(), message.data2());
      }
      break;
    case ShortMessage::kNoteOff:
      fluid_synth_noteoff(synth, channel, message.data1());
      break;
    case ShortMessage::kKeyPressure:
      fluid_synth_key_pressure(synth, channel, message.data1(), message.data2());
      break;
    case ShortMessage::kControlChange:
      fluid_synth_cc(synth, channel, message.data1(), message.data2());
      break;
    case ShortMessage::kProgramChange:
      fluid_synth_program_change(synth, channel, message.data1());
      break;
    case ShortMessage::kChannelPressure:
      fluid_synth_channel_pressure(synth, channel, message.data1());
      break;
    case ShortMessage::kPitchBend:
      fluid_synth_pitch_bend(synth, channel, message.data1() | (message.data2() << 7));
      break;
    default:  // system messages mean nothing to the synthesiser
      break;
  }
}

void Synthesiser::Render(int frames, std::int16_t* out) {
  if (parts_->synth == nullptr || frames <= 0) return;
  fluid_synth_write_s16(parts_->synth, frames, out, 0, 2, out, 1, 2);
}

}  // namespace sound
