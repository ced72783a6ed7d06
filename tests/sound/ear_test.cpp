// The ear on a real sound server: a private PulseAudio whose null sink's monitor is the
// microphone, a take played into it with paplay as another program would. The notes come
// out as a keyboard's would: on and off, in order, a note's length apart.
#include "sound/ear.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <chrono>
#include <cmath>
#include <mutex>
#include <vector>

#include "tests/sound/pulse_server.h"

namespace {

// A 16-bit mono WAV file of horn-like tones, 300 ms each and 350 ms apart, after 300 ms of
// silence.
QByteArray Take(const std::vector<int>& pitches) {
  constexpr int kRate = 44100;
  QByteArray samples;
  const int total = kRate * (30 + 35 * static_cast<int>(pitches.size())) / 100;
  for (int i = 0; i < total; ++i) {
    const double t = static_cast<double>(i) / kRate - 0.3;
    const int note = t < 0 ? -1 : static_cast<int>(t / 0.35);
    double value = 0;
    if (note >= 0 && note < static_cast<int>(pitches.size())) {
      const double in = t - note * 0.35;
      const double hz =
          440.0 * std::pow(2.0, (pitches[static_cast<std::size_t>(note)] - 69) / 12.0);
      const double envelope = std::clamp(std::min(in / 0.015, (0.3 - in) / 0.015), 0.0, 1.0);
      for (int h = 1; h <= 5; ++h) value += envelope * std::sin(2 * M_PI * h * hz * in) / h;
    }
    const auto sample = static_cast<qint16>(std::lround(8000 * value));
    samples.append(static_cast<char>(sample & 0xFF)).append(static_cast<char>(sample >> 8));
  }
  const auto le = [](quint32 v, int bytes) {
    QByteArray out;
    for (int b = 0; b < bytes; ++b) out.append(static_cast<char>(v >> (8 * b)));
    return out;
  };
  return "RIFF" + le(36 + samples.size(), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) +
         le(kRate, 4) + le(kRate * 2, 4) + le(2, 2) + le(16, 2) + "data" + le(samples.size(), 4) +
         samples;
}

}  // namespace

TEST(Ear, HearsATakePlayedIntoTheSoundServer) {
  PulseServer server;
  if (!server.running() || !PulseServer::Has(QStringLiteral("paplay"))) {
    GTEST_SKIP() << "no PulseAudio server or paplay";
  }
  QTemporaryDir dir;
  QFile file(dir.filePath(QStringLiteral("take.wav")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(Take({60, 64, 67, 70}));
  file.close();

  sound::Ear ear(std::chrono::steady_clock::now());
  std::mutex lock;
  std::vector<sound::EarNote> notes;
  ear.onNote = [&](const sound::EarNote& n) {
    std::lock_guard<std::mutex> hold(lock);
    notes.push_back(n);
  };
  QString error;
  ASSERT_TRUE(ear.Open(QStringLiteral("null.monitor"), &error)) << error.toStdString();
  ASSERT_EQ(server.Run(QStringLiteral("paplay"),
                       {QStringLiteral("-d"), QStringLiteral("null"), file.fileName()}),
            0);
  // What is still in the buffers and the analysis arrives shortly after the take ends.
  for (int i = 0; i < 100; ++i) {
    {
      std::lock_guard<std::mutex> hold(lock);
      if (notes.size() >= 8) break;
    }
    QThread::msleep(20);
  }
  ear.Close();
  std::lock_guard<std::mutex> hold(lock);
  ASSERT_EQ(notes.size(), 8u);
  const int pitches[] = {60, 64, 67, 70};
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const sound::EarNote& on = notes[2 * i];
    const sound::EarNote& off = notes[2 * i + 1];
    EXPECT_TRUE(on.on);
    EXPECT_FALSE(off.on);
    EXPECT_EQ(on.note, pitches[i]);
    EXPECT_EQ(off.note, pitches[i]);
    // The times come from the samples: a note's length and the notes' distance as played.
    EXPECT_NEAR(off.ms - on.ms, 300, 30);
    if (i > 0) {
      EXPECT_NEAR(on.ms - notes[2 * i - 2].ms, 350, 30);
    }
  }
}
