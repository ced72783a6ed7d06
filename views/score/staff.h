// Staff geometry of the score view: the layout of the one treble staff in the main window,
// the per-pitch tables that place a pitch on it, the accidental in force within a bar and
// the horizontal advance of each note or rest. Window units: x to the right, y upwards.
#pragma once

#include <QRectF>
#include <QString>
#include <array>
#include <cstdint>
#include <map>
#include <vector>

namespace Scor_treat {

inline constexpr int kPitchSlots = 101;  // pitches 0..100

struct StaffLayout {
  float LineSpacing = 150;
  float StaffBottomY = 0;
  float StaffLeftX = 0;
  float StaffWidth = 0;
  float StemThresholdY = 0;
  float StemLength = 0;
  float StemOffset = 0;
  float GlyphRaise = 60;
  // Where the clef picture goes: left, top (its upper edge), width, height in window units.
  float ClefLeft = 0, ClefTop = 0, ClefWidth = 0, ClefHeight = 0;

  std::array<float, kPitchSlots> PitchY{};
  std::array<QString, kPitchSlots> PitchAccidental;
  std::array<std::int16_t, kPitchSlots> PitchStep{};
  std::array<QString, 11> AccidentalState;
  // The alteration in force at each staff position (letter and octave, 7 x octave + letter)
  // within the bar, for notes written as spelled; a position not listed is natural.
  std::map<int, int> AlterInForce;
};

// Lays the staff out in a window of width x height units whose frame Frame2 starts at
// frame2Left, moved up by staffOffset.
void LayoutStaff(StaffLayout& staff, float width, float height, float frame2Left,
                 float staffOffset);

// Fills PitchY, PitchAccidental and PitchStep for the key root (flats in 0 1 3 5 8 10).
// Every pitch 0..100 gets a position: the octave pattern continues above 71.
void BuildPitchTables(StaffLayout& staff, int root);
// The same for a staff spelled with flats or with sharps, whatever the key.
void BuildPitchTablesSpelled(StaffLayout& staff, bool flats);

// The heights of the ledger lines a notehead at height y needs below or above the staff
// (none for a note on it), nearest the staff first. slack allows for the rounding of
// computed heights: a line within slack of the notehead's centre is still drawn.
std::vector<float> LedgerLines(const StaffLayout& staff, float y, float slack = 0);

// True when the pitch's notehead sits on a staff or ledger line.
bool IsOnLine(const StaffLayout& staff, int pitch);

void ClearAccidentals(StaffLayout& staff);

// The accidental a note of pitch shows ("#", "b", "N" for a natural, or empty), given the
// accidentals already in force in the bar; updates them.
QString AccidentalToDraw(StaffLayout& staff, int pitch);

// The same for a note written as spelled: "#", "b", "x" (double sharp), "bb", "N" or
// empty. A sign holds for its staff position (letter and octave) until the bar ends; a note
// tied over from the same note (tiedOver) carries its sign without repeating it and leaves
// what is in force as it was.
QString AccidentalToDraw(StaffLayout& staff, int step, int alter, int octave,
                         bool tiedOver = false);
// The notehead height of a note written on the letter step (0..6 for C..B) of octave
// (4 for the octave from middle C).
float LetterHeight(const StaffLayout& staff, int step, int octave);

// Advance units of an element of length ticks.
std::int16_t NoteAdvance(int length, bool isRest);

}  // namespace Scor_treat
