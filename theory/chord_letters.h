// What a chord symbol's suffix means for the notes written over the chord: for each
// interval above its root, the letter the note goes on (counted from the root's letter), or
// none for a note that is no chord tone or tension of it. The suffix is read in the shapes
// it is written in ("M7", "maj7", "△7", "m7b5", "ø", "dim7", "°7", "7#9", "7alt", "9sus4",
// "6/9" ...), whatever the chord-quality table of the accompaniment knows.
//
// Chord tones stack in thirds: root, third, fifth and seventh (or sixth) on the root's
// letter and two, four and six letters up (a sus4's fourth three up). Named tensions and
// the ones each kind of chord carries go on their degree's letter: ♭9 and 9 one letter up
// (♯9 too over an altered dominant), 11 and ♯11 three, ♭13 and 13 five. Over a plain
// dominant the minor third is the blue third.
#pragma once

#include <QString>
#include <array>

namespace spelling {

inline constexpr int kNoDegree = -1;
inline constexpr int kBlueThird = -2;  // the minor third over a plain dominant

struct Quality {
  std::array<int, 12> letter{};
  std::array<bool, 12> chordTone{};  // root, third, fifth, seventh (or sixth)
  bool minor = false;                // a minor chord: m, m6, m7, mM7, m9, m11 ...
  bool dominant = false;             // a major third (or a fourth) under a minor seventh
};
Quality QualityOf(const QString& suffix);

}  // namespace spelling
