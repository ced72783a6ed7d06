#include "sound/fluidsynth_out.h"

#include <QDir>
#include <QFileInfo>

#include <fluidsynth.h>

#include <algorithm>

namespace sound {
namespace {

// Small buffers for a quick response to the keys and the sequencer.
constexpr int kPeriodSize = 256;
constexpr int kPeriods = 2;

// FluidSynth reports driver failures on standard error; the program says it itself.
void QuietLog(int, const char*, void*) {}

void ApplySettings(fluid_settings_t* settings) {
  fluid_settings_setnum(settings, "synth.sample-rate", kRenderRate);
  fluid_settings_setint(settings, "audio.period-size", kPeriodSize);
  fluid_settings_setint(settings, "audio.periods", kPeriods);
  fluid_settings_setnum(settings, "synth.gain", 0.5);
  fluid_settings_setint(settings, "synth.reverb.active", 1);
  fluid_settings_setint(settings, "synth.chorus.active", 0);
}

}  // namespace

QString FindSoundFont(const QString& programDir) {
  const QDir sounds(QDir(programDir).filePath(QStringLiteral("sounds")));
  const QStringList own = sounds.entryList({QStringLiteral("*.sf2"), QStringLiteral("*.SF2")},
                                           QDir::Files, QDir::Name);
  if (!own.isEmpty()) return sounds.filePath(own.first());
  for (const char* path : {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2",
                           "/usr/share/sounds/sf2/FluidR3_GM.sf2"}) {
    if (QFileInfo::exists(QString::fromLatin1(path))) return QString::fromLatin1(path);
  }
  return QString();
}

FluidSynthMidiOut::FluidSynthMidiOut(QString soundFont) : soundFont_(std::move(soundFont)) {
  for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
    fluid_set_log_function(level, QuietLog, nullptr);
  }
}

FluidSynthMidiOut::~FluidSynthMidiOut() { Close(); }

bool FluidSynthMidiOut::Open() {
  Close();
  if (soundFont_.isEmpty()) return false;
  settings_ = new_fluid_settings();
  ApplySettings(settings_);
  synth_ = new_fluid_synth(settings_);
  if (synth_ == nullptr ||
      fluid_synth_sfload(synth_, soundFont_.toLocal8Bit().constData(), 1) == FLUID_FAILED) {
    Close();
    return false;
  }
  for (const char* driver : {"pipewire", "pulseaudio", "alsa"}) {
    if (fluid_settings_setstr(settings_, "audio.driver", driver) != FLUID_OK) continue;
    audio_ = new_fluid_audio_driver(settings_, synth_);
    if (audio_ != nullptr) {
      driver_ = QString::fromLatin1(driver);
      return true;
    }
  }
  Close();
  return false;
}

void FluidSynthMidiOut::Close() {
  if (audio_) delete_fluid_audio_driver(audio_);
  if (synth_) delete_fluid_synth(synth_);
  if (settings_) delete_fluid_settings(settings_);
  audio_ = nullptr;
  synth_ = nullptr;
  settings_ = nullptr;
  driver_.clear();
}

void FluidSynthMidiOut::Send(std::uint32_t message) {
  if (synth_ && audio_) ApplyMessage(synth_, message);
}

QString FluidSynthMidiOut::Name() const {
  return QStringLiteral("FluidSynth (%1)").arg(driver_.isEmpty() ? QStringLiteral("closed") : driver_);
}

double FluidSynthMidiOut::BufferLatencyMs() const {
  return 1000.0 * kPeriodSize * kPeriods / kRenderRate;
}

void ApplyMessage(fluid_synth_t* synth, std::uint32_t message) {
  const int status = static_cast<int>(message & 0xFF);
  const int data1 = static_cast<int>((message >> 8) & 0x7F);
  const int data2 = static_cast<int>((message >> 16) & 0x7F);
  const int channel = status & 0x0F;
  switch (status & 0xF0) {
    case 0x90:
      if (data2 == 0) {
        fluid_synth_noteoff(synth, channel, data1);
      } else {
        fluid_synth_noteon(synth, channel, data1, data2);
      }
      break;
    case 0x80:
      fluid_synth_noteoff(synth, channel, data1);
      break;
    case 0xB0:
      fluid_synth_cc(synth, channel, data1, data2);
      break;
    case 0xC0:
      fluid_synth_program_change(synth, channel, data1);
      break;
    default:
      break;
  }
}

bool RenderOffline(const QString& soundFont,
                   const std::vector<std::pair<std::int64_t, std::uint32_t>>& messages,
                   int releaseMs, std::vector<std::int16_t>& samples, QString& error) {
  samples.clear();
  for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
    fluid_set_log_function(level, QuietLog, nullptr);
  }
  fluid_settings_t* settings = new_fluid_settings();
  ApplySettings(settings);
  fluid_synth_t* synth = new_fluid_synth(settings);
  if (synth == nullptr || soundFont.isEmpty() ||
      fluid_synth_sfload(synth, soundFont.toLocal8Bit().constData(), 1) == FLUID_FAILED) {
    error = soundFont.isEmpty() ? QStringLiteral("no SoundFont found")
                                : QStringLiteral("cannot load the SoundFont %1").arg(soundFont);
    if (synth) delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return false;
  }
  std::int64_t rendered = 0;  // frames
  const auto renderUntil = [&](std::int64_t frame) {
    while (rendered < frame) {
      const int chunk = static_cast<int>(std::min<std::int64_t>(frame - rendered, 4096));
      const std::size_t at = samples.size();
      samples.resize(at + 2 * static_cast<std::size_t>(chunk));
      fluid_synth_write_s16(synth, chunk, samples.data() + at, 0, 2, samples.data() + at, 1, 2);
      rendered += chunk;
    }
  };
  std::int64_t lastMs = 0;
  for (const auto& [ms, message] : messages) {
    renderUntil(ms * kRenderRate / 1000);
    ApplyMessage(synth, message);
    lastMs = std::max(lastMs, ms);
  }
  renderUntil((lastMs + releaseMs) * kRenderRate / 1000);
  delete_fluid_synth(synth);
  delete_fluid_settings(settings);
  return true;
}

}  // namespace sound
