#include "sound/audio_in.h"

#include <pulse/pulseaudio.h>
#include <pulse/rtclock.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>

namespace sound {

namespace {

// A listing has about a second, an opening a few (a loaded machine, a server starting up).
constexpr pa_usec_t kAskUs = 1000000;
constexpr pa_usec_t kOpenUs = 3000000;
// The block the server is asked for: short, so that a note is heard soon after it sounds.
constexpr int kBlockMs = 5;

QString Text(const char* s) {
  return s ? QString::fromUtf8(s) : QString();
}

// The reason the user is told for one of the server's errors.
QString Reason(int error) {
  switch (error) {
    case PA_ERR_CONNECTIONREFUSED:
    case PA_ERR_CONNECTIONTERMINATED:
    case PA_ERR_INVALIDSERVER:
      return QCoreApplication::translate("audio_in", "サウンドサーバーにつながりません");
    case PA_ERR_TIMEOUT:
      return QCoreApplication::translate("audio_in", "サウンドサーバーが応えません");
    case PA_ERR_NOENTITY:
      return QCoreApplication::translate("audio_in", "その入力はありません");
    case PA_ERR_ACCESS:
      return QCoreApplication::translate("audio_in", "録音が許されていません");
    case PA_ERR_INVALID:
    case PA_ERR_NOTSUPPORTED:
      return QCoreApplication::translate("audio_in", "その形式では録音できません");
    default:
      return Text(pa_strerror(error));
  }
}

// A connection to the sound server, served by a loop thread of its own.
struct Server {
  pa_threaded_mainloop* loop = nullptr;
  pa_context* context = nullptr;
  std::atomic<bool>* lost = nullptr;  // set when the connection fails once made
  std::atomic<bool> made{false};
  bool late = false;  // the deadline of the wait under way has passed (under the loop's lock)

  static void State(pa_context* context, void* data) {
    auto* s = static_cast<Server*>(data);
    if (s->made && s->lost && !PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) *s->lost = true;
    pa_threaded_mainloop_signal(s->loop, 0);
  }
  static void Late(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* data) {
    auto* s = static_cast<Server*>(data);
    s->late = true;
    pa_threaded_mainloop_signal(s->loop, 0);
  }

  bool Good() const { return PA_CONTEXT_IS_GOOD(pa_context_get_state(context)); }

  // With the loop locked: waits until done() holds or the deadline (pa_rtclock_now's
  // clock) passes; done() at the end.
  template <typename Done>
  bool WaitFor(Done done, pa_usec_t deadline) {
    late = false;
    pa_time_event* timer = pa_context_rttime_new(context, deadline, &Late, this);
    while (!done() && !late) pa_threaded_mainloop_wait(loop);
    if (timer) pa_threaded_mainloop_get_api(loop)->time_free(timer);
    return done();
  }

  // Connects before the deadline; false with the server's error in *error when it cannot.
  bool Connect(pa_usec_t deadline, int* error) {
    loop = pa_threaded_mainloop_new();
    if (loop) context = pa_context_new(pa_threaded_mainloop_get_api(loop), "VORMINA");
    if (context == nullptr) {
      *error = PA_ERR_INTERNAL;
      return false;
    }
    pa_context_set_state_callback(context, &Server::State, this);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
      *error = pa_context_errno(context);
      return false;
    }
    if (pa_threaded_mainloop_start(loop) < 0) {
      *error = PA_ERR_INTERNAL;
      return false;
    }
    pa_threaded_mainloop_lock(loop);
    const bool answered = WaitFor(
        [this] {
          const pa_context_state_t state = pa_context_get_state(context);
          return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        },
        deadline);
    made = pa_context_get_state(context) == PA_CONTEXT_READY;
    if (!made) *error = answered ? pa_context_errno(context) : PA_ERR_TIMEOUT;
    pa_threaded_mainloop_unlock(loop);
    return made;
  }

  // Ends the loop thread: no callback runs after it. Not from the loop thread.
  void Stop() {
    if (loop) pa_threaded_mainloop_stop(loop);
  }
  // After Stop, and after the streams of the connection are gone.
  void Free() {
    if (context) {
      pa_context_disconnect(context);
      pa_context_unref(context);
    }
    if (loop) pa_threaded_mainloop_free(loop);
    context = nullptr;
    loop = nullptr;
    made = false;
  }
};

// One question to the server and its answer.
struct Answer {
  pa_threaded_mainloop* loop = nullptr;
  bool done = false;
  std::vector<CaptureSource> sources;
  QString defaultSource;

