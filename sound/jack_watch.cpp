#include "sound/jack_watch.h"

#include <jack/jack.h>

namespace sound {

struct JackWatch::Client {
  jack_client_t* handle = nullptr;
  ~Client() {
    if (handle) jack_client_close(handle);
  }
};

JackWatch::JackWatch() = default;
JackWatch::~JackWatch() = default;

bool JackWatch::Open() {
  client_.reset();
  gone_ = false;
  jack_status_t status{};
  jack_client_t* handle =
      jack_client_open("VORMINA-watch", static_cast<jack_options_t>(JackNoStartServer), &status);
  if (handle == nullptr) return false;
  client_ = std::make_unique<Client>();
  client_->handle = handle;
  jack_on_shutdown(
      handle, [](void* self) { static_cast<JackWatch*>(self)->gone_ = true; }, this);
  if (jack_activate(handle) != 0) {
    client_.reset();
    return false;
  }
  return true;
}

int JackWatch::SampleRate() const {
  return client_ ? static_cast<int>(jack_get_sample_rate(client_->handle)) : 0;
}

}  // namespace sound
