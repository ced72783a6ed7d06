// Listen mode through a microphone on a real sound server: a private PulseAudio whose null
// sink's monitor is the program's input, a horn's take played into the sink with paplay as
// another program would. The take opens with a high probe note; the C major scale follows a
// second later, on time but for one note a semitone off, one left out and one 80 ms late.
// The window judges what the ear heard.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <chrono>
#include <mutex>

#include "sound/ear.h"
#include "tests/app/main_window_fixture.h"
#include "tests/sound/pulse_server.h"
#include "tests/sound/takes.h"

TEST_F(MainWindow, APassPlayedIntoTheMicrophoneIsJudgedByTheWindow) {
  PulseServer server;
  if (!server.running() || !PulseServer::Has(QStringLiteral("paplay"))) {
    GTEST_SKIP() << "no PulseAudio server or paplay";
  }
  ChooseTheCMajorScale();
  cfg.PitchBase = 48;  // the scale from C3, a tenor saxophone's or a trombone's
  frmMain& w = Start();
  w.SetListen({.on = true});
  const Phrase& ph = w.engine().phrase();
  ASSERT_EQ(ph.NoteCount, 8);

  // The probe (C7) at 300 ms; the scale from 1300 ms, an eighth (250 ms) apart at 120 bpm,
  // each note tongued (160 ms long, the late one too).
  constexpr double kProbeMs = 300, kScaleMs = 1300;
  std::vector<takes::Note> take = {{kProbeMs, 150, 96}};
  for (int i = 0; i < 8; ++i) {
    if (i == 6) continue;
    const double late = i == 2 ? 80 : 0;
    take.push_back({kScaleMs + 250.0 * i + late, 160, ph.NotePitch[i] + 48 + (i == 4 ? 1 : 0)});
  }
  QTemporaryDir dir;
  QFile file(dir.filePath(QStringLiteral("take.wav")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(takes::Wav(take));
  file.close();

  sound::Ear ear(std::chrono::steady_clock::now());
  w.AttachEar(ear);
  // The probe's stamp tells where the take lies on the program's clock.
  std::mutex lock;
  double probeMs = -1;
  const auto toWindow = ear.onNote;
  ear.onNote = [&, toWindow](const sound::EarNote& n) {
    if (n.on && n.note == 96) {
      std::lock_guard<std::mutex> hold(lock);
      probeMs = n.ms;
    }
    toWindow(n);
  };
  QString error;
  ASSERT_TRUE(ear.Open(QStringLiteral("null.monitor"), &error)) << error.toStdString();
  QProcess player;
  player.start(QStandardPaths::findExecutable(QStringLiteral("paplay")),
               {QStringLiteral("-d"), QStringLiteral("null"), file.fileName()});
  ASSERT_TRUE(player.waitForStarted(5000));
  const auto probeHeard = [&] {
    std::lock_guard<std::mutex> hold(lock);
    return probeMs >= 0;
  };
  // paplay fills the server's buffer before the sink plays: a second or two.
  for (int i = 0; i < 1000 && !probeHeard(); ++i) {
    QCoreApplication::processEvents();
    QThread::msleep(5);
  }
  ASSERT_TRUE(probeHeard()) << "the probe was not heard";
  w.StartListening(probeMs + (kScaleMs - kProbeMs));
  // The take ends; what the ear still holds comes in within half a second.
  while (player.state() != QProcess::NotRunning) {
    QCoreApplication::processEvents();
    player.waitForFinished(10);
  }
  for (int i = 0; i < 100; ++i) {
    QCoreApplication::processEvents();
    QThread::msleep(5);
  }
  w.ScorePass();
  ear.Close();
  ASSERT_TRUE(w.LastScore().has_value());
  const listen::Result& r = *w.LastScore();
  EXPECT_EQ(VerdictLetters(r), "hhhhwhmh");
  EXPECT_EQ(r.summary.extra, 0);
  // Timing from the samples, relative to the probe: the late note about 80 ms late, the
  // others about on time (the worst printed).
  double worst = 0;
  for (const auto& n : r.notes) {
    if (!n.timingMs) continue;
    const double meant = n.expected.index == 2 ? 80 : 0;
    EXPECT_NEAR(*n.timingMs, meant, 30) << "note " << n.expected.index;
    worst = std::max(worst, std::abs(*n.timingMs - meant));
  }
  std::fprintf(stderr, "Microphone timing: worst %.1f ms from what was played\n", worst);
}

// The sound server goes away while the microphone is listened to: said once, and the window
// goes on.
TEST_F(MainWindow, AMicrophoneThatGoesAwayIsSaidOnce) {
  PulseServer server;
  if (!server.running()) GTEST_SKIP() << "no PulseAudio server";
  frmMain& w = Start();
  sound::Ear ear(std::chrono::steady_clock::now());
  w.AttachEar(ear);
  QString error;
  ASSERT_TRUE(ear.Open(QStringLiteral("null.monitor"), &error)) << error.toStdString();
  server.Kill();
  const QString gone = QStringLiteral("マイク入力（null.monitor）が使えなくなりました。");
  for (int i = 0; i < 500 && !messages.contains(gone); ++i) {
    QCoreApplication::processEvents();
    QThread::msleep(10);
  }
  ASSERT_TRUE(messages.contains(gone)) << messages.join(u'|').toStdString();
  QTest::qWait(2500);  // the window looks once a second
  EXPECT_EQ(messages.count(gone), 1);
  EXPECT_FALSE(ear.IsOpen());
}
