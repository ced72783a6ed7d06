// Listen mode in the window, played through the sequencer on the virtual clock: the player's
// notes come in while the pass (along) or the answer's count after it (answer) runs, and the
// window judges them, colours the note heads as they are judged and counts on with the click.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <functional>
#include <map>

#include "dialogs/practice_log_window.h"
#include "engine/practice_log.h"
#include "tests/app/main_window_fixture.h"
#include "theory/MusicMethod_Treat.h"

namespace {

constexpr draw::Colour kOnTime = draw::Rgb(0, 150, 0);
constexpr draw::Colour kOffTime = draw::Rgb(230, 130, 0);
constexpr draw::Colour kWrong = draw::Rgb(220, 0, 0);
constexpr draw::Colour kMissed = draw::Rgb(150, 150, 150);

// A note of the performance: how far from its time it is played (nothing: left out) and
// how far from its pitch.
struct Played {
  std::optional<double> offsetMs;
  int semitones = 0;
};

class ListenWindow : public MainWindow, public ::testing::WithParamInterface<listen::Mode> {
 protected:
  void SetUp() override {
    MainWindow::SetUp();
    ChooseTheCMajorScale();
    cfg.ClickOn = 0;  // the only clicks are the answer's
    cfg.CountInOn = 0;
    cfg.RepeatOn = 0;
  }

  // Plays one pass with listen mode in mode, the performance fed in while the clock runs
  // (each note at its exact time, as the MIDI input stamps it).
  void PlayWith(frmMain& w, const std::vector<Played>& performance, int toleranceMs) {
    w.SetListen({.on = true, .mode = GetParam(), .toleranceMs = toleranceMs});
    const Phrase& ph = w.engine().phrase();
    clock.Advance(10000);  // each pass at a time of its own
    const std::int64_t start = clock.NowMs();
    // At 120 bpm an eighth is 250 ms, the pass 2000 ms.
    const double listenFrom = GetParam() == listen::Mode::kAnswer ? start + 2000.0 : start;
    std::size_t next = 0;
    clock.whileWaiting = [&, listenFrom](kihon::VirtualClock& c) {
      for (; next < performance.size(); ++next) {
        const Played& p = performance[next];
        const double at = listenFrom + 250.0 * static_cast<double>(next) + p.offsetMs.value_or(0);
        // What is played during this wait.
        if (at > static_cast<double>(c.Deadline())) break;
        if (!p.offsetMs) continue;
        const int note = ph.NotePitch[next] + cfg.PitchBase + p.semitones;
        w.PlayedNote(note, 100, at);
        w.PlayedNote(note, 0, at + 100);
      }
      // What the staff shows once the third note has been played, before the pass ends.
      if (!colourWhilePlaying && c.NowMs() > listenFrom + 3 * 250 &&
          c.NowMs() < listenFrom + 7 * 250) {
        const auto& head = w.score().heads[1];
        colourWhilePlaying = w.surface().Point(head.x, head.y);
      }
    };
    w.PlayOnce();
    clock.whileWaiting = {};
    answerStart = listenFrom;
  }

  draw::Colour HeadColour(frmMain& w, int i) {
    const auto& head = w.score().heads[static_cast<std::size_t>(i)];
    return w.surface().Point(head.x, head.y);
  }

