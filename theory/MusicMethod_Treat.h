// Pitch numbers, note and key names, degree labels, durations, chord scales and voicings.
//
// A pitch is a signed semitone count; pitch class = pitch mod 12 with C = 0. Pitch 0 is the
// C of octave digit "1". Durations are ticks, 24 to the quarter note.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace MusicMethod_Treat {

inline constexpr int TicksPerQuarter = 24;

// Note lengths in ticks.
namespace ticks {
inline constexpr int kWhole = 96;
inline constexpr int kHalf = 48;
inline constexpr int kQuarter = TicksPerQuarter;
inline constexpr int kEighth = 12;
inline constexpr int kSixteenth = 6;
inline constexpr int kThirtySecond = 3;
inline constexpr int kQuarterTriplet = 16;   // three to the half note
inline constexpr int kEighthTriplet = 8;     // three to the quarter note
inline constexpr int kSixteenthTriplet = 4;  // three to the eighth note
}  // namespace ticks
inline constexpr int kRestPitch = 30;  // the placeholder pitch of a rest

// Indices into NoteNameTable: sharp names from 0, flat names from 13, degree labels from 26
// (minor third "bⅢ", tritone "bⅤ") and from 39 (the same as "#９" and "#11").
inline constexpr int kSharpNames = 0;
inline constexpr int kFlatNames = 13;
inline constexpr int kDegreeLabels = 26;
inline constexpr int kAlteredDegreeLabels = 39;

enum ChordShape {
  kMajorSeventh,
  kMinorSeventh,
  kDominantSeventh,
  kDiminishedSeventh,
  kMinorSeventhFlatFive,
  kAltered,
};

enum ChordPosition { kII = 0, kV = 1, kI = 2 };

struct TheoryTables {
  std::array<QString, 51> NoteNameTable;  // entry 38 stays ""
  std::array<std::array<std::int16_t, 4>, 6> ChordToneTable{};
  // Index tonality + 2 x treatment + 12 x position (treatments 4 and 5 stay empty).
  std::array<QString, 36> ChordScaleTable;
  std::array<QString, 36> ChordSuffixTable;
};

// The first table initialiser: note names, chord scales and chord suffixes.
void InitNamesAndChordScales(TheoryTables& tables);
// The second table initialiser: note names again and the chord shapes.
void InitNamesAndChordShapes(TheoryTables& tables);
// Both initialisers run once: the program's tables.
const TheoryTables& Tables();

// Index into ChordScaleTable / ChordSuffixTable; tonality and treatment are brought into
// the table's range (0..1, 0..5) so that any stored setting finds a slot.
int ChordTableIndex(int tonality, int treatment, ChordPosition position);

// The value of a step character: "1"/"H" 1, "2"/"W" 2, "3" 3, "4" 4; any other character
// repeats the previous step value.
int StepValue(QChar c, int previous);

// Reads a note token or chord symbol: the root letter (searched in the order C D E F G A B,
// or R for a rest), an octave digit just before it, and a "#" or lower-case "b" standing
// directly after it. Returns the 1-based position of the last character read (0 if none).
int ParseNoteToken(const QString& token, int& pitch, bool& rest);

// A chord symbol as written: the root is its first letter A..G (an octave digit just before
// it and a "#" or lower-case "b" right after it belong to it); the suffix runs from there to
// a "/" that is followed by a letter A..G, which names the bass note of a slash chord (with
// an optional "#" or "b"). "C6/9" has no bass: the "/" is followed by a digit. A symbol
// without a letter reads as ParseNoteToken reads it.
struct ChordSymbol {
  int root = 0;
  int rootEnd = 0;  // 1-based position of the root's last character, 0 if none
  QString suffix;
  bool hasBass = false;
  int bass = 0;       // pitch of the bass letter with its accidental, 0..11 +- 1
  QString afterBass;  // whatever follows the bass note
};
ChordSymbol ReadChordSymbol(const QString& symbol);

// The symbol with its root and bass moved by distance semitones and named for the key
// keyRoot; the text before the root is left out.
QString NameChordSymbol(const TheoryTables& tables, const ChordSymbol& chord, int distance,
                        int keyRoot);

// Note name of pitch p spelled for the key root (flats in C, Db, Eb, F, Ab, Bb).
QString NoteNameInKey(const TheoryTables& tables, int p, int root);
// Name of the key with pitch class k: C, Db, D, Eb, E, F, F#, G, Ab, A, Bb, B.
QString KeyName(const TheoryTables& tables, int k);

// Ticks of a duration code: 2..7 for 32nd..whole, 303..305 for their triplet forms.
int DurationTicks(int code);

// Reads a chord symbol into accompaniment pitches: slots 0..3 the voicing, slot 5 the root
// and slot 6 the note the bass alternates with it; a slash chord puts its bass note in both
// slots 5 and 6. Slot 4 is untouched. A blank symbol leaves slots 0..3 as they are. The
// voices and the bass's second note come from the chord-quality table when it knows the
// suffix; otherwise the shape is found by searching the suffix, and slot 6 = slot 2.
void VoiceChord(const QString& symbol, std::array<std::int16_t, 7>& voicing);

// What a chord suffix (the symbol after its root letter and accidental, without a slash
// bass) means: the four voices of the accompaniment above the root, and the note the bass
// alternates with the root.
struct ChordQuality {
  std::array<std::int16_t, 4> voices;
  std::int16_t bassFifth;
};
// The quality of a suffix written as the table has it (blanks around it do not count);
// nothing for a suffix the table does not know.
std::optional<ChordQuality> ChordQualityOf(const QString& suffix);

// Pitch class 0..11 of any pitch.
constexpr int PitchClass(int p) {
  return ((p % 12) + 12) % 12;
}

// The keys spelled with flats, in their names, chord names and on the staff: C, Db, Eb, F,
// Ab and Bb (C by the program's custom); the others with sharps.
constexpr bool KeyUsesFlats(int key) {
  const int c = PitchClass(key);
  return c == 0 || c == 1 || c == 3 || c == 5 || c == 8 || c == 10;
}

// The pitch classes of the black keys: C#, D#, F#, G# and A#.
constexpr bool IsBlackKey(int pitch) {
  const int c = PitchClass(pitch);
  return c == 1 || c == 3 || c == 6 || c == 8 || c == 10;
}

}  // namespace MusicMethod_Treat
