// The MIDI input through a real MIDI connection: a private JACK server (dummy backend), a
// test client of our own playing into the program's virtual port "VORMINA", and the window
// sounding the notes on the melody channel and showing them on the keyboard while held.
#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <chrono>
#include <functional>
#include <mutex>

#include "sound/midi_in.h"
#include "tests/app/main_window_fixture.h"
#include "tests/sound/jack_server.h"

namespace {

// Lets the window's thread run until done() or ms have passed.
bool Until(const std::function<bool()>& done, int ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    QCoreApplication::processEvents();
    QThread::msleep(5);
  }
  return done();
}

// Connects the test's own player to the program's virtual port "VORMINA".
bool ConnectToVormina(RtMidiOut& player) {
  for (unsigned int i = 0; i < player.getPortCount(); ++i) {
    if (QString::fromStdString(player.getPortName(i)).startsWith(QLatin1String("VORMINA"))) {
      player.openPort(i);
      return true;
    }
  }
  return false;
}

int NoteOns(const sound::CaptureMidiOut& out, int channel, int note, bool on) {
  int n = 0;
  for (const auto& [ms, m] : out.messages) {
    if (m.kind() == sound::ShortMessage::kNoteOn && m.channel() == channel && m.data1() == note &&
        m.IsNoteOff() != on) {
      ++n;
    }
  }
  return n;
}

TEST_F(MainWindow, NotesPlayedIntoTheVirtualPortSoundAndShowWhileHeld) {
  JackServer jack;
  ASSERT_TRUE(jack.running()) << jack.log().toStdString();
  cfg.PitchBase = 36;
  cfg.PitchAdjust = 0;
  cfg.ShowKeyboard = -1;
  frmMain& w = Start();
  const auto epoch = std::chrono::steady_clock::now();
  sound::MidiIn input(epoch);
  ASSERT_TRUE(input.Open(QString()));
  EXPECT_TRUE(input.VirtualOpen());
  input.SetLatencyMs(3);
  std::vector<sound::InputNote> seen;
  w.AttachMidiInput(input);
  const auto toWindow = input.onNote;
  std::mutex lock;
  input.onNote = [&](const sound::InputNote& n) {
    {
      const std::lock_guard<std::mutex> guard(lock);
      seen.push_back(n);
    }
    toWindow(n);
  };

  // The test's own program connects to "VORMINA" and plays middle C (MIDI 60).
  RtMidiOut player(RtMidi::UNIX_JACK, "player");
  ASSERT_TRUE(ConnectToVormina(player)) << "the virtual port is not listed";
  const std::vector<unsigned char> on = {0x90, 60, 100};
  const auto before = std::chrono::steady_clock::now();
  // The connection is made at one of the server's next cycles: sent until it arrives.
  ASSERT_TRUE(Until(
      [&] {
        player.sendMessage(&on);
        QThread::msleep(20);
        return NoteOns(midiOut, midi1::kMelodyChannel, 60, true) > 0;
      },
      5000));
  // Sounded at the pitch played (program pitch 24, keyboard position 20), shown in the
  // key-hit colour.
  const int position = KB_Treat::PositionOfPitch(60 - cfg.PitchBase);
  const auto& key = w.keyboard().KeyRect[position];
  const float x = (key.left + key.right) / 2;
  const float y = key.bottom + (key.top - key.bottom) * 0.2f;
  const draw::Surface& surface = w.surface();
  EXPECT_EQ(surface.Point(x, y), draw::Rgb(255, 0, 0));
  {
    const std::lock_guard<std::mutex> guard(lock);
    ASSERT_FALSE(seen.empty());
    // Stamped on the program's clock, less the input latency.
    const double sent = std::chrono::duration<double, std::milli>(before - epoch).count();
    EXPECT_GE(seen.front().ms, sent - 3 - 1);
    EXPECT_EQ(seen.front().velocity, 100);
  }
  // Released: the note ends and the key is plain again.
  const std::vector<unsigned char> off = {0x80, 60, 0};
  const double sentOff =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - epoch).count();
  player.sendMessage(&off);
  ASSERT_TRUE(Until([&] { return NoteOns(midiOut, midi1::kMelodyChannel, 60, false) > 0; }, 3000));
  {
    // How long JACK took to carry the note (one of the server's cycles): for the record.
    const std::lock_guard<std::mutex> guard(lock);
    ASSERT_GE(seen.size(), 2u);
    RecordProperty("jack_input_delay_ms", std::to_string(seen.back().ms + 3 - sentOff));
  }
  EXPECT_NE(surface.Point(x, y), draw::Rgb(255, 0, 0));
  input.Close();
}

}  // namespace

