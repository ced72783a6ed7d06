#include "sound/synthesiser.h"

#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <deque>
#include <functional>
#include <iterator>
#include <limits>
#include <mutex>
#include <optional>
#include <vector>

#include "core/file_read.h"
#include "sound/jack_watch.h"
#include "sound/pulse_stream.h"

namespace sound {
namespace {

// The buffers the sound server is asked for: 256 frames each, four of them (23 ms), which
// hold while both cores are busy; an underflow grows them by half again, up to 16.
constexpr int kPeriodSize = 256;
constexpr int kPeriods = 4;
constexpr int kMaxPeriods = 16;
// A scheduled message sounds this long after its time (besides the buffers): room for the
// audio thread to take it from the window's thread in time.
constexpr double kScheduleLatencyMs = 6.0;
// Commands the window's thread can have waiting for the audio thread: two minutes of a busy
// item's messages.
constexpr std::size_t kRingSlots = std::size_t{1} << 16;
// The mapping of the program's clock to the sound card's frames: the first buffers of the
// stream come in a burst and are left out; then an average, quickly over the first second,
// then over this many buffers (half a minute), so that the jitter of the driver's calls is
// smoothed out and a jump of the sound card's clock is followed without an audible step,
// while the slow drift of one clock against the other is still followed.
constexpr std::int64_t kBurstBuffers = 10;
constexpr double kQuickBuffers = 200.0;
constexpr double kMappingBuffers = 5000.0;
constexpr double kHeardBuffers = 50.0;
// A sequence's mapping is let go after this long without a message waiting (a second): the
// next sequence takes the average as it stands then.
constexpr std::int64_t kReleaseFrames = kRenderRate;
// After this much silence the synthesiser stops rendering (the driver's buffers stay zero);
// the next message makes it render again in the same buffer.
constexpr std::int64_t kIdleFrames = 3 * kRenderRate;
// ... and after this much, the stream on the sound server pauses: no wake-ups at all. The
// next message starts it again, within its buffer.
constexpr std::int64_t kPauseFrames = 5 * kRenderRate;
// The most output and effect buffers a driver is handled with sample offsets.
constexpr int kMaxBuffers = 16;
// A FluidSynth audio driver that has not asked for a buffer for this long has lost its
// device or server (a JACK server that quit, a sound card unplugged): those drivers never
// pause on their own.
constexpr std::int64_t kDriverSilentNs = 1'500'000'000;

std::int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

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

  // Live playback. The window's thread hands its messages over through a ring the audio
  // thread empties at every buffer: neither waits for the other. The queue of scheduled
  // messages and the rest are the audio thread's own while the driver runs.
  struct Scheduled {
    std::int64_t atMs;
    ShortMessage message;
  };
  struct Command {
    enum Kind : std::uint8_t { kSchedule, kAtOnce, kWithdrawFrom } kind = kSchedule;
    std::int64_t atMs = 0;
    ShortMessage message;
  };
  std::chrono::steady_clock::time_point epoch;
  std::unique_ptr<Command[]> ring = std::make_unique<Command[]>(kRingSlots);
  std::atomic<std::size_t> ringHead{0};  // next slot the audio thread reads
  std::atomic<std::size_t> ringTail{0};  // next slot the window's thread writes
  std::mutex producer;  // between threads that hand over (never taken by the audio thread)
  std::deque<Scheduled> queue;
  std::vector<std::pair<int, ShortMessage>> due;  // (frame in the buffer, message)
  std::int64_t frames = 0;                        // frames asked for since the audio started
  double offset = 0;  // frames minus the program's clock in frames, averaged
  // The mapping the messages are placed by while a sequence plays: the average as it stood
  // when the sequence's first message came, held until nothing has been scheduled for a
  // while. Within a sequence every message is placed on the sound card's own clock, frame
  // exact, as the offline render places it; a dropout of the stream delays what follows as
  // a whole instead of squeezing it.
  std::optional<double> held;
  std::int64_t unscheduledFrames = 0;  // since the queue was last not empty
  std::int64_t callbacks = 0;
  std::int64_t silentFrames = 0;
  // The rate the audio runs at: the program's own, unless the driver's server runs at
  // another (JACK runs every client at its rate).
  double framesPerMs = kRenderRate / 1000.0;
  double synthRate = kRenderRate;  // what the synthesiser renders at
  std::atomic<std::int64_t> lastBufferNs{0};
  std::atomic<std::int64_t> renderedFrames{0};
  std::atomic<std::int64_t> allFrames{0};
  std::atomic<std::int64_t> buffers{0};
  // The stream on the sound server, when it opened; paused after kPauseFrames of silence.
  std::unique_ptr<PulseStream> pulse;
  // Beside FluidSynth's JACK driver: the server's rate, and whether the server is still there.
  std::unique_ptr<JackWatch> jack;
  std::atomic<bool> pulsePaused{false};
  std::atomic<bool> remap{false};
  // The buffering the stream plays with now, in frames (grown after an underflow), and how
  // many underflows the server reported.
  std::atomic<int> bufferFrames{kPeriodSize * kPeriods};
  std::atomic<int> underflows{0};

