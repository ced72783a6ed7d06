#include "sound/synthesiser.h"

#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <deque>
#include <iterator>
#include <mutex>
#include <vector>

namespace sound {
namespace {

// Small buffers for a quick response to the keys and the sequencer.
constexpr int kPeriodSize = 256;
constexpr int kPeriods = 2;
constexpr double kFramesPerMs = kRenderRate / 1000.0;
// A scheduled message sounds this long after its time, so that the first message of a pass,
// handed over at its very time, still finds its frame ahead of the one being rendered.
constexpr double kScheduleLatencyMs = 6.0;
// The mapping of the program's clock to the sound card's frames: the first buffers of the
// stream come in a burst and are left out; then an average, quickly over the first second,
// then over this many buffers (half a minute), so that the jitter of the driver's calls is
// smoothed out and a jump of the sound card's clock is followed without an audible step,
// while the slow drift of one clock against the other is still followed.
constexpr std::int64_t kBurstBuffers = 10;
constexpr double kQuickBuffers = 200.0;
constexpr double kMappingBuffers = 5000.0;
// After this much silence the synthesiser stops rendering (the driver's buffers stay zero);
// the next message makes it render again in the same buffer.
constexpr std::int64_t kIdleFrames = 3 * kRenderRate;
// The most output and effect buffers a driver is handled with sample offsets.
constexpr int kMaxBuffers = 16;

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

  // Live playback. The queue is shared with the audio thread; the rest is the audio
  // thread's own while the driver runs.
  struct Scheduled {
    std::int64_t atMs;
    ShortMessage message;
  };
  std::chrono::steady_clock::time_point epoch;
  std::mutex queueMutex;
  std::deque<Scheduled> queue;
  std::vector<std::pair<int, ShortMessage>> due;  // (frame in the buffer, message)
  std::int64_t frames = 0;                        // frames asked for since the audio started
  double offset = 0;  // frames minus the program's clock in frames, averaged
  std::int64_t callbacks = 0;
  std::int64_t silentFrames = 0;
  std::atomic<std::int64_t> renderedFrames{0};
  std::atomic<std::int64_t> allFrames{0};
  std::atomic<std::int64_t> buffers{0};

  ~Parts() {
    if (audio) delete_fluid_audio_driver(audio);
    if (synth) delete_fluid_synth(synth);
    if (settings) delete_fluid_settings(settings);
  }

  // One buffer of the audio driver: the messages due in it are applied between rendered
  // pieces, each at its frame (to the synthesiser's 64-frame block).
  int Fill(int len, int nfx, float* fx[], int nout, float* out[]);
  void Process(int from, int to, int nfx, float* fx[], int nout, float* out[]);
};

namespace {

void ApplyTo(fluid_synth_t* synth, const ShortMessage& message);

int AudioCallback(void* data, int len, int nfx, float* fx[], int nout, float* out[]) {
  return static_cast<Synthesiser::Parts*>(data)->Fill(len, nfx, fx, nout, out);
}

}  // namespace

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
  // A sound server that raises the stream's latency after an underrun would move every note
  // after it; the latency asked for stays.
  fluid_settings_setint(p.settings, "audio.pulseaudio.adjust-latency", 0);
  fluid_settings_setnum(p.settings, "synth.gain", 0.5);
  fluid_settings_setint(p.settings, "synth.reverb.active", 1);
  fluid_settings_setint(p.settings, "synth.chorus.active", 0);
  // Only the samples of the instruments in use are read, when a channel selects one: a
  // 140 MB SoundFont opens in a tenth of a second.
  fluid_settings_setint(p.settings, "synth.dynamic-sample-loading", 1);
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

int Synthesiser::Parts::Fill(int len, int nfx, float* fx[], int nout, float* out[]) {
  buffers.fetch_add(1, std::memory_order_relaxed);
  allFrames.fetch_add(len, std::memory_order_relaxed);
  const double nowMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - epoch).count();
  // Where the program's clock stands against the frames.
  const double observed = static_cast<double>(frames) - nowMs * kFramesPerMs;
  ++callbacks;
  if (callbacks == kBurstBuffers) offset = observed;
  if (callbacks > kBurstBuffers) {
    const double n = static_cast<double>(callbacks - kBurstBuffers);
    offset += (observed - offset) / (n < kQuickBuffers ? n : kMappingBuffers);
  }
  due.clear();
  {
    const std::lock_guard<std::mutex> lock(queueMutex);
    while (!queue.empty()) {
      const double frame =
          (static_cast<double>(queue.front().atMs) + kScheduleLatencyMs) * kFramesPerMs + offset -
          static_cast<double>(frames);
      if (frame >= len) break;
      due.emplace_back(std::clamp(static_cast<int>(std::lround(frame)), 0, len),
                       queue.front().message);
      queue.pop_front();
    }
  }
  const bool silent = due.empty() && fluid_synth_get_active_voice_count(synth) == 0;
  silentFrames = silent ? silentFrames + len : 0;
  if (silentFrames <= kIdleFrames) {
    int at = 0;
    for (const auto& [frame, message] : due) {
      if (frame > at) {
        Process(at, frame, nfx, fx, nout, out);
        at = frame;
      }
      ApplyTo(synth, message);
    }
    if (at < len) Process(at, len, nfx, fx, nout, out);
    renderedFrames.fetch_add(len, std::memory_order_relaxed);
  }
  frames += len;
  return 0;
}