namespace {

// Listen mode in the window: a pass of the C major scale played along, 10 ms late, with one
// wrong note, one left out and one extra; the window's judgement, and the marks it shows.
TEST_F(MainWindow, ListenModeJudgesAPassPlayedAlong) {
  ChooseTheCMajorScale();
  frmMain& w = Start();
  w.SetListen({.on = true});
  EXPECT_TRUE(w.ui.mnu_settei_listen->isChecked());
  const Phrase& ph = w.engine().phrase();
  ASSERT_EQ(ph.NoteCount, 8);
  // At 120 bpm an eighth is 250 ms.
  const double eighth = 250;
  w.practiceLogPath = dir.filePath(QStringLiteral("log/practice.jsonl"));
  w.StartListening(1000);
  for (int i = 0; i < 8; ++i) {
    if (i == 6) continue;
    const int pitch = ph.NotePitch[i] + cfg.PitchBase + (i == 3 ? 1 : 0);
    w.PlayedNote(pitch, 100, 1000 + eighth * i + 10);
    w.PlayedNote(pitch, 0, 1000 + eighth * i + 100);
  }
  w.PlayedNote(80, 100, 1000 + eighth * 4 + 120);  // a stray note
  w.ScorePass();
  ASSERT_TRUE(w.LastScore().has_value());
  const listen::Result& r = *w.LastScore();
  ASSERT_EQ(r.notes.size(), 8u);
  std::string verdicts;
  for (const auto& n : r.notes) {
    verdicts += n.verdict == listen::Verdict::kHit     ? 'h'
                : n.verdict == listen::Verdict::kWrong ? 'w'
                                                       : 'm';
    if (n.timingMs) {
      EXPECT_DOUBLE_EQ(*n.timingMs, 10);
    }
  }
  EXPECT_EQ(verdicts, "hhhwhhmh");
  EXPECT_EQ(r.summary.extra, 1);
  ASSERT_EQ(r.extra.size(), 1u);
  EXPECT_EQ(r.extra[0].pitch, 80);
  // The score line above the staff, and a mark under each note.
  std::vector<draw::Surface::TextCall> texts;
  w.surface().textLog = &texts;
  w.SetListen({.on = true});  // redraws the views
  w.surface().textLog = nullptr;
  int hits = 0, wrong = 0, missed = 0;
  bool line = false;
  for (const auto& t : texts) {
    line = line || t.text == QStringLiteral("音違い 1　抜け 1　余分 1");
    hits += t.text == QStringLiteral("○");
    wrong += t.text == QStringLiteral("×");
    missed += t.text == QStringLiteral("－");
  }
  EXPECT_TRUE(line);
  EXPECT_EQ(hits, 6);
  EXPECT_EQ(wrong, 1);
  EXPECT_EQ(missed, 1);
  // The pass is in the practice log, and in the twelve keys' scores.
  QFile log(w.practiceLogPath);
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = log.readAll().split('\n');
  ASSERT_EQ(lines.size(), 2);  // one line and the end
  const QJsonObject entry = QJsonDocument::fromJson(lines[0]).object();
  EXPECT_EQ(entry["key"].toString(), QStringLiteral("C"));
  EXPECT_EQ(entry["tempo"].toInt(), cfg.Tempo);
  EXPECT_EQ(entry["hit"].toInt(), 6);
  EXPECT_EQ(entry["notes"].toInt(), 8);
  EXPECT_FALSE(entry["item"].toString().isEmpty());
  ASSERT_TRUE(w.KeyScores()[0].has_value());
  EXPECT_EQ(w.KeyScores()[0]->hit, 6);
  // A pass in F with nothing played: every note missed, F's row filled, C's kept.
  cfg.Root = 5;
  w.StartListening(5000);
  w.ScorePass();
  ASSERT_TRUE(w.KeyScores()[5].has_value());
  EXPECT_EQ(w.KeyScores()[5]->missed, 8);
  EXPECT_EQ(w.KeyScores()[0]->hit, 6);

  // Off: nothing is judged or shown.
  w.SetListen({});
  EXPECT_FALSE(w.LastScore().has_value());
}

}  // namespace