  // From a thread that hands over: queues a command; false when the ring is full.
  bool Push(const Command& command);
  // From the audio thread: takes the commands handed over into the queue.
  void TakeCommands(std::vector<std::pair<int, ShortMessage>>& atOnce);

  ~Parts() {
    if (audio) delete_fluid_audio_driver(audio);
    pulse.reset();
    jack.reset();
    if (synth) delete_fluid_synth(synth);
    if (settings) delete_fluid_settings(settings);
  }

  // One buffer of the audio driver: the messages due in it are applied between rendered
  // pieces, each at its frame (to the synthesiser's 64-frame block).
  int Fill(int len, int nfx, float* fx[], int nout, float* out[]);
  // The same for the sound-server stream of our own, which also pauses after a long silence.
  void FillInterleaved(float* out, int len);
  void FillWith(int len, double heardFrame, const std::function<void(int, int)>& render);
  // Starts the paused stream again (outside the queue's lock).
  void WakeIfPaused();
  void Process(int from, int to, int nfx, float* fx[], int nout, float* out[]);
};

namespace {

void ApplyTo(fluid_synth_t* synth, const ShortMessage& message);

// FluidSynth deprecates changing the rate of a running synthesiser in favour of creating it
// at the right one; the driver's rate is only known once the driver has opened on it.
void SetSampleRate(fluid_synth_t* synth, double rate) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  fluid_synth_set_sample_rate(synth, static_cast<float>(rate));
#pragma GCC diagnostic pop
}

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
  // On JACK the program's ports are named after it and joined to the sound card's outputs,
  // as a player expects of a program that plays.
  fluid_settings_setstr(p.settings, "audio.jack.id", "VORMINA");
  fluid_settings_setint(p.settings, "audio.jack.autoconnect", 1);
  fluid_settings_setnum(p.settings, "synth.gain", 0.5);
  fluid_settings_setint(p.settings, "synth.reverb.active", 1);
  fluid_settings_setint(p.settings, "synth.chorus.active", 0);
  // Only the samples of the instruments in use are read, when a channel selects one: a
  // 140 MB SoundFont opens in a tenth of a second.
  fluid_settings_setint(p.settings, "synth.dynamic-sample-loading", 1);
  // A SoundFont is a regular file: a FIFO or a device would hang or never end the load.
  if (const file_read::Result check = file_read::Check(soundFont, file_read::kSoundFontBytes);
      check.status != file_read::Status::kRead) {
    p.error = file_read::Problem(check, soundFont, file_read::kSoundFontBytes);
    return;
  }
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
  FillWith(len, -1, [&](int from, int to) { Process(from, to, nfx, fx, nout, out); });
  return 0;
}

void Synthesiser::Parts::FillInterleaved(float* out, int len) {
  FillWith(len, pulse->HeardFrame(), [&](int from, int to) {
    fluid_synth_write_float(synth, to - from, out, 2 * from, 2, out, 2 * from + 1, 2);
  });
  if (silentFrames > kPauseFrames && queue.empty() && !pulsePaused.exchange(true)) {
    // Marked paused before the ring is looked at again: a command handed over now finds the
    // mark and starts the stream again (after this buffer, as the stream's lock orders it).
    if (ringHead.load() != ringTail.load()) {
      pulsePaused = false;
    } else {
      pulse->PauseFromFill();
    }
  }
}

void Synthesiser::Parts::WakeIfPaused() {
  if (pulse && pulsePaused.exchange(false)) {
    remap = true;
    pulse->Resume();
  }
}

