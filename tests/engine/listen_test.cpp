// Listen mode's matcher on generated performances of an item: eight eighth notes of a C
// major scale at 120 bpm (250 ms apart), played in the ways a player plays.
#include "engine/listen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>

namespace {

using listen::Verdict;

std::vector<listen::Expected> Scale() {
  std::vector<listen::Expected> notes;
  const int pitches[] = {60, 62, 64, 65, 67, 69, 71, 72};
  for (int i = 0; i < 8; ++i) notes.push_back({i, pitches[i], 250.0 * i});
  return notes;
}

// The scale played exactly, then changed by a case.
std::vector<listen::Played> Exactly() {
  std::vector<listen::Played> played;
  for (const listen::Expected& e : Scale()) played.push_back({e.pitch, e.ms});
  return played;
}

struct Case {
  const char* name;
  std::function<void(std::vector<listen::Played>&)> play;
  bool octaveFree;
  const char* verdicts;  // one letter a note: h hit, w wrong, m missed
  int extra;
  std::function<void(const listen::Result&)> also;
};

class Matcher : public ::testing::TestWithParam<Case> {};

TEST_P(Matcher, JudgesEachNote) {
  const Case& c = GetParam();
  std::vector<listen::Played> played = Exactly();
  c.play(played);
  listen::Options options;
  options.octaveFree = c.octaveFree;
  options.beatMs = 500;
  const listen::Result result = listen::Match(Scale(), played, options);
  ASSERT_EQ(result.notes.size(), 8u);
  std::string verdicts;
  for (const listen::NoteResult& r : result.notes) {
    verdicts += r.verdict == Verdict::kHit ? 'h' : r.verdict == Verdict::kWrong ? 'w' : 'm';
    EXPECT_EQ(r.played.has_value(), r.verdict != Verdict::kMissed);
    EXPECT_EQ(r.timingMs.has_value(), r.verdict != Verdict::kMissed);
  }
  EXPECT_EQ(verdicts, c.verdicts);
  EXPECT_EQ(result.summary.extra, c.extra);
  EXPECT_EQ(static_cast<int>(result.extra.size()), c.extra);
  EXPECT_EQ(result.summary.hit + result.summary.wrong + result.summary.missed, 8);
  if (c.also) c.also(result);
}

INSTANTIATE_TEST_SUITE_P(
    Performances, Matcher,
    ::testing::Values(
        Case{"Perfect", [](auto&) {}, false, "hhhhhhhh", 0,
             [](const listen::Result& r) {
               EXPECT_EQ(r.summary.maxAbsTimingMs, 0);
               EXPECT_EQ(r.summary.hit, 8);
             }},
        Case{"EveryNote20MsLate",
             [](auto& p) {
               for (auto& n : p) n.ms += 20;
             },
             false, "hhhhhhhh", 0,
             [](const listen::Result& r) {
               for (const auto& n : r.notes) EXPECT_DOUBLE_EQ(*n.timingMs, 20);
               EXPECT_DOUBLE_EQ(r.summary.meanAbsTimingMs, 20);
               EXPECT_DOUBLE_EQ(r.summary.maxAbsTimingMs, 20);
             }},
        Case{"OneWrongPitch", [](auto& p) { p[3].pitch = 66; }, false, "hhhwhhhh", 0,
             [](const listen::Result& r) { EXPECT_EQ(r.notes[3].played->pitch, 66); }},
        Case{"OneNoteMissing", [](auto& p) { p.erase(p.begin() + 4); }, false, "hhhhmhhh", 0,
             [](const listen::Result& r) { EXPECT_EQ(r.summary.missed, 1); }},
        Case{"OneExtraNote",
             [](auto& p) {
               p.insert(p.begin() + 2, listen::Played{61, 380});
             },
             false, "hhhhhhhh", 1,
             [](const listen::Result& r) {
               EXPECT_EQ(r.extra[0].pitch, 61);
               EXPECT_DOUBLE_EQ(r.extra[0].ms, 380);
             }},
        // The E played twice: one is the item's note, the other an extra; the notes after it
        // still meet their partners.
        Case{"ARepeatedNote",
             [](auto& p) {
               p.insert(p.begin() + 3, listen::Played{64, 600});
             },
             false, "hhhhhhhh", 1,
             [](const listen::Result& r) {
               EXPECT_DOUBLE_EQ(*r.notes[2].timingMs, 0);
               EXPECT_EQ(r.extra[0].pitch, 64);
             }},
        // An octave too high throughout: wrong when judged exactly, right octave-free.
        Case{"AnOctaveHighExact",
             [](auto& p) {
               for (auto& n : p) n.pitch += 12;
             },
             false, "wwwwwwww", 0, nullptr},
        Case{"AnOctaveHighOctaveFree",
             [](auto& p) {
               for (auto& n : p) n.pitch += 12;
             },
             true, "hhhhhhhh", 0, nullptr},
        // A tempo that drifts 3 % slower: every note found, each later than the last.
        Case{"ATempoThatDrifts3Percent",
             [](auto& p) {
               for (auto& n : p) n.ms *= 1.03;
             },
             false, "hhhhhhhh", 0,
             [](const listen::Result& r) {
               for (std::size_t i = 1; i < r.notes.size(); ++i) {
                 EXPECT_GT(*r.notes[i].timingMs, *r.notes[i - 1].timingMs);
               }
               EXPECT_NEAR(r.summary.maxAbsTimingMs, 0.03 * 1750, 1e-9);
             }},
        // Nothing played: everything missed; a note more than a beat away is not taken.
        Case{"NothingPlayed", [](auto& p) { p.clear(); }, false, "mmmmmmmm", 0, nullptr},
        // A beat is the reach of a match, a whole beat included.
        Case{"LastNoteAWholeBeatLate", [](auto& p) { p[7].ms += 500; }, false, "hhhhhhhh", 0,
             [](const listen::Result& r) { EXPECT_EQ(*r.notes[7].timingMs, 500); }},
        Case{"LastNoteJustOverABeatLate", [](auto& p) { p[7].ms += 501; }, false, "hhhhhhhm", 1,
             nullptr},
        // A performance with more notes than a pass could hold is cut: the first notes
        // (the whole scale and a flood after it) are judged, the rest said not judged.
        Case{"AFloodOfNotesIsCut",
             [](auto& p) {
               for (int i = 0; i < 5000; ++i) p.push_back({30, 3000.0 + i});
             },
             false, "hhhhhhhh", static_cast<int>(listen::MostPlayed(8)) - 8,
             [](const listen::Result& r) {
               EXPECT_EQ(r.notJudged, 5008 - static_cast<int>(listen::MostPlayed(8)));
             }},
        Case{"FarFromEveryNote", [](auto& p) { p = {listen::Played{60, 2500}}; }, false, "mmmmmmmm",
             1, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// The matcher looks only within a band of a beat around each note; whatever a player does,
// its alignment costs no more than the best over every way of pairing the notes (a full
// table of item notes against notes played, the alignment as first built).
double BestCost(const std::vector<listen::Expected>& e, const std::vector<listen::Played>& p,
                double beat) {
  const std::size_t n = e.size(), m = p.size();
  std::vector<double> cost((n + 1) * (m + 1), 1e300);
  const auto at = [m](std::size_t i, std::size_t j) { return i * (m + 1) + j; };
  cost[0] = 0;
  for (std::size_t i = 0; i <= n; ++i) {
    for (std::size_t j = 0; j <= m; ++j) {
      const double here = cost[at(i, j)];
      if (i < n) cost[at(i + 1, j)] = std::min(cost[at(i + 1, j)], here + 1);
      if (j < m) cost[at(i, j + 1)] = std::min(cost[at(i, j + 1)], here + 1);
      const double dt = i < n && j < m ? std::abs(p[j].ms - e[i].ms) : 1e300;
      if (dt <= beat) {
        cost[at(i + 1, j + 1)] = std::min(cost[at(i + 1, j + 1)],
                                          here + dt / beat + (p[j].pitch == e[i].pitch ? 0 : 0.9));
      }
    }
  }
  return cost[at(n, m)];
}

TEST(MatcherBand, CostsNoMoreThanTheFullTable) {
  std::mt19937 random(28);
  const double beat = 400;
  for (int trial = 0; trial < 400; ++trial) {
    std::vector<listen::Expected> expected;
    std::vector<listen::Played> played;
    double t = 0;
    const int notes = 1 + static_cast<int>(random() % 24);
    for (int i = 0; i < notes; ++i) {
      t += 50.0 * static_cast<double>(random() % 20);  // chords, runs and long gaps
      expected.push_back({i, 60 + static_cast<int>(random() % 5), t});
      const unsigned what = random() % 10;
      if (what == 0) continue;  // missed
      const double off = std::uniform_real_distribution<double>(-1.5 * beat, 1.5 * beat)(random);
      played.push_back(
          {expected.back().pitch + (what == 1 ? 1 : 0), t + (what < 4 ? off : off / 8)});
      if (what == 2) played.push_back({62, t + off / 2});  // an extra beside it
    }
    std::sort(played.begin(), played.end(), [](auto& a, auto& b) { return a.ms < b.ms; });
    const listen::Result r = listen::Match(expected, played, {false, beat});
    double cost = r.summary.missed + r.summary.extra;
    for (const listen::NoteResult& note : r.notes) {
      if (note.timingMs) cost += std::abs(*note.timingMs) / beat;
      if (note.verdict == Verdict::kWrong) cost += 0.9;
    }
    ASSERT_NEAR(cost, BestCost(expected, played, beat), 1e-9) << "trial " << trial;
    ASSERT_EQ(r.summary.hit + r.summary.wrong + r.summary.extra, static_cast<int>(played.size()));
  }
}

}  // namespace

// "入力の遅れを測る": the median lateness of the notes played with the clicks.
TEST(Lateness, IsTheMedianOfTheNotesNearTheClicks) {
  const std::vector<double> clicks = {0, 500, 1000, 1500, 2000, 2500, 3000, 3500};
  const auto notes = [&](std::vector<double> offsets) {
    std::vector<double> at;
    for (std::size_t i = 0; i < offsets.size(); ++i) at.push_back(clicks[i] + offsets[i]);
    return at;
  };
  struct Case {
    const char* name;
    std::vector<double> notes;
    std::optional<double> ms;
  };
  const std::vector<Case> cases = {
      {"every beat 40 ms late", notes({40, 40, 40, 40, 40, 40, 40, 40}), 40},
      {"one beat far off moves it little", notes({30, 35, 40, 45, 50, 55, 60, 240}), 47.5},
      {"early notes count as early", notes({-20, -10, -20, -10, -20, -10, -20, -10}), -15},
      {"six of eight answered", notes({40, 40, 40, 40, 40, 40}), 40},
      {"five of eight is too few", notes({40, 40, 40, 40, 40}), std::nullopt},
      {"a note halfway between two clicks answers neither",
       notes({250, 250, 250, 250, 250, 250, 250, 250}), std::nullopt},
      {"the nearest of two notes answers", {30, 120, 530, 1030, 1530, 2030, 2530, 3030, 3530}, 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<listen::Lateness> got = listen::MeasureLateness(clicks, c.notes, 500);
    ASSERT_EQ(got.has_value(), c.ms.has_value());
    if (got) {
      EXPECT_DOUBLE_EQ(got->ms, *c.ms);
    }
  }
}