namespace {

// Listen mode through a real MIDI connection: a test client plays the C major scale into the
// virtual port "VORMINA" through a private JACK server, on time but for one note a
// semitone off, one left out and one played 80 ms late; the window judges what came in.
TEST_F(MainWindow, APerformancePlayedThroughJackIsJudgedByTheWindow) {
  JackServer jack;
  ASSERT_TRUE(jack.running()) << jack.log().toStdString();
  ChooseTheCMajorScale();
  frmMain& w = Start();
  w.SetListen({.on = true});
  const auto epoch = std::chrono::steady_clock::now();
  sound::MidiIn input(epoch);
  ASSERT_TRUE(input.Open(QString()));
  w.AttachMidiInput(input);
  // The stamp each note-on came in with, as the input gives it to the window.
  std::mutex stamped;
  std::vector<sound::InputNote> stamps;
  const auto toWindow = input.onNote;
  input.onNote = [&, toWindow](const sound::InputNote& n) {
    if (n.velocity > 0) {
      const std::lock_guard<std::mutex> lock(stamped);
      stamps.push_back(n);
    }
    toWindow(n);
  };

  RtMidiOut player(RtMidi::UNIX_JACK, "player");
  ASSERT_TRUE(ConnectToVormina(player)) << "the virtual port is not listed";
  // The connection is made at one of the server's next cycles: a note that is not listened
  // to is sent until it arrives.
  const std::vector<unsigned char> probe = {0x90, 100, 1};
  const std::vector<unsigned char> probeOff = {0x80, 100, 0};
  ASSERT_TRUE(Until(
      [&] {
        player.sendMessage(&probe);
        player.sendMessage(&probeOff);
        QThread::msleep(20);
        return NoteOns(midiOut, midi1::kMelodyChannel, 100, true) > 0;
      },
      5000));

  const Phrase& ph = w.engine().phrase();
  ASSERT_EQ(ph.NoteCount, 8);
  const auto start = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
  w.StartListening(std::chrono::duration<double, std::milli>(start - epoch).count());
  // At 120 bpm an eighth is 250 ms.
  const double eighth = 250;
  for (int i = 0; i < 8; ++i) {
    if (i == 6) continue;
    const double late = i == 2 ? 80 : 0;
    const unsigned char note =
        static_cast<unsigned char>(ph.NotePitch[i] + cfg.PitchBase + (i == 4 ? 1 : 0));
    const auto at = start + std::chrono::microseconds(static_cast<int>((eighth * i + late) * 1000));
    while (std::chrono::steady_clock::now() < at) {
      QCoreApplication::processEvents();
      QThread::usleep(500);
    }
    const std::vector<unsigned char> on = {0x90, note, 90};
    const std::vector<unsigned char> off = {0x80, note, 0};
    player.sendMessage(&on);
    QThread::msleep(30);
    player.sendMessage(&off);
  }
  // Every note in before the pass is judged.
  Until([&] { return NoteOns(midiOut, midi1::kMelodyChannel, ph.NotePitch[7] + 36, false) > 0; },
        2000);
  w.ScorePass();
  input.Close();
  ASSERT_TRUE(w.LastScore().has_value());
  const listen::Result& r = *w.LastScore();
  EXPECT_EQ(VerdictLetters(r), "hhhhwhmh");
  EXPECT_EQ(r.summary.extra, 0);
  // Each played note is judged at the time the input stamped it on arrival, whatever the
  // window was doing then: its timing is its stamp from the pass's start. (How far a stamp
  // lies from when the note was sent is JACK's period and the machine's load: measured, not
  // asserted.)
  const double startMs = std::chrono::duration<double, std::milli>(start - epoch).count();
  const std::lock_guard<std::mutex> lock(stamped);
  double worst = 0;
  for (const auto& n : r.notes) {
    if (!n.played) continue;
    const auto stamp = std::find_if(stamps.begin(), stamps.end(), [&](const sound::InputNote& s) {
      return s.note == n.played->pitch && std::abs(s.ms - startMs - n.played->ms) < 1e-6;
    });
    EXPECT_NE(stamp, stamps.end()) << "note " << n.expected.index;
    const double meant = n.expected.index == 2 ? 80 : 0;
    worst = std::max(worst, std::abs(*n.timingMs - meant));
  }
  RecordProperty("jack_worst_timing_error_ms", std::to_string(worst));
  std::fprintf(stderr, "JACK timing: worst %.1f ms from what was played\n", worst);
}

}  // namespace
