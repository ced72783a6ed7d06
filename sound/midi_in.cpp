#include "sound/midi_in.h"

#include <rtmidi/RtMidi.h>

#include "sound/jack_watch.h"
#include "sound/rtmidi_ports.h"
#include "sound/short_message.h"

namespace sound {

struct MidiIn::Input {
  std::unique_ptr<RtMidiIn> in;
  bool isVirtual = false;
  std::unique_ptr<JackWatch> jack;  // when the port is on JACK
};

MidiIn::MidiIn(std::chrono::steady_clock::time_point epoch) : epoch_(epoch) {}

MidiIn::~MidiIn() {
  Close();
}

QStringList MidiIn::PortNames() {
  QStringList names;
  for (const RtMidi::Api api : CompiledApis()) {
    const std::unique_ptr<RtMidiIn> in = PortOn<RtMidiIn>(api);
    if (!in) continue;
    try {
      for (unsigned int i = 0; i < in->getPortCount(); ++i) {
        const QString name = QString::fromStdString(in->getPortName(i));
        // The program's own virtual port is not an input to choose.
        if (!name.startsWith(QLatin1String("VORMINA"))) names << name;
      }
    } catch (const RtMidiError&) {
    }
  }
  return names;
}

bool MidiIn::Open(const QString& port) {
  Close();
  const auto listen = [this](Input& input) {
    input.in->ignoreTypes(true, true, true);
    input.in->setCallback(
        [](double, std::vector<unsigned char>* message, void* self) {
          auto* me = static_cast<MidiIn*>(self);
          const double arrival = std::chrono::duration<double, std::milli>(
                                     std::chrono::steady_clock::now() - me->epoch_)
                                     .count();
          if (message) me->Receive(arrival, *message);
        },
        this);
  };
  bool named = port.isEmpty();
  bool virtualDone = false;
  for (const RtMidi::Api api : CompiledApis()) {
    // The virtual port on the first interface that makes one (ALSA, else JACK).
    if (!virtualDone) {
      auto input = std::make_unique<Input>();
      input->in = PortOn<RtMidiIn>(api);
      if (input->in) {
        try {
          input->in->openVirtualPort("VORMINA");
          input->isVirtual = true;
          listen(*input);
          inputs_.push_back(std::move(input));
          virtualDone = true;
        } catch (const RtMidiError&) {
        }
      }
    }
    if (named) continue;
    auto input = std::make_unique<Input>();
    input->in = PortOn<RtMidiIn>(api);
    if (!input->in) continue;
    try {
      for (unsigned int i = 0; i < input->in->getPortCount(); ++i) {
        if (QString::fromStdString(input->in->getPortName(i)) != port) continue;
        input->in->openPort(i, "VORMINA input");
        if (!input->in->isPortOpen()) break;
        if (api == RtMidi::UNIX_JACK) {
          input->jack = std::make_unique<JackWatch>();
          if (!input->jack->Open()) input->jack.reset();
        }
        listen(*input);
        inputs_.push_back(std::move(input));
        port_ = port;
        named = true;
        looked_ = std::chrono::steady_clock::now();
        break;
      }
    } catch (const RtMidiError&) {
    }
  }
  return !inputs_.empty();
}

void MidiIn::Close() {
  for (auto& input : inputs_) {
    try {
      input->in->cancelCallback();
      input->in->closePort();
    } catch (const RtMidiError&) {
    }
  }
  inputs_.clear();
  port_.clear();
  gone_ = false;
}

bool MidiIn::VirtualOpen() const {
  for (const auto& input : inputs_) {
    if (input->isVirtual) return true;
  }
  return false;
}

void MidiIn::Receive(double arrivalMs, const std::vector<unsigned char>& message) {
  if (message.size() < 3 || !onNote) return;
  const auto m = ShortMessage::Make(message[0], message[1] & 0x7F, message[2] & 0x7F);
  if (!m || (m->kind() != ShortMessage::kNoteOn && m->kind() != ShortMessage::kNoteOff)) return;
  const int velocity = m->kind() == ShortMessage::kNoteOff ? 0 : m->data2();
  onNote({m->data1(), velocity, arrivalMs - latencyMs_.load()});
}

bool MidiIn::Lost() const {
  if (port_.isEmpty()) return false;
  const auto now = std::chrono::steady_clock::now();
  if (gone_ || now - looked_ < std::chrono::seconds(1)) return gone_;
  looked_ = now;
  bool there = false;
  for (const auto& input : inputs_) {
    if (input->isVirtual) continue;
    if (input->jack && input->jack->Gone()) break;
    try {
      for (unsigned int i = 0; i < input->in->getPortCount() && !there; ++i) {
        there = QString::fromStdString(input->in->getPortName(i)) == port_;
      }
    } catch (const RtMidiError&) {
    }
  }
  gone_ = !there;
  return gone_;
}

}  // namespace sound
