// Listen mode's session without a window: a C major scale played through the engine's
// sequencer on the virtual clock, the player's notes fed in as the clock passes their
// times, the session listening from the pass's first step and judging at its end.
#include "engine/listen_session.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include "engine/practice_engine.h"

namespace {

// A note of the performance: played (offset from the note's time) or left out, and its
// pitch moved by semitones.
struct Played {
  std::optional<double> offsetMs = 0.0;
  int semitones = 0;
};

// What the sequencer asks of a host that listens: the pass's first step begins listening,
// its end judges.
class ListeningHost final : public Sound_Treat::SequencerHost {
 public:
  ListeningHost(listen::Session& session, practice::OfflineEngine& world, QString dir)
      : session_(session), world_(world), dir_(std::move(dir)) {}
  void PrepareForKey() override {}
  void MakeSound_Bot_show(bool) override {}
  void ShowTempo(int, const QString&) override {}
  void MoveCursor(float, bool first) override {
    if (first) session_.Begin(world_.cfg, dir_, static_cast<double>(world_.waits.WaitReference()));
  }
  void HighlightStep(float, float, const QString&, bool) override {}
  void HighlightStepKey(int) override {}
  void EraseCursor() override {}
  void EndHighlight() override {}
  void EndKeyHighlight() override {}
  void PassEnded() override { judged_ = session_.Judge() != nullptr; }
  bool judged_ = false;

 private:
  listen::Session& session_;
  practice::OfflineEngine& world_;
  QString dir_;
};

class Session : public ::testing::Test {
 protected:
  void SetUp() override {
    QFile scale(dir.filePath(QStringLiteral("scale.txt")));
    ASSERT_TRUE(scale.open(QIODevice::WriteOnly));
    scale.write("Ionian,WWHWWWH\r\n");
    scale.close();
    settings::CfgRecord& cfg = world.cfg;
    cfg.Tempo = 120;
    cfg.CountInOn = 0;
    cfg.RepeatOn = 0;
    cfg.SwingOn = 0;
    cfg.ClickOn = 0;
    cfg.LimitRange = 0;
    cfg.MelodyOn = 1;
    cfg.MelodyVolume = 100;
    cfg.PitchBase = 36;
    ASSERT_EQ(world.engine.LoadCategory(dir.path(), 0, nullptr), 1);
    world.engine.Select(0, 0, 0);
    // The scale's notes as a pass plays them, found apart from the session.
    practice::OfflineEngine probe(cfg);
    probe.engine.LoadCategory(dir.path(), 0, nullptr);
    expected = listen::ExpectedPass(probe, 0, 0, 0);
    ASSERT_EQ(expected.size(), 8u);
  }

  // One pass with the performance fed in while the clock runs; the start of the pass.
  double Play(const std::vector<Played>& performance, const listen::Settings& settings) {
    session.SetSettings(settings);
    ListeningHost host(session, world, dir.path());
    world.engine.SetWindow(&host);
    world.engine.Prepare(false, nullptr, {});
    world.clock.Advance(10000);
    const double start = static_cast<double>(world.clock.NowMs());
    // A note a little before the pass is played before it begins.
    for (std::size_t i = 0; i < performance.size(); ++i) {
      const Played& p = performance[i];
      if (p.offsetMs && expected[i].ms + *p.offsetMs < 0) Note(i, p, start);
    }
    std::size_t next = 0;
    world.clock.whileWaiting = [&](kihon::VirtualClock& c) {
      for (; next < performance.size(); ++next) {
        const Played& p = performance[next];
        const double at = start + expected[next].ms + p.offsetMs.value_or(0);
        if (at > static_cast<double>(c.Deadline())) break;
        if (p.offsetMs && at >= start) Note(next, p, start);
      }
    };
    world.engine.PlayOnce();
    world.clock.whileWaiting = {};
    world.engine.SetWindow(nullptr);
    judged = host.judged_;
    return start;
  }
  void Note(std::size_t i, const Played& p, double start) {
    session.NotePlayed(expected[i].pitch + p.semitones, start + expected[i].ms + *p.offsetMs);
  }
  static std::vector<Played> Exactly() { return std::vector<Played>(8); }

