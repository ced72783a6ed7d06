#include "sound/jack_in.h"

#include <jack/jack.h>

#include <QCoreApplication>
#include <cstring>

namespace sound {

namespace {

// The program's clock in µs, from the steady clock's epoch, and JACK's clock (the system's
// monotonic clock, as the steady clock is) at the same moment: their difference turns a
// JACK time into the program's.
double ProgramMsOfJackTime(jack_time_t jackUs, std::chrono::steady_clock::time_point epoch) {
  const jack_time_t nowJack = jack_get_time();
  const auto now = std::chrono::steady_clock::now();
  const double nowMs = std::chrono::duration<double, std::milli>(now - epoch).count();
  return nowMs - (static_cast<double>(nowJack) - static_cast<double>(jackUs)) / 1000.0;
}

jack_client_t* OpenClient(const char* name) {
  jack_status_t status{};
  return jack_client_open(name, static_cast<jack_options_t>(JackNoStartServer), &status);
}

}  // namespace

QStringList JackSoundPorts() {
  QStringList names;
  jack_client_t* client = OpenClient("VORMINA-ports");
  if (!client) return names;
  if (const char** ports =
          jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput)) {
    for (const char** p = ports; *p; ++p) names << QString::fromUtf8(*p);
    jack_free(ports);
  }
  jack_client_close(client);
  return names;
}

struct JackIn::Client {
  jack_client_t* handle = nullptr;
  jack_port_t* input = nullptr;
  std::atomic<double> latencyMs{0};
  ~Client() {
    if (handle) {
      jack_deactivate(handle);
      jack_client_close(handle);
    }
  }
};

JackIn::JackIn(std::chrono::steady_clock::time_point epoch) : epoch_(epoch) {}

JackIn::~JackIn() {
  Close();
}

int JackIn::Process(unsigned frames, void* self) {
  auto* in = static_cast<JackIn*>(self);
  Client& c = *in->client_;
  const auto* samples = static_cast<const float*>(jack_port_get_buffer(c.input, frames));
  // This period's samples were captured during the period before the cycle began, and
  // further back by the capture latency of what is connected.
  jack_latency_range_t range{};
  jack_port_get_latency_range(c.input, JackCaptureLatency, &range);
  const double rate = jack_get_sample_rate(c.handle);
  c.latencyMs = 1000.0 * range.max / rate;
  const jack_time_t cycleStart = jack_frames_to_time(c.handle, jack_last_frame_time(c.handle));
  const double startMs = ProgramMsOfJackTime(cycleStart, in->epoch_);
  const double firstMs = startMs - 1000.0 * (frames + range.max) / rate;
  if (in->onSamples) in->onSamples(samples, static_cast<int>(frames), firstMs);
  return 0;
}

bool JackIn::Open(const QString& port, QString* error) {
  Close();
  lost_ = false;
  const auto fail = [&](const QString& reason) {
    client_.reset();
    if (error)
      *error = QCoreApplication::translate("jack_in", "JACK の入力（%1）を開けません: %2")
                   .arg(port, reason);
    return false;
  };
  client_ = std::make_unique<Client>();
  client_->handle = OpenClient("VORMINA-ear");
  if (!client_->handle)
    return fail(QCoreApplication::translate("jack_in", "JACK サーバーが動いていません"));
  jack_port_t* source = jack_port_by_name(client_->handle, port.toUtf8().constData());
  if (!source) return fail(QCoreApplication::translate("jack_in", "その入力はありません"));
  client_->input =
      jack_port_register(client_->handle, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
  if (!client_->input)
    return fail(QCoreApplication::translate("jack_in", "入力ポートを作れません"));
  jack_set_process_callback(client_->handle, &JackIn::Process, this);
  jack_on_shutdown(
      client_->handle, [](void* self) { static_cast<JackIn*>(self)->lost_ = true; }, this);
  jack_set_port_connect_callback(
      client_->handle,
      [](jack_port_id_t, jack_port_id_t, int connected, void* self) {
        auto* in = static_cast<JackIn*>(self);
        if (!connected && in->client_ && in->client_->input &&
            jack_port_connected(in->client_->input) == 0) {
          in->lost_ = true;
        }
      },
      this);
  if (jack_activate(client_->handle) != 0)
    return fail(QCoreApplication::translate("jack_in", "JACK が応えません"));
  if (jack_connect(client_->handle, port.toUtf8().constData(), jack_port_name(client_->input)) !=
      0) {
    return fail(QCoreApplication::translate("jack_in", "つなげません"));
  }
  port_ = port;
  return true;
}

void JackIn::Close() {
  client_.reset();  // deactivates first: no period is delivered after this
  port_.clear();
}

bool JackIn::IsOpen() const {
  return client_ != nullptr;
}

int JackIn::Rate() const {
  return client_ ? static_cast<int>(jack_get_sample_rate(client_->handle)) : 0;
}

double JackIn::LatencyMs() const {
  return client_ ? client_->latencyMs.load() : 0;
}

}  // namespace sound
