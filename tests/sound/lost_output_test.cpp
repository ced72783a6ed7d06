// Outputs that go away while the program uses them, through a real JACK server (dummy
// backend): a MIDI port whose program ends, the JACK server itself quitting under a port and
// under the synthesiser's JACK driver, and a driver that stops asking for sound. Each output says
// it is lost within a few seconds, and closing it afterwards returns (the program falls back and
// goes on; nothing freezes).
#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <functional>
#include <memory>

#include "sound/fluidsynth_out.h"
#include "sound/rtmidi_out.h"
#include "sound/synthesiser.h"
#include "tests/sound/jack_server.h"

namespace {

// Waits at most ms for lost() to become true; whether it did.
bool BecomesLost(const std::function<bool()>& lost, int ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!lost() && std::chrono::steady_clock::now() < deadline) QThread::msleep(20);
  return lost();
}

struct PortEnding {
  const char* name;
  // Ends the port the program sends to: the probe's program, or the whole server.
  std::function<void(std::unique_ptr<RtMidiIn>& probe, JackServer& jack)> end;
};

class PortGoesAway : public ::testing::TestWithParam<PortEnding> {};

TEST_P(PortGoesAway, ThePortSaysItIsLost) {
  JackServer jack;
  ASSERT_TRUE(jack.running()) << "jackd (Debian jackd2) did not start: "
                              << jack.log().toStdString();
  auto probe = std::make_unique<RtMidiIn>(RtMidi::UNIX_JACK, "probe");
  probe->openVirtualPort("in");
  sound::RtMidiPortOut out(QStringLiteral("probe:in"));
  ASSERT_TRUE(out.Open());
  out.SendNow(*sound::ShortMessage::Make(0x90, 60, 100));
  // Still there over more than one look at the ports.
  QThread::msleep(1200);
  EXPECT_FALSE(out.Lost());
  GetParam().end(probe, jack);
  EXPECT_TRUE(BecomesLost([&] { return out.Lost(); }, 4000));
  out.SendNow(*sound::ShortMessage::Make(0x80, 60, 0));  // sending into nothing is harmless
  out.Close();
}

INSTANTIATE_TEST_SUITE_P(
    Endings, PortGoesAway,
    ::testing::Values(PortEnding{"TheProgramWithThePortEnds", [](std::unique_ptr<RtMidiIn>& probe,
                                                                 JackServer&) { probe.reset(); }},
                      PortEnding{"TheJackServerQuits", [](std::unique_ptr<RtMidiIn>&,
                                                          JackServer& jack) { jack.Stop(); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SynthesiserOnJack, PlaysAtTheServersRateAndKnowsWhenTheServerQuits) {
  JackServer jack;  // the dummy backend runs at 48 kHz, not the program's 44.1 kHz
  ASSERT_TRUE(jack.running()) << jack.log().toStdString();
  const QString soundFont = sound::FindSoundFont(QCoreApplication::applicationDirPath());
  if (soundFont.isEmpty()) GTEST_SKIP() << "no SoundFont";
  sound::Synthesiser synth(soundFont);
  ASSERT_TRUE(synth.ok()) << synth.error().toStdString();
  ASSERT_EQ(synth.StartAudio(std::chrono::steady_clock::now(), QStringLiteral("jack")),
            QStringLiteral("jack"));
  EXPECT_EQ(synth.SampleRate(), 48000);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (synth.Buffers() < 20 && std::chrono::steady_clock::now() < deadline) {
    QThread::msleep(10);
  }
  EXPECT_GE(synth.Buffers(), 20);
  QThread::msleep(1700);  // longer than the driver may stay silent
  EXPECT_FALSE(synth.Lost());
  // A driver that stops asking for sound is taken as lost, though its server is still there.
  jack.Freeze();
  EXPECT_TRUE(BecomesLost([&] { return synth.Lost(); }, 5000));
  jack.Thaw();
  jack.Stop();
  EXPECT_TRUE(BecomesLost([&] { return synth.Lost(); }, 5000));
  synth.StopAudio();
  // The next start on the program's own rate renders at that rate again.
  EXPECT_EQ(synth.StartAudio(std::chrono::steady_clock::now(), QStringLiteral("nosuchdriver")),
            QString());
  EXPECT_EQ(synth.SampleRate(), sound::kRenderRate);
}

}  // namespace
