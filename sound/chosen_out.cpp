#include "sound/chosen_out.h"

#include <QCoreApplication>
#include <algorithm>

#include "core/user_settings.h"
#include "sound/audio_in.h"
#include "sound/ear.h"
#include "sound/fluidsynth_out.h"
#include "sound/jack_in.h"
#include "sound/midi_in.h"
#include "sound/rtmidi_out.h"

namespace sound {
namespace {

using user_settings::kInput;
using user_settings::kInputLatencyMs;
using user_settings::kOutput;
using user_settings::kSoundFont;
const QString kSynth = QStringLiteral("synth:");
const QString kPort = QStringLiteral("port:");

// FluidSynth's audio drivers the program offers, with their names as shown.
struct Driver {
  const char* code;
  const char* name;
};
constexpr Driver kDrivers[] = {
    {"", QT_TRANSLATE_NOOP("chosen_out", "内蔵シンセサイザー（自動）")},
    {"pipewire", QT_TRANSLATE_NOOP("chosen_out", "内蔵シンセサイザー（PipeWire）")},
    {"pulseaudio", QT_TRANSLATE_NOOP("chosen_out", "内蔵シンセサイザー（PulseAudio）")},
    {"jack", QT_TRANSLATE_NOOP("chosen_out", "内蔵シンセサイザー（JACK）")},
    {"alsa", QT_TRANSLATE_NOOP("chosen_out", "内蔵シンセサイザー（ALSA）")},
};

}  // namespace

ChosenOut::ChosenOut(QString programDir, std::chrono::steady_clock::time_point epoch,
                     QString settingsFile)
    : programDir_(std::move(programDir)), epoch_(epoch), settingsFile_(std::move(settingsFile)) {}

ChosenOut::~ChosenOut() {
  Close();
}

std::unique_ptr<MidiOut> ChosenOut::Make(const QString& code) const {
  if (make) return make(code);
  if (code.startsWith(kPort)) return std::make_unique<RtMidiPortOut>(code.mid(kPort.size()));
  return std::make_unique<FluidSynthMidiOut>(
      SoundFontInUse(), epoch_, code.startsWith(kSynth) ? code.mid(kSynth.size()) : QString());
}

bool ChosenOut::Open() {
  Close();
  // The choice, then the synthesiser on the first driver that opens, then the first port.
  std::vector<QString> candidates{Chosen()};
  for (const QString& fallback : {kSynth, kPort}) {
    if (candidates.front() != fallback) candidates.push_back(fallback);
  }
  return OpenFirst(candidates);
}

bool ChosenOut::OpenFirst(const std::vector<QString>& codes) {
  for (const QString& code : codes) {
    std::unique_ptr<MidiOut> out = Make(code);
    if (out->Open()) {
      open_ = std::move(out);
      return true;
    }
  }
  return false;
}

void ChosenOut::Close() {
  if (open_) open_->Close();
  open_.reset();
}

void ChosenOut::Send(const ShortMessage& message, std::int64_t atMs) {
  if (open_ && open_->Lost()) FallBack();
  if (open_) open_->Send(message, atMs);
}

void ChosenOut::FallBack() {
  const QString lost = open_->Name();
  Close();
  const bool opened = OpenFirst({kSynth, kPort});
  if (!report) return;
  report(opened ? QCoreApplication::translate(
                      "chosen_out", "音の出力先（%1）が使えなくなりました。%2 で鳴らします。")
                      .arg(lost, open_->Name())
                : QCoreApplication::translate(
                      "chosen_out", "音の出力先（%1）が使えなくなりました。音は出ません。")
                      .arg(lost));
}

void ChosenOut::Withdraw() {
  if (open_) open_->Withdraw();
}

void ChosenOut::WithdrawFrom(std::int64_t atMs) {
  if (open_) open_->WithdrawFrom(atMs);
}

bool ChosenOut::SchedulesAhead() const {
  return open_ && open_->SchedulesAhead();
}

int ChosenOut::LeadMs() const {
  return open_ ? open_->LeadMs() : 0;
}

QString ChosenOut::Name() const {
  return open_ ? open_->Name() : QStringLiteral("none");
}

std::vector<OutputEntry> ChosenOut::Present() const {
  std::vector<OutputEntry> entries;
  for (const Driver& d : kDrivers) {
    entries.push_back(
        {kSynth + QString::fromLatin1(d.code), QCoreApplication::translate("chosen_out", d.name)});
  }
  for (const QString& port : RtMidiPortOut::PortNames()) {
    entries.push_back(
        {kPort + port, QCoreApplication::translate("chosen_out", "MIDIポート: %1").arg(port)});
  }
  return entries;
}

QString ChosenOut::Chosen() const {
  const QString code = user_settings::Open(settingsFile_)->value(kOutput, kSynth).toString();
  return code.startsWith(kSynth) || code.startsWith(kPort) ? code : kSynth;
}

QString ChosenOut::ChosenSoundFont() const {
  return user_settings::Open(settingsFile_)->value(kSoundFont).toString();
}

QString ChosenOut::SoundFontInUse() const {
  const QString chosen = ChosenSoundFont();
  return chosen.isEmpty() ? FindSoundFont(programDir_) : chosen;
}

double ChosenOut::OutputLatencyMs() const {
  const auto* synth = dynamic_cast<const FluidSynthMidiOut*>(open_.get());
  return synth ? synth->OutputLatencyMs() : 0.0;
}

int ChosenOut::Underflows() const {
  const auto* synth = dynamic_cast<const FluidSynthMidiOut*>(open_.get());
  return synth ? synth->Underflows() : 0;
}

void ChosenOut::Choose(const QString& code, const QString& soundFont) {
  const auto store = user_settings::Open(settingsFile_);
  store->setValue(kOutput, code);
  if (soundFont.isEmpty()) {
    store->remove(kSoundFont);
  } else {
    store->setValue(kSoundFont, soundFont);
  }
  store->sync();
}

QStringList ChosenOut::InputPorts() const {
  return MidiIn::PortNames();
}

QString ChosenOut::ChosenInput() const {
  return user_settings::Open(settingsFile_)->value(kInput).toString();
}

double ChosenOut::InputLatencyMs() const {
  return std::clamp(user_settings::Open(settingsFile_)->value(kInputLatencyMs, 0.0).toDouble(), 0.0,
                    500.0);
}

void ChosenOut::ChooseInput(const QString& port, double latencyMs) {
  const auto store = user_settings::Open(settingsFile_);
  store->setValue(kInput, port);
  store->setValue(kInputLatencyMs, latencyMs);
  store->sync();
  if (applyInput) applyInput(port, latencyMs);
}

std::vector<std::pair<QString, QString>> ChosenOut::AudioInputs() const {
  std::vector<std::pair<QString, QString>> inputs;
  for (const CaptureSource& source : CaptureSources()) {
    inputs.emplace_back(
        kAudioInputPrefix + source.name,
        source.monitor
            ? QCoreApplication::translate("chosen_out", "%1（出力の録音）").arg(source.description)
            : source.description);
  }
  // A JACK server's audio ports (a sound card's capture, other programs' outputs), where
  // one runs; the program's own are left out.
  for (const QString& port : JackSoundPorts()) {
    if (port.startsWith(QLatin1String("VORMINA"))) continue;
    inputs.emplace_back(kAudioInputPrefix + kJackSourcePrefix + port,
                        QCoreApplication::translate("chosen_out", "JACK：%1").arg(port));
  }
  return inputs;
}

bool ChosenOut::EarReading(double& levelDb, double& pitch) const {
  if (!ear || !ear->IsOpen()) return false;
  levelDb = ear->LevelDb();
  pitch = ear->Pitch();
  return true;
}

}  // namespace sound
