// The ear on a real sound server: a private PulseAudio whose null sink's monitor is the
// microphone, a take played into it with paplay as another program would. The notes come
// out as a keyboard's would: on and off, in order, a note's length apart.
#include "sound/ear.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <chrono>
#include <mutex>
#include <vector>

#include "tests/sound/pulse_server.h"
#include "tests/sound/takes.h"

TEST(Ear, HearsATakePlayedIntoTheSoundServer) {
  PulseServer server;
  if (!server.running() || !PulseServer::Has(QStringLiteral("paplay"))) {
    GTEST_SKIP() << "no PulseAudio server or paplay";
  }
  QTemporaryDir dir;
  QFile file(dir.filePath(QStringLiteral("take.wav")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  std::vector<takes::Note> notes;
  for (const int pitch : {60, 64, 67, 70}) {
    notes.push_back({300 + 350.0 * static_cast<double>(notes.size()), 300, pitch});
  }
  file.write(takes::Wav(notes));
  file.close();

  sound::Ear ear(std::chrono::steady_clock::now());
  std::mutex lock;
  std::vector<sound::EarNote> heard;
  ear.onNote = [&](const sound::EarNote& n) {
    std::lock_guard<std::mutex> hold(lock);
    heard.push_back(n);
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
      if (heard.size() >= 8) break;
    }
    QThread::msleep(20);
  }
  ear.Close();
  std::lock_guard<std::mutex> hold(lock);
  ASSERT_EQ(heard.size(), 8u);
  const int pitches[] = {60, 64, 67, 70};
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const sound::EarNote& on = heard[2 * i];
    const sound::EarNote& off = heard[2 * i + 1];
    EXPECT_TRUE(on.on);
    EXPECT_FALSE(off.on);
    EXPECT_EQ(on.note, pitches[i]);
    EXPECT_EQ(off.note, pitches[i]);
    // The times come from the samples: a note's length and the notes' distance as played.
    EXPECT_NEAR(off.ms - on.ms, 300, 30);
    if (i > 0) {
      EXPECT_NEAR(on.ms - heard[2 * i - 2].ms, 350, 30);
    }
  }
}
