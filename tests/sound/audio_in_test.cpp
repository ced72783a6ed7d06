// Sound from a real sound server: a private PulseAudio server whose null sink's monitor is
// recorded while paplay plays a tone into the sink. The tone arrives whole at the rate asked
// for, the blocks' stamps run on with the samples, what cannot be opened is refused without
// hanging, and a source or a server that goes away leaves the stream lost.
#include "sound/audio_in.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <mutex>
#include <numbers>

#include "tests/sound/pulse_server.h"

namespace {

constexpr int kRate = 48000;

// What the stream delivered, gathered on its thread.
class Heard {
 public:
  struct Block {
    std::size_t first;  // its first sample's index in samples()
    int count;
    double firstMs;
  };
  void Listen(sound::AudioIn& in) {
    in.onSamples = [this](const float* samples, int count, double firstMs) {
      std::lock_guard lock(mutex_);
      blocks_.push_back({samples_.size(), count, firstMs});
      samples_.insert(samples_.end(), samples, samples + count);
    };
  }
  std::size_t count() {
    std::lock_guard lock(mutex_);
    return samples_.size();
  }
  std::vector<float> samples() {
    std::lock_guard lock(mutex_);
    return samples_;
  }
  std::vector<Block> blocks() {
    std::lock_guard lock(mutex_);
    return blocks_;
  }

 private:
  std::mutex mutex_;
  std::vector<float> samples_;
  std::vector<Block> blocks_;
};

// Polls until done() holds, for at most about ms; whether it came to hold.
template <typename Done>
bool Eventually(Done done, int ms = 10000) {
  for (int waited = 0; !done(); waited += 10) {
    if (waited >= ms) return false;
    QThread::msleep(10);
  }
  return true;
}

// A mono 16-bit WAV file of a sine `frames` long with `silence` frames of silence each side.
QByteArray SineWav(double hz, int rate, int silence, int frames, double amplitude) {
  QByteArray wav;
  const auto put = [&wav](std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) wav.append(static_cast<char>((value >> (8 * i)) & 0xff));
  };
  wav.append("RIFF");
  const int total = frames + 2 * silence;
  put(36 + 2 * total, 4);
  wav.append("WAVEfmt ");
  put(16, 4);
  put(1, 2);  // PCM
  put(1, 2);  // mono
  put(rate, 4);
  put(rate * 2, 4);
  put(2, 2);
  put(16, 2);
  wav.append("data");
  put(2 * total, 4);
  for (int i = -silence; i < frames + silence; ++i) {
    const double x =
        i < 0 || i >= frames ? 0 : amplitude * std::sin(2 * std::numbers::pi * hz * i / rate);
    put(static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(x * 32767))), 2);
  }
  return wav;
}

double Rms(const std::vector<float>& s, std::size_t from, std::size_t to) {
  double sum = 0;
  for (std::size_t i = from; i < to; ++i) sum += double{s[i]} * s[i];
  return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0;
}

}  // namespace

