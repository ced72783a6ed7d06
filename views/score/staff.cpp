#include "views/score/staff.h"

#include <algorithm>
#include <cmath>

#include "theory/MusicMethod_Treat.h"

namespace Scor_treat {

void LayoutStaff(StaffLayout& staff, float width, float height, float frame2Left,
                 float staffOffset) {
  staff.StaffWidth = frame2Left * 0.97f;
  const float h8 = height / 8;
  staff.LineSpacing = 150;
  const float h12 = h8 * 1.2f;
  staff.StaffLeftX = width * 0.01f;
  staff.StaffBottomY = height - h12;
  staff.StaffBottomY += staffOffset;
  const float s = staff.LineSpacing;
  staff.ClefLeft = staff.StaffLeftX;
  staff.ClefTop = staff.StaffBottomY + 5.5f * s;
  staff.ClefHeight = 7.3f * s;
  staff.ClefWidth = 2 * s;
  staff.StemThresholdY = 2.5f * s + staff.StaffBottomY;
  staff.StemLength = 3.5f * s;
  staff.StemOffset = 0.5f * s;
  staff.GlyphRaise = 60;
}

void BuildPitchTables(StaffLayout& staff, int root) {
  BuildPitchTablesSpelled(staff, MusicMethod_Treat::KeyUsesFlats(root));
}

void BuildPitchTablesSpelled(StaffLayout& staff, bool flats) {
  const float s = staff.LineSpacing;
  const float T = staff.StaffBottomY;
  // Heights above the bottom line in spaces, and diatonic steps, of pitches 24..35.
  static constexpr float kFlatY[12] = {-1, -0.5f, -0.5f, 0, 0, 0.5f, 1, 1, 1.5f, 1.5f, 2, 2};
  static constexpr float kSharpY[12] = {-1, -1, -0.5f, -0.5f, 0, 0.5f, 0.5f, 1, 1, 1.5f, 1.5f, 2};
  static constexpr std::int16_t kFlatStep[12] = {15, 16, 16, 17, 17, 18, 19, 19, 20, 20, 21, 21};
  static constexpr std::int16_t kSharpStep[12] = {15, 15, 16, 16, 17, 18, 18, 19, 19, 20, 20, 21};
  for (QString& a : staff.PitchAccidental) a.clear();
  for (int i = 0; i < 12; ++i) {
    const int p = 24 + i;
    staff.PitchY[p] = T + (flats ? kFlatY[i] : kSharpY[i]) * s;
    staff.PitchStep[p] = flats ? kFlatStep[i] : kSharpStep[i];
    staff.PitchAccidental[p] =
        MusicMethod_Treat::IsBlackKey(i) ? QString(flats ? "b" : "#") : QString();
  }
  // The other octaves, from two below to six above (the last up to pitch 100).
  for (int p = 24; p <= 35; ++p) {
    for (int octave = -2; octave <= 6; ++octave) {
      const int q = p + 12 * octave;
      if (octave == 0 || q < 0 || q >= kPitchSlots) continue;
      staff.PitchY[q] = staff.PitchY[p] + 3.5f * s * octave;
      staff.PitchStep[q] = static_cast<std::int16_t>(staff.PitchStep[p] + 7 * octave);
      staff.PitchAccidental[q] = staff.PitchAccidental[p];
    }
  }
}

std::vector<float> LedgerLines(const StaffLayout& staff, float y, float slack) {
  const float s = staff.LineSpacing;
  const float T = staff.StaffBottomY;
  std::vector<float> lines;
  if (s <= 0) return lines;
  if (y > T + 4 * s) {
    for (float ly = T + 5 * s; ly <= y + slack; ly += s) lines.push_back(ly);
  }
  if (y < T) {
    for (float ly = T - s; ly >= y - slack; ly -= s) lines.push_back(ly);
  }
  return lines;
}

bool IsOnLine(const StaffLayout& staff, int pitch) {
  if (pitch < 0 || pitch >= kPitchSlots || staff.LineSpacing == 0) return false;
  const float d = std::abs(staff.PitchY[pitch] - staff.StaffBottomY) / staff.LineSpacing;
  return d - std::floor(d) < 0.01f;
}

void ClearAccidentals(StaffLayout& staff) {
  for (QString& a : staff.AccidentalState) a.clear();
  staff.AlterInForce.clear();
}

QString AccidentalToDraw(StaffLayout& staff, int pitch) {
  if (pitch < 0 || pitch >= kPitchSlots) return QString();
  const QString n = staff.PitchAccidental[pitch];
  const int step = staff.PitchStep[pitch];
  QString& a = staff.AccidentalState[((step % 7) + 7) % 7];
  if (!a.isEmpty() && a == n) return QString();
  if (!a.isEmpty() && n.isEmpty()) {
    a.clear();
    return QStringLiteral("N");
  }
  if (a.isEmpty() && !n.isEmpty()) {
    a = n;
    return n;
  }
  return n;
}

QString AccidentalToDraw(StaffLayout& staff, int step, int alter, int octave, bool tiedOver) {
  static const QString kSigns[] = {QStringLiteral("bb"), QStringLiteral("b"), QStringLiteral("N"),
                                   QStringLiteral("#"), QStringLiteral("x")};
  if (tiedOver) return QString();
  const int position = 7 * octave + ((step % 7) + 7) % 7;
  const auto found = staff.AlterInForce.find(position);
  const int inForce = found == staff.AlterInForce.end() ? 0 : found->second;
  const int written = std::clamp(alter, -2, 2);
  if (written == inForce) return QString();
  staff.AlterInForce[position] = written;
  return kSigns[written + 2];
}

float LetterHeight(const StaffLayout& staff, int step, int octave) {
  // The bottom line is E of octave 4: each letter above it is half a space higher.
  constexpr int kBottomLine = 4 * 7 + 2;
  return staff.StaffBottomY +
         static_cast<float>(octave * 7 + step - kBottomLine) * 0.5f * staff.LineSpacing;
}

std::int16_t NoteAdvance(int length, bool isRest) {
  switch (length) {
    case 3:
      return 1;
    case 4:
    case 6:
    case 8:
    case 9:
      return 3;
    case 12:
    case 18:
      return isRest ? 2 : 4;
    case 16:
      return 4;
    case 24:
    case 36:
      return isRest ? 4 : 5;
    case 48:
    case 72:
      return 7;
    case 96:
      return 10;
    default:
      return 0;
  }
}

}  // namespace Scor_treat