  QTemporaryDir dir;
  practice::OfflineEngine world;
  listen::Session session;
  std::vector<listen::Expected> expected;
  bool judged = false;
};

struct Case {
  const char* name;
  std::function<void(std::vector<Played>&)> play;
  bool octaveFree;
  const char* verdicts;
  const char* marks;  // o on time, t early or late, x wrong, - missed
};

class Performances : public Session, public ::testing::WithParamInterface<Case> {};

TEST_P(Performances, AreJudgedAtThePassEnd) {
  const Case& c = GetParam();
  std::vector<Played> performance = Exactly();
  c.play(performance);
  Play(performance, {.on = true, .octaveFree = c.octaveFree, .toleranceMs = 30});
  ASSERT_TRUE(judged);
  const auto& r = session.lastScore();
  ASSERT_TRUE(r.has_value());
  std::string verdicts;
  std::string marks;
  for (const listen::NoteResult& n : r->notes) {
    verdicts += listen::VerdictName(n.verdict).toStdString()[0];
    marks += "-otx-"[static_cast<int>(listen::MarkOf(n, 30))];
  }
  EXPECT_EQ(verdicts, c.verdicts);
  EXPECT_EQ(marks, c.marks);
  // The key's score is the judgement's, and the session listens no more.
  EXPECT_EQ(session.lastScoreKey(), 0);
  ASSERT_TRUE(session.keyScores()[0].has_value());
  EXPECT_EQ(session.keyScores()[0]->hit, r->summary.hit);
  EXPECT_FALSE(session.Listening());
}

INSTANTIATE_TEST_SUITE_P(
    Session, Performances,
    ::testing::Values(Case{"Exactly", [](auto&) {}, false, "hhhhhhhh", "oooooooo"},
                      Case{"LateAndEarly",
                           [](auto& p) {
                             p[2].offsetMs = 80;
                             p[5].offsetMs = -45;
                             p[6].offsetMs = 25;
                           },
                           false, "hhhhhhhh", "ootootoo"},
                      // A quarter beat at 120 bpm is 125 ms: the first note anticipated by 100 ms
                      // is the pass's; by 200 ms, it is not.
                      Case{"FirstNoteAnticipated", [](auto& p) { p[0].offsetMs = -100; }, false,
                           "hhhhhhhh", "tooooooo"},
                      Case{"FirstNoteFarTooEarly", [](auto& p) { p[0].offsetMs = -200; }, false,
                           "mhhhhhhh", "-ooooooo"},
                      Case{"WrongAndMissed",
                           [](auto& p) {
                             p[3].semitones = 1;
                             p[6].offsetMs.reset();
                           },
                           false, "hhhwhhmh", "oooxoo-o"},
                      Case{"AnOctaveOffIsWrong", [](auto& p) { p[4].semitones = 12; }, false,
                           "hhhhwhhh", "ooooxooo"},
                      Case{"AnOctaveOffCountsWhenOctavesAreFree",
                           [](auto& p) { p[4].semitones = -12; }, true, "hhhhhhhh", "oooooooo"}),
    [](const auto& info) { return std::string(info.param.name); });

// While the pass goes on, a note's verdict is known once it is played, or once a beat has
// gone by with nothing played for it.
TEST_F(Session, VerdictsAreKnownAsThePassGoesOn) {
  std::vector<Played> performance = Exactly();
  performance[2].offsetMs.reset();
  session.SetSettings({.on = true});
  ASSERT_TRUE(session.Begin(world.cfg, dir.path(), 1000));
  for (std::size_t i = 0; i < 4; ++i) {
    if (performance[i].offsetMs) Note(i, performance[i], 1000);
  }
  // Just after the fourth note: three played, the third not yet a beat late.
  std::vector<listen::NoteResult> known = session.KnownAt(1000 + expected[3].ms + 10);
  ASSERT_EQ(known.size(), 3u);
  EXPECT_EQ(known[2].expected.index, 3);
  // A beat after the third note's time, it is known missed.
  known = session.KnownAt(1000 + expected[2].ms + 510);
  ASSERT_EQ(known.size(), 4u);
  EXPECT_EQ(known[2].verdict, listen::Verdict::kMissed);
}

// A stop ends the pass without a judgement; listen mode off forgets the last one; a new run
// empties the keys' scores; the log's line names the item, key, tempo and score.
TEST_F(Session, StopsSwitchesAndTheLogLine) {
  Play(Exactly(), {.on = true});
  ASSERT_TRUE(session.lastScore().has_value());
  session.SetSettings({.on = true});
  ASSERT_TRUE(session.Begin(world.cfg, dir.path(), 50000));
  Note(0, {}, 50000);
  session.Cancel();
  EXPECT_EQ(session.Judge(), nullptr);
  EXPECT_EQ(session.keyScores()[0]->hit, 8);  // still the first pass's

  const practice_log::Entry entry =
      session.LogEntry(world.engine.lists(), world.cfg, QDateTime(QDate(2026, 12, 8), {}));
  EXPECT_EQ(entry.item, QStringLiteral("Ionian"));
  EXPECT_EQ(entry.key, QStringLiteral("C"));
  EXPECT_EQ(entry.tempo, 120);
  EXPECT_EQ(entry.notes, 8);
  EXPECT_EQ(entry.summary.hit, 8);

  session.NewRun();
  EXPECT_FALSE(session.keyScores()[0].has_value());
  session.SetSettings({.on = false});
  EXPECT_FALSE(session.lastScore().has_value());
  EXPECT_FALSE(session.Begin(world.cfg, dir.path(), 60000));
  EXPECT_FALSE(session.NotePlayed(60, 60000));
}

// The choices as the per-user settings keep them, the tolerance brought into its range.
TEST_F(Session, SettingsAreKeptPerUser) {
  QSettings store(dir.filePath(QStringLiteral("user.ini")), QSettings::IniFormat);
  listen::StoreSettings(
      store, {.on = true, .octaveFree = true, .mode = listen::Mode::kAnswer, .toleranceMs = 45});
  const listen::Settings back = listen::LoadSettings(store);
  EXPECT_TRUE(back.on);
  EXPECT_TRUE(back.octaveFree);
  EXPECT_EQ(back.mode, listen::Mode::kAnswer);
  EXPECT_EQ(back.toleranceMs, 45);
  session.SetSettings({.on = true, .mode = listen::Mode::kAnswer, .toleranceMs = 1000});
  EXPECT_EQ(session.settings().toleranceMs, listen::kMaxToleranceMs);
  EXPECT_TRUE(session.AnswerAfterPass());
}

}  // namespace
