#include "engine/listen.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/practice_engine.h"
#include "sound/midi1.h"
#include "theory/MusicMethod_Treat.h"

namespace listen {
namespace {

// The costs of the alignment: leaving an item note unplayed or a played note unmatched
// costs one each; a wrong pitch at its place costs less than both together, so it is
// judged wrong rather than missed-and-extra; the timing adds its share of a beat.
constexpr double kMissedCost = 1.0;
constexpr double kExtraCost = 1.0;
constexpr double kWrongCost = 0.9;

enum class Step : unsigned char { kNone, kMatch, kMiss, kExtra };

bool SamePitch(int a, int b, bool octaveFree) {
  return octaveFree ? MusicMethod_Treat::PitchClass(a) == MusicMethod_Treat::PitchClass(b) : a == b;
}

}  // namespace

Options OptionsFor(int tempo, bool octaveFree) {
  Options options;
  options.octaveFree = octaveFree;
  options.beatMs = Sound_Treat::BeatLengthMs(tempo);
  return options;
}

std::optional<Lateness> MeasureLateness(const std::vector<double>& clicksMs,
                                        const std::vector<double>& notesMs, double beatMs) {
  std::vector<double> offsets;
  for (const double click : clicksMs) {
    std::optional<double> nearest;
    for (const double note : notesMs) {
      const double offset = note - click;
      if (std::abs(offset) < beatMs / 2 && (!nearest || std::abs(offset) < std::abs(*nearest))) {
        nearest = offset;
      }
    }
    if (nearest) offsets.push_back(*nearest);
  }
  if (offsets.empty() || offsets.size() * 4 < clicksMs.size() * 3) return std::nullopt;
  std::sort(offsets.begin(), offsets.end());
  const std::size_t half = offsets.size() / 2;
  const double median =
      offsets.size() % 2 ? offsets[half] : (offsets[half - 1] + offsets[half]) / 2;
  return Lateness{median, static_cast<int>(offsets.size())};
}

std::size_t MostPlayed(std::size_t expectedNotes) {
  return 4 * expectedNotes + 64;
}

Result Match(const std::vector<Expected>& expected, const std::vector<Played>& playedIn,
             const Options& options) {
  // More notes than a pass could hold are cut; the rest are judged in the order played.
  const std::size_t n = expected.size();
  std::vector<Played> played(
      playedIn.begin(),
      playedIn.begin() + static_cast<std::ptrdiff_t>(std::min(playedIn.size(), MostPlayed(n))));
  std::stable_sort(played.begin(), played.end(),
                   [](const Played& a, const Played& b) { return a.ms < b.ms; });
  const std::size_t m = played.size();
  const double beat = options.beatMs > 0 && std::isfinite(options.beatMs) ? options.beatMs : 500;
  // The alignment only visits cells (i, j) where the last note played so far is at most a
  // beat after the next item note, and the last item note so far at most a beat after the
  // next note played: an optimal alignment can always take its misses and extras in time
  // order, and then never leaves this band. Each row's band [low, high] of j:
  //   high: the played notes up to a beat after expected[i];
  //   low:  the played notes more than a beat before expected[i - 1].
  std::vector<std::size_t> low(n + 1), high(n + 1), offset(n + 2);
  const auto countBefore = [&](double ms, bool inclusive) {
    const auto it = inclusive
                        ? std::upper_bound(played.begin(), played.end(), ms,
                                           [](double t, const Played& p) { return t < p.ms; })
                        : std::lower_bound(played.begin(), played.end(), ms,
                                           [](const Played& p, double t) { return p.ms < t; });
    return static_cast<std::size_t>(it - played.begin());
  };
  offset[0] = 0;
  for (std::size_t i = 0; i <= n; ++i) {
    high[i] =
        i < n ? std::max(countBefore(expected[i].ms + beat, true), i > 0 ? high[i - 1] : 0) : m;
    low[i] = i > 0 ? std::min(countBefore(expected[i - 1].ms - beat, false), high[i]) : 0;
    if (i > 0) low[i] = std::max(low[i], low[i - 1]);
    offset[i + 1] = offset[i] + (high[i] - low[i] + 1);
  }
  constexpr double kInf = std::numeric_limits<double>::infinity();
  std::vector<double> cost(offset[n + 1], kInf);
  std::vector<Step> from(offset[n + 1], Step::kNone);
  const auto inBand = [&](std::size_t i, std::size_t j) { return j >= low[i] && j <= high[i]; };
  const auto at = [&](std::size_t i, std::size_t j) { return offset[i] + (j - low[i]); };
  const auto relax = [&](std::size_t i, std::size_t j, double c, Step step) {
    if (inBand(i, j) && c < cost[at(i, j)]) {
      cost[at(i, j)] = c;
      from[at(i, j)] = step;
    }
  };
  cost[at(0, 0)] = 0;
  for (std::size_t i = 0; i <= n; ++i) {
    for (std::size_t j = low[i]; j <= high[i]; ++j) {
      const double here = cost[at(i, j)];
      if (here == kInf) continue;
      if (i < n) relax(i + 1, j, here + kMissedCost, Step::kMiss);
      if (j < m) relax(i, j + 1, here + kExtraCost, Step::kExtra);
      if (i < n && j < m) {
        const double dt = std::abs(played[j].ms - expected[i].ms);
        if (dt <= beat) {
          const bool same = SamePitch(played[j].pitch, expected[i].pitch, options.octaveFree);
          relax(i + 1, j + 1, here + dt / beat + (same ? 0 : kWrongCost), Step::kMatch);
        }
      }
    }
  }
  Result result;
  result.notJudged = static_cast<int>(playedIn.size() - m);
  result.notes.resize(n);
  std::size_t i = n;
  std::size_t j = m;
  while (i > 0 || j > 0) {
    // A cell no path reached (only for item notes out of time order) is left by a miss.
    Step step = inBand(i, j) ? from[at(i, j)] : Step::kNone;
    if (step == Step::kNone) step = i > 0 ? Step::kMiss : Step::kExtra;
    if (step == Step::kMatch) {
      --i;
      --j;
      NoteResult& r = result.notes[i];
      r.expected = expected[i];
      r.played = played[j];
      r.timingMs = played[j].ms - expected[i].ms;
      r.verdict = SamePitch(played[j].pitch, expected[i].pitch, options.octaveFree)
                      ? Verdict::kHit
                      : Verdict::kWrong;
    } else if (step == Step::kMiss) {
      --i;
      result.notes[i].expected = expected[i];
      result.notes[i].verdict = Verdict::kMissed;
    } else {
      --j;
      result.extra.push_back(played[j]);
    }
  }
  std::reverse(result.extra.begin(), result.extra.end());
  Summary& s = result.summary;
  double sum = 0;
  int timed = 0;
  for (const NoteResult& r : result.notes) {
    if (r.verdict == Verdict::kHit) ++s.hit;
    if (r.verdict == Verdict::kWrong) ++s.wrong;
    if (r.verdict == Verdict::kMissed) ++s.missed;
    if (r.timingMs) {
      sum += std::abs(*r.timingMs);
      s.maxAbsTimingMs = std::max(s.maxAbsTimingMs, std::abs(*r.timingMs));
      ++timed;
    }
  }
  s.extra = static_cast<int>(result.extra.size());
  s.meanAbsTimingMs = timed > 0 ? sum / timed : 0;
  return result;
}

std::vector<Expected> ExpectedOf(const sound::TimedMessages& pass, const Phrase& phrase) {
  const std::vector<SoundingNote> sounding = SoundingNotes(phrase);
  const std::int64_t start = practice::PassStart(pass);
  std::vector<Expected> expected;
  for (const auto& [ms, m] : pass) {
    if (m.kind() != sound::ShortMessage::kNoteOn || m.IsNoteOff() ||
        m.channel() != midi1::kMelodyChannel) {
      continue;
    }
    const std::size_t k = expected.size();
    expected.push_back({k < sounding.size() ? sounding[k].index : static_cast<int>(k), m.data1(),
                        static_cast<double>(ms - start)});
  }
  return expected;
}

std::vector<Expected> ExpectedPass(practice::OfflineEngine& world, int category, int item, int key,
                                   QString* error) {
  settings::CfgRecord& cfg = world.cfg;
  cfg.MelodyOn = 1;
  // A silent melody would send its notes as note-offs: the judge needs them sounded.
  if (cfg.MelodyVolume <= 0) cfg.MelodyVolume = 100;
  cfg.CountInOn = 0;
  cfg.RepeatOn = 0;
  cfg.SpeedUpOn = 0;
  const practice::PassResult pass = world.PlayInKey(category, item, key);
  if (!pass.error.isEmpty()) {
    if (error) *error = pass.error;
    return {};
  }
  return ExpectedOf(pass.messages, world.engine.phrase());
}

QString VerdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::kHit:
      return QStringLiteral("hit");
    case Verdict::kWrong:
      return QStringLiteral("wrong");
    default:
      return QStringLiteral("missed");
  }
}

}  // namespace listen
