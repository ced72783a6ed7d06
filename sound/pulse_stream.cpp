#include "sound/pulse_stream.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace sound {

struct PulseStream::Parts {
  pa_threaded_mainloop* loop = nullptr;
  pa_context* context = nullptr;
  pa_stream* stream = nullptr;
  Fill fill;
  Grown grown;
  int rate = 44100;
  std::uint32_t periodBytes = 0;
  std::uint32_t bufferBytes = 0;  // the target length asked for now
  std::uint32_t maxBytes = 0;
  bool paused = false;  // guarded by the main loop's lock
  std::atomic<bool> ready{false};
  std::atomic<bool> lost{false};

  static void ContextState(pa_context* context, void* data) {
    auto* p = static_cast<Parts*>(data);
    if (p->ready && !PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) p->lost = true;
    pa_threaded_mainloop_signal(p->loop, 0);
  }
  static void StreamState(pa_stream* stream, void* data) {
    auto* p = static_cast<Parts*>(data);
    if (p->ready && !PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) p->lost = true;
    pa_threaded_mainloop_signal(p->loop, 0);
  }
  static constexpr std::uint32_t kFrameBytes = 2 * sizeof(float);
  static constexpr pa_usec_t kSettleUs = 200000;

  static void Write(pa_stream* stream, std::size_t bytes, void* data) {
    auto* p = static_cast<Parts*>(data);
    while (bytes >= kFrameBytes) {
      void* buffer = nullptr;
      std::size_t size = bytes;
      if (pa_stream_begin_write(stream, &buffer, &size) < 0 || buffer == nullptr) return;
      const int frames = static_cast<int>(size / kFrameBytes);
      if (frames == 0) {
        pa_stream_cancel_write(stream);
        return;
      }
      auto* out = static_cast<float*>(buffer);
      for (int i = 0; i < 2 * frames; ++i) out[i] = 0.0f;
      p->fill(out, frames);
      pa_stream_write(stream, buffer, static_cast<std::size_t>(frames) * kFrameBytes, nullptr, 0,
                      PA_SEEK_RELATIVE);
      bytes -= static_cast<std::size_t>(frames) * kFrameBytes;
    }
  }

  // The server ran dry: a busy machine did not fill the buffer in time. It grows by half
  // (to whole periods) so that the next busy moment is covered; timing stays exact because
  // the owner moves its schedule by the same amount.
  static void Underflow(pa_stream* stream, void* data) {
    auto* p = static_cast<Parts*>(data);
    // The server reports one as the stream starts, before a sound has played: not a busy
    // machine, and nothing to make room for.
    pa_usec_t played = 0;
    if (pa_stream_get_time(stream, &played) < 0 || played < kSettleUs) return;
    if (p->paused || p->bufferBytes >= p->maxBytes) {
      if (p->grown) p->grown(static_cast<int>(p->bufferBytes / kFrameBytes));
      return;
    }
    const std::uint32_t periods = (p->bufferBytes / p->periodBytes * 3 + 1) / 2;
    p->bufferBytes = std::min(p->maxBytes, periods * p->periodBytes);
    pa_buffer_attr attr = Attributes(p->bufferBytes, p->periodBytes);
    if (pa_operation* op = pa_stream_set_buffer_attr(stream, &attr, nullptr, nullptr)) {
      pa_operation_unref(op);
    }
    if (p->grown) p->grown(static_cast<int>(p->bufferBytes / kFrameBytes));
  }
  static pa_buffer_attr Attributes(std::uint32_t target, std::uint32_t period) {
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = target;
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = period;
    attr.fragsize = static_cast<std::uint32_t>(-1);
    return attr;
  }

  // With the loop locked: waits until the context or the stream is ready or has failed.
  bool WaitReady() {
    for (;;) {
      const pa_context_state_t c = pa_context_get_state(context);
      if (!PA_CONTEXT_IS_GOOD(c)) return false;
      if (stream) {
        const pa_stream_state_t s = pa_stream_get_state(stream);
        if (!PA_STREAM_IS_GOOD(s)) return false;
        if (s == PA_STREAM_READY) return true;
      } else if (c == PA_CONTEXT_READY) {
        return true;
      }
      pa_threaded_mainloop_wait(loop);
    }
  }

