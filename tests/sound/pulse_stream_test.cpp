// The embedded synthesiser on a real sound server: a private PulseAudio server with a null
// sink. The stream plays, pauses once nothing has sounded for a while (the server asks for
// no more buffers) and plays again at the next message, which is not lost; when the server
// ends, the synthesiser knows it has lost its output.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <chrono>

#include "sound/fluidsynth_out.h"
#include "sound/synthesiser.h"
#include "tests/sound/pulse_server.h"

namespace {

// Waits until the synthesiser has been asked for buffers `more` times beyond `from`, at
// most `ms`; the count reached.
std::int64_t BuffersAfter(const sound::Synthesiser& synth, std::int64_t from, int more, int ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (synth.Buffers() < from + more && std::chrono::steady_clock::now() < deadline) {
    QThread::msleep(10);
  }
  return synth.Buffers();
}

}  // namespace

TEST(SoundServer, TheStreamPausesInSilencePlaysAgainAndKnowsWhenTheServerEnds) {
  PulseServer server;
  if (!server.running()) GTEST_SKIP() << "no PulseAudio server could be started";
  const QString soundFont = sound::FindSoundFont(QCoreApplication::applicationDirPath());
  if (soundFont.isEmpty()) GTEST_SKIP() << "no SoundFont";
  sound::Synthesiser synth(soundFont);
  ASSERT_TRUE(synth.ok()) << synth.error().toStdString();
  const auto epoch = std::chrono::steady_clock::now();
  ASSERT_EQ(synth.StartAudio(epoch), QStringLiteral("pulseaudio"));
  // Playing: buffers are asked for (172 a second).
  EXPECT_GE(BuffersAfter(synth, 0, 50, 3000), 50);
  // Silent for more than five seconds: the stream pauses and nothing is asked for.
  QThread::msleep(6500);
  const std::int64_t paused = synth.Buffers();
  QThread::msleep(500);
  EXPECT_EQ(synth.Buffers(), paused);
  // The next message starts it again and sounds: the synthesiser renders again.
  const double rendered = synth.RenderedShare();
  const auto nowMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - epoch)
                         .count();
  synth.Schedule(*sound::ShortMessage::Make(0x90, 72, 100), nowMs);
  EXPECT_GE(BuffersAfter(synth, paused, 20, 3000), paused + 20);
  EXPECT_GT(synth.RenderedShare(), rendered);
  // The server goes away: the synthesiser says so (and the program's output falls back).
  EXPECT_FALSE(synth.Lost());
  server.Kill();
  for (int i = 0; i < 300 && !synth.Lost(); ++i) QThread::msleep(10);
  EXPECT_TRUE(synth.Lost());
  synth.StopAudio();
}
