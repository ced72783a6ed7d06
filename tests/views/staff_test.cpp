#include "views/score/staff.h"

#include <gtest/gtest.h>

using namespace Scor_treat;

namespace {
StaffLayout Laid(int root) {
  StaffLayout staff;
  LayoutStaff(staff, 28800, 15800, 23000, 0);
  BuildPitchTables(staff, root);
  return staff;
}
}  // namespace

TEST(StaffLayout, FromTheWindowSize) {
  StaffLayout staff;
  LayoutStaff(staff, 28800, 16000, 20000, -12.5f);
  EXPECT_FLOAT_EQ(staff.StaffWidth, 19400);
  EXPECT_FLOAT_EQ(staff.StaffLeftX, 288);
  EXPECT_FLOAT_EQ(staff.StaffBottomY, 16000 - 2400 - 12.5f);
  EXPECT_FLOAT_EQ(staff.StemThresholdY, staff.StaffBottomY + 375);
  EXPECT_FLOAT_EQ(staff.StemLength, 525);
  EXPECT_FLOAT_EQ(staff.ClefTop, staff.StaffBottomY + 825);
  EXPECT_FLOAT_EQ(staff.ClefHeight, 1095);
  EXPECT_FLOAT_EQ(staff.ClefWidth, 300);
}

TEST(PitchTables, SpellingByKey) {
  const StaffLayout flat = Laid(0);
  const StaffLayout sharp = Laid(6);
  const float s = 150;
  // Pitch 30: G flat (at G's height) in C, F sharp (at F's height) in F sharp.
  EXPECT_FLOAT_EQ(flat.PitchY[30] - flat.StaffBottomY, s);
  EXPECT_EQ(flat.PitchAccidental[30], "b");
  EXPECT_EQ(flat.PitchStep[30], 19);
  EXPECT_FLOAT_EQ(sharp.PitchY[30] - sharp.StaffBottomY, 0.5f * s);
  EXPECT_EQ(sharp.PitchAccidental[30], "#");
  EXPECT_EQ(sharp.PitchStep[30], 18);
  // Octaves copy the pattern, above 71 as well.
  EXPECT_FLOAT_EQ(flat.PitchY[42] - flat.PitchY[30], 3.5f * s);
  EXPECT_FLOAT_EQ(flat.PitchY[6] - flat.PitchY[30], -7 * s);
  EXPECT_FLOAT_EQ(flat.PitchY[78] - flat.PitchY[30], 14 * s);
  EXPECT_FLOAT_EQ(flat.PitchY[100] - flat.PitchY[28], 21 * s);
  EXPECT_EQ(flat.PitchStep[100], 17 + 42);
  EXPECT_EQ(flat.PitchAccidental[73], "b");
}

TEST(PitchTables, LinesAndSpaces) {
  const StaffLayout staff = Laid(0);
  struct Case {
    int pitch;
    bool onLine;
  };
  for (const Case c : {Case{28, true}, Case{24, true}, Case{45, true}, Case{41, true},
                       Case{29, false}, Case{26, false}, Case{21, true}, Case{43, false}}) {
    EXPECT_EQ(IsOnLine(staff, c.pitch), c.onLine) << c.pitch;
  }
  EXPECT_FLOAT_EQ(staff.PitchY[28], staff.StaffBottomY);
  EXPECT_FLOAT_EQ(staff.PitchY[24], staff.StaffBottomY - 150);
  EXPECT_FLOAT_EQ(staff.PitchY[45], staff.StaffBottomY + 750);
  EXPECT_FALSE(IsOnLine(staff, 101));
}

TEST(Accidentals, WithinABar) {
  struct Case {
    int root;
    std::vector<int> pitches;
    std::vector<QString> shown;
  };
  const Case cases[] = {
      {2, {25, 24, 25}, {"#", "N", "#"}},
      {2, {25, 25, 37}, {"#", "", ""}},  // the sign holds for the letter in every octave
      {0, {34, 35, 34}, {"b", "N", "b"}},
      {0, {24, 26, 28}, {"", "", ""}},
      {0, {27, 26}, {"b", ""}},  // a different letter is not affected
  };
  for (const Case& c : cases) {
    StaffLayout staff = Laid(c.root);
    ClearAccidentals(staff);
    for (size_t i = 0; i < c.pitches.size(); ++i) {
      EXPECT_EQ(AccidentalToDraw(staff, c.pitches[i]), c.shown[i]) << c.root << " #" << i;
    }
  }
  StaffLayout staff = Laid(2);
  AccidentalToDraw(staff, 25);
  ClearAccidentals(staff);  // a bar line
  EXPECT_EQ(AccidentalToDraw(staff, 24), "");
  EXPECT_EQ(AccidentalToDraw(staff, -3), "");
}

TEST(NoteAdvance, UnitsByLength) {
  struct Case {
    int length, note, rest;
  };
  for (const Case c :
       {Case{3, 1, 1}, Case{4, 3, 3}, Case{6, 3, 3}, Case{8, 3, 3}, Case{9, 3, 3}, Case{12, 4, 2},
        Case{18, 4, 2}, Case{16, 4, 4}, Case{24, 5, 4}, Case{36, 5, 4}, Case{48, 7, 7},
        Case{72, 7, 7}, Case{96, 10, 10}, Case{0, 0, 0}, Case{5, 0, 0}, Case{144, 0, 0}}) {
    EXPECT_EQ(NoteAdvance(c.length, false), c.note) << c.length;
    EXPECT_EQ(NoteAdvance(c.length, true), c.rest) << c.length;
  }
}
