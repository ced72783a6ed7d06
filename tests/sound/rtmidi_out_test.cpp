// The system-port output through a real MIDI connection: a private JACK server with its
// dummy audio backend, a probe input port of the test's own, and the program's RtMidi
// output opening the first port it finds.
#include "sound/rtmidi_out.h"

#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <chrono>
#include <vector>

#include "sound/midi1.h"
#include "tests/sound/jack_server.h"

namespace {

// The messages the probe port receives (up to expected of them, within five seconds).
std::vector<std::vector<unsigned char>> Received(RtMidiIn& in, std::size_t expected) {
  std::vector<std::vector<unsigned char>> messages;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (messages.size() < expected && std::chrono::steady_clock::now() < deadline) {
    std::vector<unsigned char> message;
    in.getMessage(&message);
    if (message.empty()) {
      QThread::msleep(5);
      continue;
    }
    if (message.front() == 0xFE) continue;  // a late probe of the connection
    messages.push_back(message);
  }
  return messages;
}

TEST(RtMidiPortOut, SendsEachKindWithItsOwnLengthThroughJack) {
  JackServer jack;
  ASSERT_TRUE(jack.running()) << "jackd (Debian jackd2) did not start: "
                              << jack.log().toStdString();
  RtMidiIn probe(RtMidi::UNIX_JACK, "probe");
  probe.ignoreTypes(false, false, false);
  probe.openVirtualPort("in");

  // The program's own messages, through its MIDI layer, then the kinds it does not send yet.
  sound::RtMidiPortOut out;
  settings::CfgRecord cfg;
  cfg.UseMidi = 1;
  cfg.PitchBase = 36;
  cfg.PitchAdjust = 0;
  cfg.ClickInstrument = 1;
  cfg.ClickVolume = 90;
  midi1::Midi midi(cfg, out);
  ASSERT_TRUE(midi.StartMidiOut({}));
  EXPECT_EQ(out.Name(), QStringLiteral("MIDI port probe:in"));
  // The connection is made at one of the server's next cycles: until a message arrives,
  // none of the real ones is sent.
  bool connected = false;
  for (int tries = 0; tries < 250 && !connected; ++tries) {
    out.SendNow(*sound::ShortMessage::Make(0xFE));
    QThread::msleep(20);
    std::vector<unsigned char> message;
    probe.getMessage(&message);
    connected = !message.empty();
  }
  ASSERT_TRUE(connected);
  for (std::vector<unsigned char> message = {0}; !message.empty();) probe.getMessage(&message);
  midi.NoteOn(0, 24, 100);
  midi.NoteOff(0, 24);
  midi.ProgramChange(2, 33);
  midi.AllNotesOff(1);
  midi.DrumClick();
  out.SendNow(*sound::ShortMessage::Make(0xD4, 77));
  out.SendNow(*sound::ShortMessage::Make(0xE0, 0, 64));
  out.SendNow(*sound::ShortMessage::Make(0xA5, 60, 30));

  const std::vector<std::vector<unsigned char>> expected = {
      {0x90, 60, 100}, {0x90, 60, 0}, {0xC2, 33},    {0xB1, 123, 0},
      {0x99, 38, 90},  {0xD4, 77},    {0xE0, 0, 64}, {0xA5, 60, 30},
  };
  EXPECT_EQ(Received(probe, expected.size()), expected);
  out.Close();
}

}  // namespace