  void Release() {
    if (loop) pa_threaded_mainloop_stop(loop);
    if (stream) {
      pa_stream_set_write_callback(stream, nullptr, nullptr);
      pa_stream_set_underflow_callback(stream, nullptr, nullptr);
      pa_stream_disconnect(stream);
      pa_stream_unref(stream);
    }
    if (context) {
      pa_context_disconnect(context);
      pa_context_unref(context);
    }
    if (loop) pa_threaded_mainloop_free(loop);
    stream = nullptr;
    context = nullptr;
    loop = nullptr;
    paused = false;
    ready = false;
    lost = false;
  }
};

PulseStream::PulseStream() : parts_(std::make_unique<Parts>()) {}

PulseStream::~PulseStream() {
  Close();
}

bool PulseStream::Open(int rate, int periodFrames, int periods, int maxPeriods, Fill fill,
                       Grown grown) {
  Close();
  Parts& p = *parts_;
  p.fill = std::move(fill);
  p.grown = std::move(grown);
  p.rate = rate;
  p.loop = pa_threaded_mainloop_new();
  if (p.loop == nullptr) return false;
  p.context = pa_context_new(pa_threaded_mainloop_get_api(p.loop), "VORMINA");
  if (p.context == nullptr) {
    p.Release();
    return false;
  }
  pa_context_set_state_callback(p.context, &Parts::ContextState, &p);
  if (pa_context_connect(p.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
      pa_threaded_mainloop_start(p.loop) < 0) {
    p.Release();
    return false;
  }
  pa_threaded_mainloop_lock(p.loop);
  bool ok = p.WaitReady();
  if (ok) {
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, static_cast<std::uint32_t>(rate), 2};
    p.stream = pa_stream_new(p.context, "VORMINA", &spec, nullptr);
    ok = p.stream != nullptr;
  }
  if (ok) {
    p.periodBytes = static_cast<std::uint32_t>(periodFrames) * Parts::kFrameBytes;
    p.bufferBytes = p.periodBytes * static_cast<std::uint32_t>(periods);
    p.maxBytes = p.periodBytes * static_cast<std::uint32_t>(std::max(periods, maxPeriods));
    pa_buffer_attr attr = Parts::Attributes(p.bufferBytes, p.periodBytes);
    pa_stream_set_state_callback(p.stream, &Parts::StreamState, &p);
    pa_stream_set_write_callback(p.stream, &Parts::Write, &p);
    pa_stream_set_underflow_callback(p.stream, &Parts::Underflow, &p);
    const auto flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    ok = pa_stream_connect_playback(p.stream, nullptr, &attr, flags, nullptr, nullptr) >= 0 &&
         p.WaitReady();
  }
  p.ready = ok;
  pa_threaded_mainloop_unlock(p.loop);
  if (!ok) p.Release();
  return ok;
}

bool PulseStream::Lost() const {
  return parts_->lost;
}

void PulseStream::Close() {
  parts_->Release();
}

double PulseStream::HeardFrame() const {
  const Parts& p = *parts_;
  pa_usec_t played = 0;
  if (p.stream == nullptr || pa_stream_get_time(p.stream, &played) < 0) return -1;
  return static_cast<double>(played) * p.rate / 1e6;
}

void PulseStream::PauseFromFill() {
  Parts& p = *parts_;
  if (p.paused || p.stream == nullptr) return;
  p.paused = true;
  if (pa_operation* op = pa_stream_cork(p.stream, 1, nullptr, nullptr)) pa_operation_unref(op);
}

bool PulseStream::Resume() {
  Parts& p = *parts_;
  if (p.loop == nullptr) return false;
  pa_threaded_mainloop_lock(p.loop);
  const bool was = p.paused;
  if (was && p.stream) {
    p.paused = false;
    if (pa_operation* op = pa_stream_cork(p.stream, 0, nullptr, nullptr)) pa_operation_unref(op);
  }
  pa_threaded_mainloop_unlock(p.loop);
  return was;
}

}  // namespace sound
