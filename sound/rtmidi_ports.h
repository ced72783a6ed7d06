// Opening RtMidi on one system MIDI interface, for the output ports and the input alike.
#pragma once

#include <rtmidi/RtMidi.h>

#include <memory>
#include <string>
#include <vector>

namespace sound {

// An RtMidiIn or RtMidiOut of the program ("VORMINA") on one interface, or nothing when that
// interface is not there (no ALSA sequencer device, no JACK server): RtMidi says so by
// throwing. Its later errors are looked at by the caller, not printed.
template <class Port>
std::unique_ptr<Port> PortOn(RtMidi::Api api) {
  try {
    auto port = std::make_unique<Port>(api, "VORMINA");
    port->setErrorCallback([](RtMidiError::Type, const std::string&, void*) {}, nullptr);
    return port;
  } catch (const RtMidiError&) {
    return nullptr;
  }
}

// The interfaces compiled in: on Linux the ALSA sequencer, then JACK.
inline std::vector<RtMidi::Api> CompiledApis() {
  std::vector<RtMidi::Api> apis;
  RtMidi::getCompiledApi(apis);
  return apis;
}

}  // namespace sound
