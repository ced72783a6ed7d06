// Sound from a real sound server: a private PulseAudio server whose null sink's monitor is
// recorded while paplay plays a tone into the sink. The tone arrives whole at the rate asked
// for, the blocks' stamps run on with the samples, what cannot be opened is refused without
// hanging, a source or a server that goes away leaves the stream lost, and a closed stream
// delivers nothing more.
#include "sound/audio_in.h"

#include <gtest/gtest.h>

#include <QDataStream>
#include <QFile>
#include <QProcess>
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

// What the stream delivered, gathered on its thread: the samples, and each block's first
// sample with its stamp.
struct Heard {
  explicit Heard(sound::AudioIn& in) {
    in.onSamples = [this](const float* s, int count, double firstMs) {
      std::lock_guard lock(mutex);
      blocks.emplace_back(samples.size(), firstMs);
      samples.insert(samples.end(), s, s + count);
    };
  }
  std::size_t count() {
    std::lock_guard lock(mutex);
    return samples.size();
  }
  std::mutex mutex;
  std::vector<float> samples;
  std::vector<std::pair<std::size_t, double>> blocks;
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

// A 16-bit mono WAV file at 44.1 kHz: `frames` of A 440 at half the full scale, with
// `silence` frames of silence each side.
QString WriteTone(const QTemporaryDir& folder, int silence, int frames) {
  QFile file(folder.filePath(QStringLiteral("tone.wav")));
  if (!file.open(QIODevice::WriteOnly)) return {};
  QDataStream out(&file);
  out.setByteOrder(QDataStream::LittleEndian);
  const auto bytes = static_cast<quint32>(2 * (frames + 2 * silence));
  out.writeRawData("RIFF", 4);
  out << quint32{36 + bytes};
  out.writeRawData("WAVEfmt ", 8);
  out << quint32{16} << quint16{1} << quint16{1} << quint32{44100} << quint32{88200} << quint16{2}
      << quint16{16};
  out.writeRawData("data", 4);
  out << bytes;
  for (int i = -silence; i < frames + silence; ++i) {
    const double x = i < 0 || i >= frames ? 0 : std::sin(2 * std::numbers::pi * 440 * i / 44100);
    out << static_cast<qint16>(std::lround(16383 * x));
  }
  return out.status() == QDataStream::Ok ? file.fileName() : QString();
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

  // One second of tone between 0.3 s of silence, played at 44.1 kHz and recorded at 48 kHz.
  QTemporaryDir folder;
  const QString tone = WriteTone(folder, 13230, 44100);
  ASSERT_FALSE(tone.isEmpty());
  sound::AudioIn in(std::chrono::steady_clock::now());
  Heard heard(in);
  QString error;
  ASSERT_TRUE(in.Open(QStringLiteral("null.monitor"), kRate, &error)) << error.toStdString();
  EXPECT_EQ(in.Rate(), kRate);
  ASSERT_EQ(
      server.Run(QStringLiteral("paplay"), {QStringLiteral("-d"), QStringLiteral("null"), tone}),
      0);
  // paplay ends once the sink has played it all, which the monitor passes on at once.
  ASSERT_TRUE(Eventually([&] { return heard.count() >= kRate * 16 / 10; }));
  const double latencyMs = in.LatencyMs();
  in.Close();
  EXPECT_GE(latencyMs, 0);
  EXPECT_LT(latencyMs, 500);

  // The tone: one second long at the rate asked for, loud, at 440 Hz, silence each side.
  const std::vector<float>& s = heard.samples;
  const auto loud = [](float x) { return std::abs(x) > 0.05f; };
  const auto onset = static_cast<std::size_t>(std::find_if(s.begin(), s.end(), loud) - s.begin());
  const auto end =
      s.size() - static_cast<std::size_t>(std::find_if(s.rbegin(), s.rend(), loud) - s.rbegin());
  const std::size_t quarter = kRate / 4;
  ASSERT_GE(onset, quarter) << "no tone heard, or no silence before it";
  ASSERT_GE(s.size(), end + quarter);
  const auto rms = [&s](std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) sum += double{s[i]} * s[i];
    return std::sqrt(sum / static_cast<double>(to - from));
  };
  const double seconds = static_cast<double>(end - onset) / kRate;
  EXPECT_NEAR(seconds, 1.0, 0.02);
  EXPECT_GT(rms(onset, end), 0.3);  // 0.5 / sqrt(2)
  EXPECT_LT(rms(onset - quarter, onset), 0.001);
  EXPECT_LT(rms(end, end + quarter), 0.001);
  int rises = 0;
  for (std::size_t i = onset + 1; i < end; ++i) rises += s[i - 1] < 0 && s[i] >= 0;
  EXPECT_NEAR(rises / seconds, 440, 3);

  // The stamps rise block by block, as far as the samples between them last.
  const auto& blocks = heard.blocks;
  for (std::size_t i = 1; i < blocks.size(); ++i) {
    ASSERT_GT(blocks[i].second, blocks[i - 1].second) << "block " << i;
  }
  const double samplesMs = 1000.0 * static_cast<double>(blocks.back().first) / kRate;
  EXPECT_NEAR(blocks.back().second - blocks.front().second, samplesMs, 30 + samplesMs * 0.02);
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
    const QString name = c.source.isEmpty() ? QStringLiteral("既定の入力") : c.source;
    EXPECT_EQ(error, QStringLiteral("録音の入力（%1）を開けません: %2").arg(name, c.reason));
    // Nor can anything be listed; the list ends without waiting for an answer for ever.
    if (c.before) {
      EXPECT_TRUE(sound::CaptureSources().empty());
      EXPECT_TRUE(sound::DefaultCaptureSource().isEmpty());
    }
  }
}

// While a tone plays into a second null sink and its monitor's samples flow.
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
    const QString tone = WriteTone(folder, 0, 44100 * 10);
    sound::AudioIn in(std::chrono::steady_clock::now());
    Heard heard(in);
    QString error;
    ASSERT_TRUE(in.Open(QStringLiteral("gone.monitor"), kRate, &error)) << error.toStdString();
    QProcess play;
    play.start(QStandardPaths::findExecutable(QStringLiteral("paplay")),
               {QStringLiteral("-d"), QStringLiteral("gone"), tone});
    ASSERT_TRUE(Eventually([&] { return heard.count() > kRate / 10; }));
    EXPECT_FALSE(in.Lost());
    if (event == Event::kSourceRemoved) {
      ASSERT_EQ(server.Run(QStringLiteral("pactl"),
                           {QStringLiteral("unload-module"), QString::fromUtf8(module.trimmed())}),
                0);
    } else if (event == Event::kServerEnds) {
      server.Kill();
    } else {
      in.Close();
      const std::size_t closed = heard.count();
      QThread::msleep(100);
      EXPECT_EQ(heard.count(), closed);
    }
    EXPECT_TRUE(Eventually([&] { return in.Lost() == (event != Event::kClosed); }));
    in.Close();
    EXPECT_FALSE(in.IsOpen());
    play.kill();
    play.waitForFinished(5000);
  }
}
