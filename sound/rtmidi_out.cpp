#include "sound/rtmidi_out.h"

#include <rtmidi/RtMidi.h>

#include <utility>
#include <vector>

namespace sound {
namespace {

// An RtMidi output on one system MIDI interface, or nothing when that interface is not
// there (no ALSA sequencer device, no JACK server): RtMidi says so by throwing.
std::unique_ptr<RtMidiOut> OutputOn(RtMidi::Api api) {
  try {
    auto out = std::make_unique<RtMidiOut>(api, "VORMINA");
    out->setErrorCallback([](RtMidiError::Type, const std::string&, void*) {}, nullptr);
    return out;
  } catch (const RtMidiError&) {
    return nullptr;
  }
}

// An output on each interface compiled in that is there now: on Linux the ALSA sequencer,
// then JACK (a machine without the ALSA sequencer may still have a JACK server with ports).
std::vector<std::unique_ptr<RtMidiOut>> Interfaces() {
  std::vector<RtMidi::Api> apis;
  RtMidi::getCompiledApi(apis);
  std::vector<std::unique_ptr<RtMidiOut>> outs;
  for (const RtMidi::Api api : apis) {
    if (std::unique_ptr<RtMidiOut> out = OutputOn(api)) outs.push_back(std::move(out));
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
}

void RtMidiPortOut::Send(const ShortMessage& message, std::int64_t) {
  if (!out_) return;
  const auto bytes = message.bytes();
  try {
    out_->sendMessage(bytes.data(), static_cast<std::size_t>(message.size()));
  } catch (const RtMidiError&) {
  }
}

QString RtMidiPortOut::Name() const {
  return QStringLiteral("MIDI port ") + port_;
}

}  // namespace sound
