// The Phrase record: the realised item that the score, the keyboard, the circle diagram and
// the sequencer read, and the operations that produce it.
#pragma once

#include <QCoreApplication>
#include <QPointF>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "core/settings.h"
#include "material/file_Treat.h"
#include "theory/MusicMethod_Treat.h"

inline constexpr int kNoteSlots = 513;  // notes 0..512
inline constexpr int kChordTextLength = 10;
inline constexpr int kDegreeTextLength = 5;
inline constexpr int kGroupLowIndex = -5;  // NoteGroup is indexed -5..512

// The text cut or padded with spaces to length characters.
QString FixedText(const QString& text, int length);

struct Phrase {
  Phrase();

  std::int16_t NoteCount = 0;
  std::array<std::int16_t, kNoteSlots> NotePitch{};
  std::array<std::int16_t, kNoteSlots> NoteLength{};
  std::array<std::int16_t, kNoteSlots> NoteIsRest{};
  std::array<QString, kNoteSlots> NoteChord;  // 10 characters each
  std::array<float, kNoteSlots> NoteCursorX{};
  std::array<float, kNoteSlots> NoteCircleX{};
  std::array<float, kNoteSlots> NoteCircleY{};
  std::array<QString, kNoteSlots> NoteDegree;  // 5 characters each
  std::array<std::int16_t, kNoteSlots> NoteTie{};
  // 1 when the item is in a minor key (a phrase whose last chord is minor, a pattern in the
  // minor tonality, a minor scale or chord), 0 in a major key.
  std::int16_t KeyMinor = 0;

  // Grouping code of note i, i from -5 to 512 (the entries below 0 stay 0).
  std::int16_t& NoteGroup(int i) { return groups_[i - kGroupLowIndex]; }
  std::int16_t NoteGroup(int i) const { return groups_[i - kGroupLowIndex]; }

 private:
  std::array<std::int16_t, kNoteSlots - kGroupLowIndex> groups_{};
};

// The ring points of the circle diagram: for each ring (inner = II, middle = V,
// outer = I) the point of each of the twelve pitch classes.
using RingPoints = std::array<std::array<QPointF, 12>, 3>;

// Everything the realisation reads and writes.
struct RealiseContext {
  settings::CfgRecord& cfg;
  const file_Treat::MaterialLists& lists;
  Phrase& phrase;
  const RingPoints* rings = nullptr;  // positions are left alone without them
  settings::Reporter report;  // shows "ファイルの内容が変です。修正してください"
};

inline constexpr const char* kPhraseError =
    QT_TRANSLATE_NOOP("phrase", "ファイルの内容が変です。修正してください");

// Blank chord texts and zero pitches, lengths, flags and groups in every slot; NoteCount 0.
// Positions and degree labels are kept.
void ClearPhrase(Phrase& phrase);

// A scale.txt (isScale) or code.txt item in key: eighth notes from the key by its steps.
void RealiseSteps(RealiseContext& ctx, bool isScale, int item, int key);

// A ptn.txt item over II-V-I in key, with the chord scales of the tonality and treatment.
void RealiseTwoFiveOne(RealiseContext& ctx, int item, int key);

// One chord of the II-V-I: appends its notes from note counter on; returns the new counter.
int RealiseChordPart(RealiseContext& ctx, MusicMethod_Treat::ChordPosition position,
                     const QString& scale, int item, int key, int counter);

// Moves the whole phrase by whole octaves towards the configured note range.
void FitToRange(const settings::CfgRecord& cfg, Phrase& phrase);

// A phrase-book item at the pitches written; sets cfg.Root from its last chord symbol.
void RealisePhrase(RealiseContext& ctx, int item, int key);

// Moves every note by distance semitones and every chord symbol by the interval between the
// key's names before and after (cfg.Root is the new key).
void TransposePhrase(const settings::CfgRecord& cfg, Phrase& phrase, int distance);

// The codes GroupNotes gives a note (NoteGroup): its place in a beamed figure of eighths
// or sixteenths, or in a triplet; 0 for a note on its own.
namespace group {
enum Code : std::int16_t {
  kNone = 0,
  kEighthFirst = 1,
  kEighthMiddle = 2,
  kEighthLast = 3,
  kSixteenthFirst = 11,
  kSixteenthMiddle = 12,
  kSixteenthLast = 13,
  kQuarterTripletFirst = 301,
  kQuarterTripletMiddle = 302,
  kQuarterTripletLast = 303,
  kEighthTripletFirst = 311,
  kEighthTripletMiddle = 312,
  kEighthTripletLast = 313,
  kSixteenthTripletFirst = 321,
  kSixteenthTripletMiddle = 322,
  kSixteenthTripletLast = 323,
};
constexpr bool IsFirst(int c) {
  return c == kEighthFirst || c == kSixteenthFirst || c == kQuarterTripletFirst ||
         c == kEighthTripletFirst || c == kSixteenthTripletFirst;
}
constexpr bool IsMiddle(int c) {
  return c == kEighthMiddle || c == kSixteenthMiddle || c == kQuarterTripletMiddle ||
         c == kEighthTripletMiddle || c == kSixteenthTripletMiddle;
}
constexpr bool IsLast(int c) {
  return c == kEighthLast || c == kSixteenthLast || c == kQuarterTripletLast ||
         c == kEighthTripletLast || c == kSixteenthTripletLast;
}
constexpr bool IsTriplet(int c) {
  return c >= kQuarterTripletFirst;
}
// A triplet of quarters, or a quarter and an eighth in a triplet (the shuffle's long-short):
// bracketed, never beamed.
constexpr bool IsUnbeamedTriplet(int c) {
  return c >= kQuarterTripletFirst && c <= kQuarterTripletLast;
}
// A note drawn with a beam to its group's other notes.
constexpr bool IsBeamed(int c) {
  return c > kNone && !IsUnbeamedTriplet(c);
}
}  // namespace group

// The notes that start a sound, in order, each with how long it sounds as written: a rest
// sounds nothing, and a note tied from a note of the same pitch sounds on from it.
struct SoundingNote {
  int index;   // the note in the record
  int length;  // ticks, the tied notes after it included
};
std::vector<SoundingNote> SoundingNotes(const Phrase& phrase);

// Marks beams and tuplets by the catalogue of rhythm figures starting on a beat.
void GroupNotes(Phrase& phrase);

// The item of cfg.Category as the preparation realises it: for phrase books a fresh
// realisation unless keyChangeOnly (then a transposition by cfg.Root - previousRoot);
// then FitToRange and GroupNotes. previousRoot is updated for phrase books.
void RealiseItem(RealiseContext& ctx, bool keyChangeOnly, std::int16_t& previousRoot);