void Synthesiser::Parts::Process(int from, int to, int nfx, float* fx[], int nout, float* out[]) {
  if (nfx > kMaxBuffers || nout > kMaxBuffers) {
    if (from == 0) fluid_synth_process(synth, to, nfx, fx, nout, out);
    return;
  }
  float* fxAt[kMaxBuffers];
  float* outAt[kMaxBuffers];
  for (int i = 0; i < nfx; ++i) fxAt[i] = fx[i] ? fx[i] + from : nullptr;
  for (int i = 0; i < nout; ++i) outAt[i] = out[i] + from;
  fluid_synth_process(synth, to - from, nfx, nfx > 0 && fx ? fxAt : fx, nout, outAt);
}

QString Synthesiser::StartAudio(std::chrono::steady_clock::time_point epoch,
                                const QString& driver) {
  StopAudio();
  Parts& p = *parts_;
  if (p.synth == nullptr) return QString();
  p.epoch = epoch;
  p.frames = 0;
  p.offset = 0;
  p.callbacks = 0;
  p.silentFrames = 0;
  p.due.reserve(256);
  const QByteArray wanted = driver.toLatin1();
  const std::vector<const char*> drivers =
      wanted.isEmpty() ? std::vector<const char*>{"pipewire", "pulseaudio", "alsa"}
                       : std::vector<const char*>{wanted.constData()};
  for (const char* name : drivers) {
    if (fluid_settings_setstr(p.settings, "audio.driver", name) != FLUID_OK) continue;
    p.audio = new_fluid_audio_driver2(p.settings, AudioCallback, &p);
    if (p.audio != nullptr) return QString::fromLatin1(name);
  }
  return QString();
}

void Synthesiser::StopAudio() {
  if (parts_->audio) delete_fluid_audio_driver(parts_->audio);
  parts_->audio = nullptr;
  Withdraw();
}

double Synthesiser::BufferLatencyMs() {
  return 1000.0 * kPeriodSize * kPeriods / kRenderRate;
}

double Synthesiser::ScheduleLatencyMs() {
  return kScheduleLatencyMs;
}

void Synthesiser::Apply(const ShortMessage& message) {
  if (parts_->synth) ApplyTo(parts_->synth, message);
}

void Synthesiser::Schedule(const ShortMessage& message, std::int64_t atMs) {
  Parts& p = *parts_;
  if (p.synth == nullptr) return;
  if (p.audio == nullptr) {
    ApplyTo(p.synth, message);
    return;
  }
  const std::lock_guard<std::mutex> lock(p.queueMutex);
  // In time order; a message for the same moment goes after those already there.
  auto at = p.queue.end();
  while (at != p.queue.begin() && std::prev(at)->atMs > atMs) --at;
  p.queue.insert(at, {atMs, message});
}

void Synthesiser::Withdraw() {
  const std::lock_guard<std::mutex> lock(parts_->queueMutex);
  parts_->queue.clear();
}

double Synthesiser::RenderedShare() const {
  const std::int64_t all = parts_->allFrames.load();
  return all > 0 ? static_cast<double>(parts_->renderedFrames.load()) / static_cast<double>(all)
                 : 0.0;
}

std::int64_t Synthesiser::Buffers() const {
  return parts_->buffers.load();
}

namespace {

void ApplyTo(fluid_synth_t* synth, const ShortMessage& message) {
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

}  // namespace

void Synthesiser::Render(int frames, std::int16_t* out) {
  if (parts_->synth == nullptr || frames <= 0) return;
  fluid_synth_write_s16(parts_->synth, frames, out, 0, 2, out, 1, 2);
}

}  // namespace sound