void Synthesiser::Parts::FillWith(int len, double heardFrame,
                                  const std::function<void(int, int)>& render) {
  buffers.fetch_add(1, std::memory_order_relaxed);
  lastBufferNs.store(SteadyNs(), std::memory_order_relaxed);
  allFrames.fetch_add(len, std::memory_order_relaxed);
  const double nowMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - epoch).count();
  // Where the program's clock stands against the frames. A sound server that says which
  // frame is heard now gives it exactly: a message then sounds the nominal buffer plus the
  // schedule latency after its time, whatever the server buffers; the average follows a
  // dropout of the stream within a fraction of a second. Otherwise the time of the driver's
  // call stands for where the frames being rendered are, averaged slowly.
  const bool heard = heardFrame >= 0;
  const double observed = heard ? heardFrame + bufferFrames.load() - nowMs * framesPerMs
                                : static_cast<double>(frames) - nowMs * framesPerMs;
  ++callbacks;
  if (heard && remap.exchange(false)) callbacks = kBurstBuffers;  // after a pause
  if (callbacks == kBurstBuffers || (heard && callbacks < kBurstBuffers)) offset = observed;
  if (callbacks > kBurstBuffers) {
    const double n = static_cast<double>(callbacks - kBurstBuffers);
    offset += (observed - offset) / (n < kQuickBuffers ? n
                                     : heard           ? kHeardBuffers
                                                       : kMappingBuffers);
  }
  due.clear();
  TakeCommands(due);
  unscheduledFrames = queue.empty() ? unscheduledFrames + len : 0;
  if (unscheduledFrames > kReleaseFrames) held.reset();
  while (!queue.empty()) {
    const double frame =
        (static_cast<double>(queue.front().atMs) + kScheduleLatencyMs) * framesPerMs +
        held.value_or(offset) - static_cast<double>(frames);
    if (frame >= len) break;
    // Held from the sequence's first message on: the average has had every buffer until it
    // fell due.
    if (!held) held = offset;
    due.emplace_back(std::clamp(static_cast<int>(std::lround(frame)), 0, len),
                     queue.front().message);
    queue.pop_front();
  }
  const bool silent = due.empty() && fluid_synth_get_active_voice_count(synth) == 0;
  silentFrames = silent ? silentFrames + len : 0;
  if (silentFrames <= kIdleFrames) {
    int at = 0;
    for (const auto& [frame, message] : due) {
      if (frame > at) {
        render(at, frame);
        at = frame;
      }
      ApplyTo(synth, message);
    }
    if (at < len) render(at, len);
    renderedFrames.fetch_add(len, std::memory_order_relaxed);
  }
  frames += len;
}

bool Synthesiser::Parts::Push(const Command& command) {
  const std::lock_guard<std::mutex> lock(producer);
  const std::size_t tail = ringTail.load(std::memory_order_relaxed);
  if (tail - ringHead.load(std::memory_order_acquire) >= kRingSlots) return false;
  ring[tail % kRingSlots] = command;
  ringTail.store(tail + 1, std::memory_order_release);
  return true;
}