TEST(AudioIn, RecordsAToneFromAnOutputsMonitorWithStampsThatRunOnWithTheSamples) {
  PulseServer server;
  if (!server.running() || !PulseServer::Has(QStringLiteral("paplay"))) {
    GTEST_SKIP() << "no PulseAudio server could be started, or no paplay";
  }
  // The server offers the null sink's monitor, marked as one.
  const std::vector<sound::CaptureSource> sources = sound::CaptureSources();
  const auto monitor = std::find_if(sources.begin(), sources.end(), [](const auto& s) {
    return s.name == QStringLiteral("null.monitor");
  });
  ASSERT_NE(monitor, sources.end());
  EXPECT_TRUE(monitor->monitor);
  EXPECT_FALSE(monitor->description.isEmpty());
  EXPECT_EQ(sound::DefaultCaptureSource(), QStringLiteral("null.monitor"));

  // One second of A 440 at 44.1 kHz between 0.3 s of silence each side, recorded at 48 kHz.
  QTemporaryDir folder;
  QFile wav(folder.filePath(QStringLiteral("tone.wav")));
  ASSERT_TRUE(wav.open(QIODevice::WriteOnly));
  wav.write(SineWav(440, 44100, 13230, 44100, 0.5));
  wav.close();

  const auto epoch = std::chrono::steady_clock::now();
  const auto nowMs = [epoch] {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - epoch)
        .count();
  };
  sound::AudioIn in(epoch);
  Heard heard;
  heard.Listen(in);
  QString error;
  ASSERT_TRUE(in.Open(QStringLiteral("null.monitor"), kRate, &error)) << error.toStdString();
  EXPECT_TRUE(in.IsOpen());
  EXPECT_EQ(in.Rate(), kRate);
  const double startedMs = nowMs();
  ASSERT_EQ(server.Run(QStringLiteral("paplay"),
                       {QStringLiteral("-d"), QStringLiteral("null"), wav.fileName()}),
            0);
  // paplay ends once the sink has played it all, which the monitor passes on at once.
  const double playedMs = nowMs();
  ASSERT_TRUE(Eventually([&] { return heard.count() >= kRate * 16 / 10; }));
  const double latencyMs = in.LatencyMs();
  in.Close();
  EXPECT_FALSE(in.IsOpen());
  EXPECT_GE(latencyMs, 0);
  EXPECT_LT(latencyMs, 500);

  // The tone: one second long at the rate asked for, loud, at 440 Hz, silence each side.
  const std::vector<float> s = heard.samples();
  const auto loud = [](float x) { return std::abs(x) > 0.05f; };
  const auto onset = static_cast<std::size_t>(std::find_if(s.begin(), s.end(), loud) - s.begin());
  const auto end =
      s.size() - static_cast<std::size_t>(std::find_if(s.rbegin(), s.rend(), loud) - s.rbegin());
  const std::size_t quarter = kRate / 4;
  ASSERT_GE(onset, quarter) << "no tone heard, or no silence before it";
  ASSERT_GE(s.size(), end + quarter);
  const double seconds = static_cast<double>(end - onset) / kRate;
  EXPECT_NEAR(seconds, 1.0, 0.02);
  EXPECT_GT(Rms(s, onset, end), 0.3);  // 0.5 / sqrt(2)
  EXPECT_LT(Rms(s, onset - quarter, onset), 0.001);
  EXPECT_LT(Rms(s, end, end + quarter), 0.001);
  int rises = 0;
  for (std::size_t i = onset + 1; i < end; ++i) rises += s[i - 1] < 0 && s[i] >= 0;
  EXPECT_NEAR(rises / seconds, 440, 3);

  // The stamps rise block by block, as far as the samples between them last, and the tone
  // was heard while paplay played.
  const std::vector<Heard::Block> blocks = heard.blocks();
  for (std::size_t i = 1; i < blocks.size(); ++i) {
    ASSERT_GT(blocks[i].firstMs, blocks[i - 1].firstMs) << "block " << i;
  }
  const double spanMs = blocks.back().firstMs - blocks.front().firstMs;
  const double samplesMs = 1000.0 * static_cast<double>(blocks.back().first) / kRate;
  EXPECT_NEAR(spanMs, samplesMs, 30 + samplesMs * 0.02);
  const auto stamp = [&blocks](std::size_t sample) {
    const auto b = std::prev(
        std::upper_bound(blocks.begin(), blocks.end(), sample,
                         [](std::size_t i, const Heard::Block& block) { return i < block.first; }));
    return b->firstMs + 1000.0 * static_cast<double>(sample - b->first) / kRate;
  };
  EXPECT_GT(stamp(onset), startedMs);
  EXPECT_LT(stamp(end), playedMs);
}

