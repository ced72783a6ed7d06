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

Result Match(const std::vector<Expected>& expected, const std::vector<Played>& played,
             const Options& options) {
  const std::size_t n = expected.size();
  const std::size_t m = played.size();
  const double beat = options.beatMs > 0 ? options.beatMs : 500;
  constexpr double kInf = std::numeric_limits<double>::infinity();
  std::vector<double> cost((n + 1) * (m + 1), kInf);
  std::vector<Step> from((n + 1) * (m + 1), Step::kNone);
  const auto at = [m](std::size_t i, std::size_t j) { return i * (m + 1) + j; };
  cost[at(0, 0)] = 0;
  for (std::size_t i = 0; i <= n; ++i) {
    for (std::size_t j = 0; j <= m; ++j) {
      const double here = cost[at(i, j)];
      if (here == kInf) continue;
      if (i < n && here + kMissedCost < cost[at(i + 1, j)]) {
        cost[at(i + 1, j)] = here + kMissedCost;
        from[at(i + 1, j)] = Step::kMiss;
      }
      if (j < m && here + kExtraCost < cost[at(i, j + 1)]) {
        cost[at(i, j + 1)] = here + kExtraCost;
        from[at(i, j + 1)] = Step::kExtra;
      }
      if (i < n && j < m) {
        const double dt = std::abs(played[j].ms - expected[i].ms);
        if (dt <= beat) {
          const double c =
              here + dt / beat +
              (SamePitch(played[j].pitch, expected[i].pitch, options.octaveFree) ? 0 : kWrongCost);
          if (c < cost[at(i + 1, j + 1)]) {
            cost[at(i + 1, j + 1)] = c;
            from[at(i + 1, j + 1)] = Step::kMatch;
          }
        }
      }
    }
  }
  Result result;
  result.notes.resize(n);
  std::size_t i = n;
  std::size_t j = m;
  while (i > 0 || j > 0) {
    const Step step = from[at(i, j)];
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