  void Done() {
    done = true;
    pa_threaded_mainloop_signal(loop, 0);
  }
  static void Source(pa_context*, const pa_source_info* info, int eol, void* data) {
    auto* a = static_cast<Answer*>(data);
    if (eol < 0) a->sources.clear();
    if (eol != 0 || info == nullptr) {
      a->Done();
      return;
    }
    a->sources.push_back(
        {Text(info->name), Text(info->description), info->monitor_of_sink != PA_INVALID_INDEX});
  }
  static void ServerInfo(pa_context*, const pa_server_info* info, void* data) {
    auto* a = static_cast<Answer*>(data);
    if (info) a->defaultSource = Text(info->default_source_name);
    a->Done();
  }
};

// Connects, sends the question ask(context, answer) gives and waits for the answer; all
// within kAskUs. The answer is left as it was when the server cannot be asked.
template <typename Ask>
void AskServer(Answer& answer, Ask ask) {
  const pa_usec_t deadline = pa_rtclock_now() + kAskUs;
  Server server;
  int error = 0;
  if (server.Connect(deadline, &error)) {
    pa_threaded_mainloop_lock(server.loop);
    answer.loop = server.loop;
    if (pa_operation* op = ask(server.context, &answer)) {
      server.WaitFor([&] { return answer.done || !server.Good(); }, deadline);
      if (!answer.done) pa_operation_cancel(op);
      pa_operation_unref(op);
    }
    pa_threaded_mainloop_unlock(server.loop);
  }
  server.Stop();
  server.Free();
}

}  // namespace

std::vector<CaptureSource> CaptureSources() {
  Answer answer;
  AskServer(answer, [](pa_context* context, Answer* a) {
    return pa_context_get_source_info_list(context, &Answer::Source, a);
  });
  if (!answer.done) return {};
  return std::move(answer.sources);
}

QString DefaultCaptureSource() {
  Answer answer;
  AskServer(answer, [](pa_context* context, Answer* a) {
    return pa_context_get_server_info(context, &Answer::ServerInfo, a);
  });
  return answer.defaultSource;
}

struct AudioIn::Parts {
  Parts(AudioIn& owner, std::chrono::steady_clock::time_point epoch) : owner(owner), epoch(epoch) {
    server.lost = &lost;
  }

  AudioIn& owner;
  const std::chrono::steady_clock::time_point epoch;
  Server server;
  pa_stream* stream = nullptr;
  QString source;
  int rate = 0;
  std::atomic<bool> ready{false};
  std::atomic<bool> lost{false};
  std::atomic<double> latencyMs{0};
  // The loop thread's own: the source's latency as last reported (ms), the last block's
  // stamp (NaN before the first) and its length with any hole after it.
  double sourceLatencyMs = 0;
  double lastMs = std::numeric_limits<double>::quiet_NaN();
  double lastDurationMs = 0;

  // Stamping. The samples waiting in the stream when a block is read were taken in by the
  // source up to its latency ago; that measure is exact to the part of the source's burst
  // still on its way (a few ms), so each stamp is the one the blocks before foretell, pulled
  // towards the measure: quickly where the measure is earlier (the foretold stamp cannot be
  // right then), slowly where it is later (the measure is mostly late by the burst's rest,
  // and a sound card's clock drifts only slowly from the program's). Never by more than half
  // the block before, so that the stamps always rise. A measure later than foretold by more
  // than kGapMs is a gap in the sound (the source paused, the server dropped samples) and is
  // taken as it is.
  static constexpr double kGapMs = 30;
  static constexpr double kPullEarlier = 0.5;
  static constexpr double kPullLater = 0.05;

  static void StreamState(pa_stream* stream, void* data) {
    auto* p = static_cast<Parts*>(data);
    if (p->ready && !PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) p->lost = true;
    pa_threaded_mainloop_signal(p->server.loop, 0);
  }

  static void Read(pa_stream* stream, std::size_t, void* data) {
    auto* p = static_cast<Parts*>(data);
    for (;;) {
      const void* bytes = nullptr;
      std::size_t size = 0;
      if (pa_stream_peek(stream, &bytes, &size) < 0 || size == 0) return;
      const int count = static_cast<int>(size / sizeof(float));
      const double durationMs = count * 1000.0 / p->rate;
      if (bytes == nullptr) {
        // A hole: samples the server never had. The next block comes that much later.
        p->lastDurationMs += durationMs;
      } else if (count > 0) {
        const double firstMs = p->Stamp(durationMs);
        if (p->owner.onSamples) {
          p->owner.onSamples(static_cast<const float*>(bytes), count, firstMs);
        }
      }
      pa_stream_drop(stream);
    }
  }

