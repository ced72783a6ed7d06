#include "sound/rtmidi_out.h"

#include <rtmidi/RtMidi.h>

#include <vector>

namespace sound {

RtMidiPortOut::RtMidiPortOut() = default;
RtMidiPortOut::~RtMidiPortOut() { Close(); }

bool RtMidiPortOut::Open() {
  Close();
  try {
    auto out = std::make_unique<RtMidiOut>();
    out->setErrorCallback([](RtMidiError::Type, const std::string&, void*) {}, nullptr);
    const unsigned int count = out->getPortCount();
    if (count == 0) return false;
    unsigned int chosen = 0;
    for (unsigned int i = 0; i < count; ++i) {
      if (QString::fromStdString(out->getPortName(i)).contains(QStringLiteral("Through"))) continue;
      chosen = i;
      break;
    }
    port_ = QString::fromStdString(out->getPortName(chosen));
    out->openPort(chosen, "VORMINA");
    if (!out->isPortOpen()) return false;
    out_ = std::move(out);
    return true;
  } catch (const RtMidiError&) {
    out_.reset();
    return false;
  }
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

void RtMidiPortOut::Send(std::uint32_t message) {
  if (!out_) return;
  const int status = static_cast<int>(message & 0xFF);
  std::vector<unsigned char> bytes = {static_cast<unsigned char>(status),
                                      static_cast<unsigned char>((message >> 8) & 0x7F)};
  // Program changes carry one data byte; the other channel messages used here two.
  if ((status & 0xF0) != 0xC0) bytes.push_back(static_cast<unsigned char>((message >> 16) & 0x7F));
  try {
    out_->sendMessage(&bytes);
  } catch (const RtMidiError&) {
  }
}

QString RtMidiPortOut::Name() const { return QStringLiteral("MIDI port ") + port_; }

}  // namespace sound