  std::optional<draw::Colour> colourWhilePlaying;
  double answerStart = 0;
};

TEST_P(ListenWindow, JudgesThePlayerAndColoursTheNotesAsTheyAreJudged) {
  frmMain& w = Start();
  ASSERT_EQ(w.engine().phrase().NoteCount, 8);
  // 5 ms late, except the third note (45 ms late: beyond a 30 ms tolerance), the sixth a
  // semitone off and the seventh left out.
  std::vector<Played> performance(8, Played{5.0, 0});
  performance[2].offsetMs = 45;
  performance[5].semitones = 1;
  performance[6].offsetMs.reset();
  midiOut.messages.clear();
  PlayWith(w, performance, 30);

  ASSERT_TRUE(w.LastScore().has_value());
  const listen::Result& r = *w.LastScore();
  std::string verdicts;
  for (const auto& n : r.notes) verdicts += listen::VerdictName(n.verdict).toStdString()[0];
  EXPECT_EQ(verdicts, "hhhhhwmh");
  EXPECT_DOUBLE_EQ(*r.notes[0].timingMs, 5);
  EXPECT_DOUBLE_EQ(*r.notes[2].timingMs, 45);
  // Each head in its verdict's colour; the second was coloured while the pass still ran.
  const std::map<int, draw::Colour> colours = {{0, kOnTime}, {1, kOnTime}, {2, kOffTime},
                                               {5, kWrong},  {6, kMissed}, {7, kOnTime}};
  for (const auto& [i, colour] : colours) EXPECT_EQ(HeadColour(w, i), colour) << "note " << i;
  ASSERT_TRUE(colourWhilePlaying.has_value());
  EXPECT_EQ(*colourWhilePlaying, kOnTime);
  // The answer's count: a click on each of the pass's four beats after it, and nothing
  // else; played along, no click at all (the click is off).
  const int clickNote = w.engine().midi().DrumNoteTable()[cfg.ClickInstrument];
  std::vector<double> clicks;
  for (const auto& [ms, m] : midiOut.messages) {
    if (m.status() == 0x99 && m.data1() == clickNote) clicks.push_back(static_cast<double>(ms));
  }
  if (GetParam() == listen::Mode::kAnswer) {
    ASSERT_EQ(clicks.size(), 4u);
    for (int b = 0; b < 4; ++b) EXPECT_DOUBLE_EQ(clicks[b], answerStart + 500 * b);
  } else {
    EXPECT_TRUE(clicks.empty());
  }
}

TEST_P(ListenWindow, TheToleranceDecidesWhatIsEarlyOrLate) {
  frmMain& w = Start();
  const std::vector<Played> performance(8, Played{-40.0, 0});
  for (const auto& [tolerance, colour] :
       std::vector<std::pair<int, draw::Colour>>{{30, kOffTime}, {50, kOnTime}}) {
    PlayWith(w, performance, tolerance);
    ASSERT_TRUE(w.LastScore().has_value());
    EXPECT_EQ(w.LastScore()->summary.hit, 8);
    for (int i = 0; i < 8; ++i) {
      EXPECT_EQ(HeadColour(w, i), colour) << "tolerance " << tolerance << " note " << i;
    }
  }
}

// The score of a pass and its notes' marks belong to the item and key it played: another
// item, category or key on the staff shows neither; coming back to them shows both again.
TEST_P(ListenWindow, TheScoreStaysWithTheItemAndKeyItJudged) {
  frmMain& w = Start();
  const std::vector<Played> performance(8, Played{0.0, 0});
  const std::vector<std::pair<const char*, std::function<void(frmMain&)>>> changes = {
      {"nothing", [](frmMain&) {}},
      {"another item", [](frmMain& w) { w.ui.Combo1->setCurrentIndex(1); }},
      {"another category", [](frmMain& w) { w.ui.Combo2->setCurrentIndex(1); }},
      {"another key", [](frmMain& w) { w.KeyUp(); }},
      {"another key and back",
       [](frmMain& w) {
         w.KeyUp();
         w.KeyDown();
       }},
  };
  for (const auto& [what, change] : changes) {
    w.ui.Combo2->setCurrentIndex(0);
    w.ui.Combo1->setCurrentIndex(0);
    cfg.Root = 0;
    w.KeyUp();
    w.KeyDown();
    PlayWith(w, performance, 30);
    ASSERT_EQ(w.ListenLines().value(0), QStringLiteral("聴き取り採点（C）")) << what;
    change(w);
    const bool same = std::string(what) == "nothing" || std::string(what) == "another key and back";
    EXPECT_EQ(!w.ListenLines().isEmpty(), same) << what;
    if (same) {
      EXPECT_EQ(w.ListenLines().value(1), QStringLiteral("正解 8 / 8")) << what;
    }
    for (int i = 0; i < 2; ++i) {
      const draw::Colour colour = HeadColour(w, i);
      EXPECT_EQ(colour == kOnTime, same) << what << ", note " << i;
      EXPECT_NE(colour, kMissed) << what << ", note " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, ListenWindow,
                         ::testing::Values(listen::Mode::kAlong, listen::Mode::kAnswer),
                         [](const auto& info) {
                           return info.param == listen::Mode::kAlong ? "Along" : "Answer";
                         });

// A stop in the middle of the pass (along) or of the answer's count (answer): nothing is
// judged or logged, and the count does not go on.
TEST_P(ListenWindow, AStoppedPassOrAnswerIsNotJudged) {
  frmMain& w = Start();
  w.SetListen({.on = true, .mode = GetParam()});
  w.practiceLogPath = dir.filePath(QStringLiteral("practice.jsonl"));
  // The pass lasts 2000 ms, the answer as long again: the stop comes 1000 ms into either.
  const std::int64_t start = clock.NowMs();
  const std::int64_t stopAt = start + (GetParam() == listen::Mode::kAnswer ? 3000 : 1000);
  std::int64_t stoppedAt = -1;
  clock.whileWaiting = [&](kihon::VirtualClock& c) {
    if (stoppedAt < 0 && c.Deadline() >= stopAt) {
      stoppedAt = c.NowMs();
      w.Stop();
    }
  };
  w.PlayOnce();
  clock.whileWaiting = {};
  EXPECT_LE(clock.NowMs(), stopAt);  // the stop came where it was meant to, and ended it
  EXPECT_FALSE(w.LastScore().has_value());
  EXPECT_FALSE(QFile::exists(w.practiceLogPath));
}

TEST_F(MainWindow, AHeldNoteIsRingedOnTheCircleUntilReleased) {
  cfg.ShowDiagram = -1;
  cfg.PitchBase = 36;
  frmMain& w = Start();
  const QPointF e = w.circle().PitchPoint[4];  // E
  const float radius = w.circle().CircleRadius / 7;
  const auto ring = [&] {
    return w.surface().Point(static_cast<float>(e.x()) + radius, static_cast<float>(e.y()));
  };
  const draw::Colour before = ring();
  w.PlayedNote(64, 90);
  EXPECT_EQ(ring(), draw::Rgb(255, 0, 0));
  EXPECT_TRUE(w.circle().playedShown[4]);
  w.PlayedNote(52, 90);  // E an octave lower: one ring for the pitch class
  w.PlayedNote(64, 0);
  EXPECT_TRUE(w.circle().playedShown[4]);
  w.PlayedNote(52, 0);
  EXPECT_FALSE(w.circle().playedShown[4]);
  EXPECT_EQ(ring(), before);
}

// A horn heard through the microphone sounds at concert pitch: a B♭ instrument's concert D
// is its written E, shown so on the circle; judged as sounded; and the program does not
// play it back (it would sound over the player and into the microphone).
TEST_F(MainWindow, ANoteHeardIsShownAsItsPlayerReadsItAndIsNotSounded) {
  cfg.ShowDiagram = -1;
  cfg.PitchBase = 36;
  cfg.PitchAdjust = -2;
  frmMain& w = Start();
  const std::size_t sent = midiOut.messages.size();
  w.ShowHeard(62);
  EXPECT_TRUE(w.circle().playedShown[4]);   // E
  EXPECT_FALSE(w.circle().playedShown[2]);  // not D
  w.ShowHeard(64);                          // slurred on: one note shown at a time
  EXPECT_FALSE(w.circle().playedShown[4]);
  EXPECT_TRUE(w.circle().playedShown[6]);  // F♯
  w.HeardNote(62, true, -1);
  w.HeardNote(62, false, -1);
  w.ShowHeard(-1);
  EXPECT_FALSE(w.circle().playedShown[6]);
  EXPECT_EQ(midiOut.messages.size(), sent);
  // A MIDI keyboard's key is sounded, as before.
  w.PlayedNote(62, 90);
  EXPECT_GT(midiOut.messages.size(), sent);
  w.PlayedNote(62, 0);
}

// The window "練習記録": the log's items, the last practised first, and its days.
TEST_F(MainWindow, ThePracticeLogWindowShowsTheDaysOfTheItemPractisedLast) {
  const QString path = dir.filePath(QStringLiteral("practice.jsonl"));
  const auto entry = [](const char* date, const char* item, const QString& key, int tempo,
                        int hit) {
    practice_log::Entry e;
    e.date = QDateTime::fromString(QString::fromLatin1(date), Qt::ISODate);
    e.item = QString::fromLatin1(item);
    e.key = key;
    e.tempo = tempo;
    e.notes = 8;
    e.summary.hit = hit;
    return e;
  };
  const QString dFlat = MusicMethod_Treat::KeyName(MusicMethod_Treat::Tables(), 1);
  for (const auto& e : {entry("2026-12-01T20:00:00", "Dorian", QStringLiteral("C"), 100, 6),
                        entry("2026-12-01T20:05:00", "Dorian", dFlat, 100, 8),
                        entry("2026-12-03T21:00:00", "Dorian", QStringLiteral("C"), 120, 8),
                        entry("2026-12-04T19:00:00", "Lydian", QStringLiteral("C"), 90, 4)}) {
    ASSERT_TRUE(practice_log::Append(path, e));
  }
  {
    QFile log(path);
    ASSERT_TRUE(log.open(QIODevice::Append));
    log.write("{\"date\": \"2026-12-05T1");  // a line cut short
  }
  PracticeLogWindow window(path);
  ASSERT_EQ(window.ItemChoice->count(), 3);
  EXPECT_EQ(window.ItemChoice->currentText(), QStringLiteral("Lydian"));
  EXPECT_EQ(window.Chart->Days().size(), 1u);
  window.ItemChoice->setCurrentIndex(window.ItemChoice->findText(QStringLiteral("Dorian")));
  const auto& days = window.Chart->Days();
  ASSERT_EQ(days.size(), 2u);
  EXPECT_EQ(days[0].topTempo, 100);
  EXPECT_DOUBLE_EQ(*days[0].percentByKey[0], 75);
  EXPECT_DOUBLE_EQ(*days[0].percentByKey[1], 100);
  EXPECT_DOUBLE_EQ(*days[1].percentByKey[0], 100);
  EXPECT_FALSE(days[1].percentByKey[1].has_value());
  EXPECT_TRUE(window.Note->text().contains(QStringLiteral("読めない行が 1 行")));
  EXPECT_TRUE(window.Chart->accessibleDescription().contains(QStringLiteral("最高テンポ 120")));
  // Painted without a fault, with something drawn besides the white ground.
  const QImage picture = window.Chart->grab().toImage();
  int inked = 0;
  for (int y = 0; y < picture.height(); y += 3) {
    for (int x = 0; x < picture.width(); x += 3)
      inked += picture.pixel(x, y) != qRgb(255, 255, 255);
  }
  EXPECT_GT(inked, 100);
}

}  // namespace