  // When the first sample of the block peeked now reached the microphone. The stream's
  // own latency (pa_stream_get_latency) is not used: it runs the source's clock on between
  // the server's timing reports, which come as rarely as every 1.5 s, and is wrong by as long
  // as a source pauses (a monitor while its output plays nothing) until the next report.
  double Stamp(double durationMs) {
    if (const pa_timing_info* timing = pa_stream_get_timing_info(stream)) {
      sourceLatencyMs = static_cast<double>(timing->source_usec) / 1000.0;
    }
    // This block and those that came after it.
    const std::size_t waiting = pa_stream_readable_size(stream);
    const double waitingMs = waiting == static_cast<std::size_t>(-1)
                                 ? durationMs
                                 : static_cast<double>(waiting) * 1000.0 / sizeof(float) / rate;
    const double nowMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - epoch).count();
    latencyMs = sourceLatencyMs + waitingMs - durationMs;
    const double measured = nowMs - sourceLatencyMs - waitingMs;
    const double foretold = lastMs + lastDurationMs;
    if (std::isnan(lastMs) || measured > foretold + kGapMs) {
      lastMs = measured;
    } else {
      const double pull = measured < foretold ? kPullEarlier : kPullLater;
      lastMs = foretold +
               std::clamp((measured - foretold) * pull, -lastDurationMs / 2, lastDurationMs / 2);
    }
    lastDurationMs = durationMs;
    return lastMs;
  }

  void Release() {
    server.Stop();
    if (stream) {
      pa_stream_set_read_callback(stream, nullptr, nullptr);
      pa_stream_set_state_callback(stream, nullptr, nullptr);
      pa_stream_disconnect(stream);
      pa_stream_unref(stream);
    }
    server.Free();
    stream = nullptr;
    ready = false;
    lost = false;
    latencyMs = 0;
    sourceLatencyMs = 0;
    lastMs = std::numeric_limits<double>::quiet_NaN();
    lastDurationMs = 0;
  }
};

AudioIn::AudioIn(std::chrono::steady_clock::time_point epoch)
    : parts_(std::make_unique<Parts>(*this, epoch)) {}

AudioIn::~AudioIn() {
  Close();
}

bool AudioIn::Open(const QString& source, int rate, QString* error) {
  Close();
  Parts& p = *parts_;
  p.source = source;
  p.rate = rate;
  const pa_usec_t deadline = pa_rtclock_now() + kOpenUs;
  const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(std::max(rate, 0)), 1};
  int failure = 0;
  const bool connected = p.server.Connect(deadline, &failure);
  bool ok = connected;
  if (ok) {
    pa_threaded_mainloop_lock(p.server.loop);
    if (rate > 0 && pa_sample_spec_valid(&spec)) {
      p.stream = pa_stream_new(p.server.context, "VORMINA", &spec, nullptr);
    }
    ok = p.stream != nullptr;
    if (!ok) failure = PA_ERR_INVALID;
  }
  if (ok) {
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(-1);
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(pa_usec_to_bytes(kBlockMs * 1000, &spec));
    pa_stream_set_state_callback(p.stream, &Parts::StreamState, &p);
    pa_stream_set_read_callback(p.stream, &Parts::Read, &p);
    // A source the user chose stays the one listened to: when it goes away the stream is
    // lost (and the program says so) rather than moved to another microphone.
    auto flags = PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE;
    if (!source.isEmpty()) flags |= PA_STREAM_DONT_MOVE;
    const QByteArray device = source.toUtf8();
    ok = pa_stream_connect_record(p.stream, source.isEmpty() ? nullptr : device.constData(), &attr,
                                  static_cast<pa_stream_flags_t>(flags)) >= 0;
    if (ok) {
      const bool answered = p.server.WaitFor(
          [&p] {
            const pa_stream_state_t state = pa_stream_get_state(p.stream);
            return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state) || !p.server.Good();
          },
          deadline);
      ok = pa_stream_get_state(p.stream) == PA_STREAM_READY && p.server.Good();
      if (!ok && !answered) failure = PA_ERR_TIMEOUT;
    }
    if (!ok && failure == 0) failure = pa_context_errno(p.server.context);
    p.ready = ok;
  }
  if (connected) pa_threaded_mainloop_unlock(p.server.loop);
  if (!ok) {
    p.Release();
    if (error) {
      const QString name =
          source.isEmpty() ? QCoreApplication::translate("audio_in", "既定の入力") : source;
      *error = QCoreApplication::translate("audio_in", "録音の入力（%1）を開けません: %2")
                   .arg(name, Reason(failure));
    }
  }
  return ok;
}

void AudioIn::Close() {
  parts_->Release();
}

bool AudioIn::IsOpen() const {
  return parts_->stream != nullptr;
}

QString AudioIn::Source() const {
  return parts_->source;
}

int AudioIn::Rate() const {
  return parts_->rate;
}

double AudioIn::LatencyMs() const {
  return parts_->latencyMs;
}

bool AudioIn::Lost() const {
  return parts_->lost;
}

}  // namespace sound
