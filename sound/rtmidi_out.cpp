#include "sound/rtmidi_out.h"

#include <rtmidi/RtMidi.h>

#include <utility>
#include <vector>

#include "sound/jack_watch.h"
#include "sound/rtmidi_ports.h"

namespace sound {
namespace {

// An output on each interface compiled in that is there now: on Linux the ALSA sequencer,
// then JACK (a machine without the ALSA sequencer may still have a JACK server with ports).
std::vector<std::unique_ptr<RtMidiOut>> Interfaces() {
  std::vector<std::unique_ptr<RtMidiOut>> outs;
  for (const RtMidi::Api api : CompiledApis()) {
    if (std::unique_ptr<RtMidiOut> out = PortOn<RtMidiOut>(api)) outs.push_back(std::move(out));
  }
  return outs;
}

}  // namespace

RtMidiPortOut::RtMidiPortOut(QString wanted) : wanted_(std::move(wanted)) {}

QStringList RtMidiPortOut::PortNames() {
  QStringList names;
  for (const auto& out : Interfaces()) {
    try {
      for (unsigned int i = 0; i < out->getPortCount(); ++i) {
        names << QString::fromStdString(out->getPortName(i));
      }
    } catch (const RtMidiError&) {
    }
  }
  return names;
}

RtMidiPortOut::~RtMidiPortOut() {
  Close();
}

bool RtMidiPortOut::Open() {
  Close();
  // Each interface is asked in turn.
  for (auto& out : Interfaces()) {
    try {
      const unsigned int count = out->getPortCount();
      if (count == 0) continue;
      unsigned int chosen = count;
      for (unsigned int i = 0; i < count && chosen == count; ++i) {
        const QString name = QString::fromStdString(out->getPortName(i));
        if (wanted_.isEmpty() ? !name.contains(QStringLiteral("Through")) : name == wanted_) {
          chosen = i;
        }
      }
      if (chosen == count) {
        if (!wanted_.isEmpty()) continue;  // not on this interface
        chosen = 0;
      }
      const QString port = QString::fromStdString(out->getPortName(chosen));
      out->openPort(chosen, "VORMINA");
      if (!out->isPortOpen()) continue;
      port_ = port;
      failed_ = false;
      gone_ = false;
      looked_ = std::chrono::steady_clock::now();
      // A failure of the interface from now on (an error, not a mere warning) means the port
      // can no longer be used.
      out->setErrorCallback(
          [](RtMidiError::Type type, const std::string&, void* self) {
            if (type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING) {
              static_cast<RtMidiPortOut*>(self)->failed_ = true;
            }
          },
          this);
      // A JACK server that quits leaves the port list as it was: a watch notices.
      if (out->getCurrentApi() == RtMidi::UNIX_JACK) {
        jack_ = std::make_unique<JackWatch>();
        if (!jack_->Open()) jack_.reset();
      }
      out_ = std::move(out);
      return true;
    } catch (const RtMidiError&) {
    }
  }
  return false;
}

void RtMidiPortOut::Close() {
  if (out_) {
    try {
      out_->closePort();
    } catch (const RtMidiError&) {
    }
  }
  out_.reset();
  jack_.reset();
}

void RtMidiPortOut::Send(const ShortMessage& message, std::int64_t) {
  if (!out_) return;
  const auto bytes = message.bytes();
  try {
    out_->sendMessage(bytes.data(), static_cast<std::size_t>(message.size()));
  } catch (const RtMidiError&) {
  }
}

bool RtMidiPortOut::Lost() const {
  if (!out_) return false;
  if (failed_ || (jack_ && jack_->Gone())) return true;
  const auto now = std::chrono::steady_clock::now();
  if (gone_ || now - looked_ < std::chrono::seconds(1)) return gone_;
  looked_ = now;
  bool there = false;
  try {
    const unsigned int count = out_->getPortCount();
    for (unsigned int i = 0; i < count && !there; ++i) {
      there = QString::fromStdString(out_->getPortName(i)) == port_;
    }
  } catch (const RtMidiError&) {
  }
  gone_ = !there;
  return gone_;
}

QString RtMidiPortOut::Name() const {
  return QStringLiteral("MIDI port ") + port_;
}

}  // namespace sound
