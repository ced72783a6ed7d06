// Listen mode's judge: the notes a player played, matched to the notes of the item by time
// and pitch. The match is an alignment of the two sequences in order (dynamic programming),
// so an extra, a missing or a repeated note costs that note alone and the notes after it
// still meet their partners; a note is matched only within a beat of its time.
#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "sound/midi_out.h"
#include "theory/phrase.h"

namespace practice {
class OfflineEngine;
}

namespace listen {

// How the player answers: after the pass (the count goes on for the item's length) or
// with the pass.
enum class Mode { kAnswer, kAlong };
enum class Verdict { kHit, kWrong, kMissed };

// A note of the item: its index in the phrase record, the MIDI note the program sounds and
// its time in ms from the start of the pass (or of the answer).
struct Expected {
  int index = 0;
  int pitch = 0;
  double ms = 0;
};
// A note the player played: its MIDI note and its time on the same clock.
struct Played {
  int pitch = 0;
  double ms = 0;
};

// What the player chose for listen mode ("聴き取り採点"), kept per user.
struct Settings {
  bool on = false;
  bool octaveFree = false;
  Mode mode = Mode::kAlong;
  // A right note further than this from its time is shown as early or late.
  int toleranceMs = 30;
};
inline constexpr int kMinToleranceMs = 5;
inline constexpr int kMaxToleranceMs = 200;

struct Options {
  bool octaveFree = false;  // judge the pitch class only
  double beatMs = 500;      // a match is looked for within one beat of the note's time
};

struct NoteResult {
  Expected expected;
  std::optional<Played> played;  // nothing when missed
  Verdict verdict = Verdict::kMissed;
  std::optional<double> timingMs;  // played minus expected; nothing when missed
};

struct Summary {
  int hit = 0;
  int wrong = 0;
  int missed = 0;
  int extra = 0;
  double meanAbsTimingMs = 0;  // over the notes played (hit or wrong)
  double maxAbsTimingMs = 0;
};

struct Result {
  std::vector<NoteResult> notes;
  std::vector<Played> extra;
  Summary summary;
  int notJudged = 0;  // notes played beyond MostPlayed, cut
};

// The options for a pass at tempo: a match within one of its beats.
Options OptionsFor(int tempo, bool octaveFree);

// The most notes of a performance judged against an item of expectedNotes notes: four for
// each of its notes and a few more, far beyond what a player plays in a pass. Later notes
// are cut (Result::notJudged).
std::size_t MostPlayed(std::size_t expectedNotes);

// The alignment of the notes played with the item's notes (expected in time order; played
// are taken in time order). Its time and memory grow with the notes times the notes that a
// beat around each can reach, never with the whole performance times the whole item.
Result Match(const std::vector<Expected>& expected, const std::vector<Played>& played,
             const Options& options);

// The notes of the item as a pass plays them: the melody's note-ons of the pass's messages
// (their times from the pass's first step), each with the index of its note in the phrase
// (a tied note sounds on from the note before and has no note-on of its own).
std::vector<Expected> ExpectedOf(const sound::TimedMessages& pass, const Phrase& phrase);

// The item's notes as one plain pass of it plays them in world, at world's tempo: the
// melody sounded, no count-in, repetition or speed-up. Empty, with the reason in error,
// when the item cannot be realised.
std::vector<Expected> ExpectedPass(practice::OfflineEngine& world, int category, int item, int key,
                                   QString* error = nullptr);

// The input's lateness as a player measures it ("入力の遅れを測る"): playing a note with each
// of a run of clicks. For each click the nearest note within half a beat of it; the median
// of those notes' distances from their clicks (ms, positive when late). Nothing when fewer
// than three quarters of the clicks were answered.
struct Lateness {
  double ms = 0;
  int answered = 0;  // clicks with a note near them
};
std::optional<Lateness> MeasureLateness(const std::vector<double>& clicksMs,
                                        const std::vector<double>& notesMs, double beatMs);

// The verdict as a word: "hit", "wrong", "missed".
QString VerdictName(Verdict verdict);

}  // namespace listen