void Synthesiser::Parts::TakeCommands(std::vector<std::pair<int, ShortMessage>>& atOnce) {
  std::size_t head = ringHead.load(std::memory_order_relaxed);
  const std::size_t tail = ringTail.load(std::memory_order_acquire);
  for (; head != tail; ++head) {
    const Command& c = ring[head % kRingSlots];
    switch (c.kind) {
      case Command::kAtOnce:
        atOnce.emplace_back(0, c.message);
        break;
      case Command::kWithdrawFrom:
        std::erase_if(queue, [&c](const Scheduled& q) { return q.atMs >= c.atMs; });
        break;
      case Command::kSchedule: {
        // In time order; a message for the same moment goes after those already there.
        auto at = queue.end();
        while (at != queue.begin() && std::prev(at)->atMs > c.atMs) --at;
        queue.insert(at, {c.atMs, c.message});
        break;
      }
    }
  }
  ringHead.store(head, std::memory_order_release);
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
  p.held.reset();
  p.unscheduledFrames = 0;
  p.callbacks = 0;
  p.silentFrames = 0;
  if (p.synthRate != kRenderRate) SetSampleRate(p.synth, p.synthRate = kRenderRate);
  p.framesPerMs = kRenderRate / 1000.0;
  p.lastBufferNs = SteadyNs();
  p.due.reserve(256);
  // The sound server through a stream of our own first: it says which frame is heard and
  // pauses while nothing sounds.
  if (driver.isEmpty() || driver == QLatin1String("pulseaudio")) {
    p.pulse = std::make_unique<PulseStream>();
    p.pulsePaused = false;
    p.bufferFrames = kPeriodSize * kPeriods;
    p.underflows = 0;
    const auto grown = [&p](int bufferFrames) {
      p.bufferFrames = bufferFrames;
      p.underflows.fetch_add(1);
    };
    if (p.pulse->Open(
            kRenderRate, kPeriodSize, kPeriods, kMaxPeriods,
            [&p](float* out, int frames) { p.FillInterleaved(out, frames); }, grown)) {
      return QStringLiteral("pulseaudio");
    }
    p.pulse.reset();
  }
  const QByteArray wanted = driver.toLatin1();
  const std::vector<const char*> drivers =
      wanted.isEmpty() ? std::vector<const char*>{"pipewire", "pulseaudio", "alsa"}
                       : std::vector<const char*>{wanted.constData()};
  for (const char* name : drivers) {
    if (fluid_settings_setstr(p.settings, "audio.driver", name) != FLUID_OK) continue;
    // JACK runs every client at the server's rate: the synthesiser renders at that rate, else
    // every note would sound out of tune and out of time.
    double rate = kRenderRate;
    if (std::strcmp(name, "jack") == 0) {
      p.jack = std::make_unique<JackWatch>();
      if (!p.jack->Open()) {
        p.jack.reset();
        continue;
      }
      rate = p.jack->SampleRate();
    }
    fluid_settings_setnum(p.settings, "synth.sample-rate", rate);
    if (rate != p.synthRate) SetSampleRate(p.synth, p.synthRate = rate);
    p.framesPerMs = rate / 1000.0;
    p.lastBufferNs = SteadyNs();
    p.audio = new_fluid_audio_driver2(p.settings, AudioCallback, &p);
    if (p.audio != nullptr) return QString::fromLatin1(name);
    p.jack.reset();
  }
  return QString();
}

void Synthesiser::StopAudio() {
  if (parts_->audio) delete_fluid_audio_driver(parts_->audio);
  parts_->audio = nullptr;
  parts_->pulse.reset();
  parts_->jack.reset();
  Withdraw();
}

double Synthesiser::BufferLatencyMs() {
  return 1000.0 * kPeriodSize * kPeriods / kRenderRate;
}

double Synthesiser::ScheduleLatencyMs() {
  return kScheduleLatencyMs;
}

void Synthesiser::Apply(const ShortMessage& message) {
  Parts& p = *parts_;
  if (p.synth == nullptr) return;
  if (p.audio == nullptr && p.pulse == nullptr) {
    ApplyTo(p.synth, message);
    return;
  }
  // The audio thread applies it at its next buffer.
  if (p.Push({Parts::Command::kAtOnce, 0, message})) p.WakeIfPaused();
}

void Synthesiser::Schedule(const ShortMessage& message, std::int64_t atMs) {
  Parts& p = *parts_;
  if (p.synth == nullptr) return;
  if (p.audio == nullptr && p.pulse == nullptr) {
    ApplyTo(p.synth, message);
    return;
  }
  if (p.Push({Parts::Command::kSchedule, atMs, message})) p.WakeIfPaused();
}

bool Synthesiser::Lost() const {
  if (parts_->pulse) return parts_->pulse->Lost();
  if (parts_->jack && parts_->jack->Gone()) return true;
  return parts_->audio && SteadyNs() - parts_->lastBufferNs.load() > kDriverSilentNs;
}

void Synthesiser::Withdraw() {
  WithdrawFrom(std::numeric_limits<std::int64_t>::min());
}

void Synthesiser::WithdrawFrom(std::int64_t atMs) {
  Parts& p = *parts_;
  if (p.audio == nullptr && p.pulse == nullptr) {
    p.queue.clear();
    return;
  }
  p.Push({Parts::Command::kWithdrawFrom, atMs, {}});
}

int Synthesiser::Underflows() const {
  return parts_->underflows.load();
}

double Synthesiser::OutputLatencyNowMs() const {
  return parts_->bufferFrames.load() / parts_->framesPerMs + kScheduleLatencyMs;
}

double Synthesiser::RenderedShare() const {
  const std::int64_t all = parts_->allFrames.load();
  return all > 0 ? static_cast<double>(parts_->renderedFrames.load()) / static_cast<double>(all)
                 : 0.0;
}

std::int64_t Synthesiser::Buffers() const {
  return parts_->buffers.load();
}

int Synthesiser::SampleRate() const {
  return static_cast<int>(parts_->synthRate);
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
