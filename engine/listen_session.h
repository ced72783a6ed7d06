// Listen mode's session ("聴き取り採点"): the pass (or the answer's count after it) being
// listened to, the notes the item expects in it, the notes the player played, the verdicts
// known as it goes, the judgement at its end, the twelve keys' scores of a run and the line
// for the practice log. The window only shows what the session knows.
//
// Times are on the program's clock in ms. A note played up to a quarter beat before a pass
// or an answer begins counts for it (a player who anticipates the first note); one stamped
// earlier does not.
#pragma once

#include <QDateTime>
#include <QSettings>
#include <array>
#include <optional>
#include <vector>

#include "core/settings.h"
#include "engine/listen.h"
#include "engine/practice_log.h"

namespace listen {

// How a judged note is shown: right and on time, right but early or late (beyond the
// tolerance), wrong, missed.
enum class Mark { kNone = 0, kOnTime, kOffTime, kWrongPitch, kMissed };
Mark MarkOf(const NoteResult& note, int toleranceMs);

// The choices as the per-user settings keep them.
Settings LoadSettings(const QSettings& store);
void StoreSettings(QSettings& store, const Settings& settings);

// Which item a pass played, and in which key: a judgement belongs to the staff only while
// the staff shows that item in that key.
struct PassOf {
  int category = -1;
  int item = -1;
  int key = -1;
  int tonality = -1;
  int v7 = -1;
  static PassOf Of(const settings::CfgRecord& cfg);
  bool operator==(const PassOf&) const = default;
};

class Session {
 public:
  const Settings& settings() const { return settings_; }
  // The choices, the tolerance brought into its range. Switched off, the session forgets
  // the pass it listened to and the last judgement.
  void SetSettings(const Settings& settings);
  // In answer mode the sequencer counts on after each pass for the item's length.
  bool AnswerAfterPass() const { return settings_.on && settings_.mode == Mode::kAnswer; }

  // A pass of the item of cfg begins (its first step at startMs), or the answer's count
  // after it: the notes it expects are those of the same pass played in an engine of its
  // own on the settings in force, from the material in dir. False when listen mode is off or
  // the item's notes cannot be found; nothing is listened to then.
  bool Begin(const settings::CfgRecord& cfg, const QString& dir, double startMs);
  // The pass or answer ends without a judgement (a stop: the notes not reached were not
  // missed).
  void Cancel() { startMs_ = -1; }
  bool Listening() const { return startMs_ >= 0; }

  // A note the player played at ms; true when it counts for the pass listened to.
  bool NotePlayed(int pitch, double ms);
  // The verdicts known at nowMs: every note played, and every note a beat past its time
  // with nothing played for it.
  std::vector<NoteResult> KnownAt(double nowMs) const;

  // Judges what was played in the pass listened to and keeps it as the last judgement and
  // in the keys' scores; nothing when nothing was listened to.
  const Result* Judge();
  // A new run of continuous play: the keys' scores start empty.
  void NewRun() { keyScores_ = {}; }

  const std::optional<Result>& lastScore() const { return lastScore_; }
  // The key the last judgement was made in (-1 before any).
  int lastScoreKey() const { return lastScore_ ? lastScoreOf_.key : -1; }
  // The item and key of the last judgement.
  const PassOf& lastScoreOf() const { return lastScoreOf_; }
  const std::array<std::optional<Summary>, 12>& keyScores() const { return keyScores_; }
  int passKey() const { return passKey_; }
  int passTempo() const { return passTempo_; }

  // The practice log's line of the last judgement: the item of cfg, when it was made.
  practice_log::Entry LogEntry(const file_Treat::MaterialLists& lists,
                               const settings::CfgRecord& cfg, const QDateTime& when) const;

 private:
  // How early before a pass or an answer a note may come and still be its: a quarter beat.
  double EarlyMs() const;

  Settings settings_;
  double startMs_ = -1;
  PassOf pass_;
  int passKey_ = 0;
  int passTempo_ = 120;
  std::vector<Expected> expected_;
  std::vector<Played> played_;          // from the start of the pass
  std::vector<Played> recentlyPlayed_;  // on the program's clock, the last two seconds
  std::optional<Result> lastScore_;
  PassOf lastScoreOf_;
  std::array<std::optional<Summary>, 12> keyScores_{};
};

}  // namespace listen
