#include "sound/fluidsynth_out.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>

namespace sound {

QString FindSoundFont(const QString& programDir) {
  const QDir sounds(QDir(programDir).filePath(QStringLiteral("sounds")));
  const QStringList own =
      sounds.entryList({QStringLiteral("*.sf2"), QStringLiteral("*.SF2")}, QDir::Files, QDir::Name);
  if (!own.isEmpty()) return sounds.filePath(own.first());
  // The fuller FluidR3 General MIDI set first (Debian's fluid-soundfont-gm), then the small
  // TimGM6mb, then whatever the system names its default.
  for (const char* path :
       {"/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
        "/usr/share/sounds/sf2/default-GM.sf2"}) {
    if (QFileInfo::exists(QString::fromLatin1(path))) return QString::fromLatin1(path);
  }
  return QString();
}

FluidSynthMidiOut::FluidSynthMidiOut(QString soundFont, std::chrono::steady_clock::time_point epoch,
                                     QString driver)
    : soundFont_(std::move(soundFont)), epoch_(epoch), wantedDriver_(std::move(driver)) {}

FluidSynthMidiOut::~FluidSynthMidiOut() {
  Close();
}

bool FluidSynthMidiOut::Open() {
  Close();
  auto synth = std::make_unique<Synthesiser>(soundFont_);
  if (!synth->ok()) return false;
  driver_ = synth->StartAudio(epoch_, wantedDriver_);
  if (driver_.isEmpty()) return false;
  synth_ = std::move(synth);
  return true;
}

void FluidSynthMidiOut::Close() {
  synth_.reset();
  driver_.clear();
}

void FluidSynthMidiOut::Send(const ShortMessage& message, std::int64_t atMs) {
  if (!synth_) return;
  if (atMs == kAtOnce) {
    synth_->Apply(message);
  } else {
    synth_->Schedule(message, atMs);
  }
}

void FluidSynthMidiOut::Withdraw() {
  if (synth_) synth_->Withdraw();
}

void FluidSynthMidiOut::WithdrawFrom(std::int64_t atMs) {
  if (synth_) synth_->WithdrawFrom(atMs);
}

QString FluidSynthMidiOut::Name() const {
  return QStringLiteral("FluidSynth (%1)")
      .arg(driver_.isEmpty() ? QStringLiteral("closed") : driver_);
}

bool RenderOffline(const QString& soundFont, const TimedMessages& messages, int releaseMs,
                   std::vector<std::int16_t>& samples, QString& error) {
  samples.clear();
  Synthesiser synth(soundFont);
  if (!synth.ok()) {
    error = synth.error();
    return false;
  }
  std::int64_t rendered = 0;  // frames
  const auto renderUntil = [&](std::int64_t frame) {
    while (rendered < frame) {
      const int chunk = static_cast<int>(std::min<std::int64_t>(frame - rendered, 4096));
      const std::size_t at = samples.size();
      samples.resize(at + 2 * static_cast<std::size_t>(chunk));
      synth.Render(chunk, samples.data() + at);
      rendered += chunk;
    }
  };
  std::int64_t lastMs = 0;
  for (const auto& [ms, message] : messages) {
    renderUntil(ms * kRenderRate / 1000);
    synth.Apply(message);
    lastMs = std::max(lastMs, ms);
  }
  renderUntil((lastMs + releaseMs) * kRenderRate / 1000);
  return true;
}

}  // namespace sound