TEST(AudioIn, RefusesWhatItCannotOpenWithoutHanging) {
  PulseServer server;
  if (!server.running()) GTEST_SKIP() << "no PulseAudio server could be started";
  struct Case {
    const char* what;
    QString source;
    int rate;
    void (*before)(PulseServer&);
    QString reason;
  };
  const Case cases[] = {
      {"a source that is not there", QStringLiteral("nosuch"), kRate, nullptr,
       QStringLiteral("その入力はありません")},
      {"no rate", QStringLiteral("null.monitor"), 0, nullptr,
       QStringLiteral("その形式では録音できません")},
      {"a server that does not answer", QStringLiteral("null.monitor"), kRate,
       [](PulseServer& s) { s.Signal(SIGSTOP); }, QStringLiteral("サウンドサーバーが応えません")},
      {"no server", QString(), kRate, [](PulseServer& s) { s.Kill(); },
       QStringLiteral("サウンドサーバーにつながりません")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.before) c.before(server);
    sound::AudioIn in(std::chrono::steady_clock::now());
    QString error;
    EXPECT_FALSE(in.Open(c.source, c.rate, &error));
    EXPECT_FALSE(in.IsOpen());
    EXPECT_FALSE(in.Lost());
    const QString name = c.source.isEmpty() ? QStringLiteral("既定の入力") : c.source;
    EXPECT_EQ(error, QStringLiteral("録音の入力（%1）を開けません: %2").arg(name, c.reason));
    // Nor can anything be listed; the list ends without waiting for an answer for ever.
    if (c.before) {
      EXPECT_TRUE(sound::CaptureSources().empty());
      EXPECT_TRUE(sound::DefaultCaptureSource().isEmpty());
    }
  }
}

// While a tone plays into a second null sink and its monitor's samples flow: the source is
// removed, the server ends, or the stream is closed.
TEST(AudioIn, IsLostWhenItsSourceOrTheServerGoesAwayAndIsSilentOnceClosed) {
  enum class Event { kSourceRemoved, kServerEnds, kClosed };
  const std::pair<Event, const char*> events[] = {{Event::kSourceRemoved, "the source is removed"},
                                                  {Event::kServerEnds, "the server ends"},
                                                  {Event::kClosed, "the stream is closed"}};
  for (const auto& [event, what] : events) {
    SCOPED_TRACE(what);
    PulseServer server;
    if (!server.running() || !PulseServer::Has(QStringLiteral("paplay"))) {
      GTEST_SKIP() << "no PulseAudio server could be started, or no paplay";
    }
    QByteArray module;
    ASSERT_EQ(server.Run(QStringLiteral("pactl"),
                         {QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                          QStringLiteral("sink_name=gone")},
                         10000, &module),
              0);
    QTemporaryDir folder;
    QFile wav(folder.filePath(QStringLiteral("tone.wav")));
    ASSERT_TRUE(wav.open(QIODevice::WriteOnly));
    wav.write(SineWav(440, 44100, 0, 44100 * 10, 0.5));
    wav.close();
    sound::AudioIn in(std::chrono::steady_clock::now());
    Heard heard;
    heard.Listen(in);
    QString error;
    ASSERT_TRUE(in.Open(QStringLiteral("gone.monitor"), kRate, &error)) << error.toStdString();
    QProcess play;
    play.start(QStandardPaths::findExecutable(QStringLiteral("paplay")),
               {QStringLiteral("-d"), QStringLiteral("gone"), wav.fileName()});
    ASSERT_TRUE(Eventually([&] { return heard.count() > kRate / 10; }));
    EXPECT_FALSE(in.Lost());
    switch (event) {
      case Event::kSourceRemoved:
        ASSERT_EQ(server.Run(QStringLiteral("pactl"), {QStringLiteral("unload-module"),
                                                       QString::fromUtf8(module.trimmed())}),
                  0);
        break;
      case Event::kServerEnds:
        server.Kill();
        break;
      case Event::kClosed:
        in.Close();
        break;
    }
    if (event == Event::kClosed) {
      const std::size_t closed = heard.count();
      QThread::msleep(100);
      EXPECT_EQ(heard.count(), closed);
      EXPECT_FALSE(in.Lost());
    } else {
      EXPECT_TRUE(Eventually([&] { return in.Lost(); }));
    }
    in.Close();
    EXPECT_FALSE(in.IsOpen());
    play.kill();
    play.waitForFinished(5000);
  }
}
