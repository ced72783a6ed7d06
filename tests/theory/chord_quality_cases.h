// The chords of the material by their suffix, as a teacher spells them, shared by the
// tests of the voicing and of what the accompaniment plays.
#pragma once

#include <array>
#include <vector>

// The accompaniment's four voices above the root and the bass's second note.
struct QualityCase {
  std::vector<const char*> suffixes;
  std::array<int, 4> voices;
  int bassFifth;
};
inline const QualityCase kQualityCases[] = {
    {{"", "M"}, {0, 4, 7, 12}, 7},
    {{"m", "-"}, {0, 3, 7, 12}, 7},
    {{"6"}, {0, 4, 7, 9}, 7},
    {{"m6", "-6"}, {0, 3, 7, 9}, 7},
    {{"69", "6/9"}, {0, 4, 9, 14}, 7},
    {{"M7", "maj7", "Maj7", "△", "△7"}, {0, 4, 7, 11}, 7},
    {{"mM7", "m(maj7)", "mmaj7", "-M7"}, {0, 3, 7, 11}, 7},
    {{"mM9", "m(maj9)", "mmaj9"}, {0, 3, 11, 14}, 7},
    {{"7"}, {0, 4, 7, 10}, 7},
    {{"m7", "-7", "min7"}, {0, 3, 7, 10}, 7},
    {{"m7b5", "ø", "ø7", "-7b5"}, {0, 3, 6, 10}, 6},
    {{"dim", "dim7", "o", "o7"}, {0, 3, 6, 9}, 6},
    {{"aug", "+"}, {0, 4, 8, 12}, 8},
    {{"7#5", "7+5", "+7", "aug7"}, {0, 4, 8, 10}, 8},
    {{"M7#5", "maj7#5"}, {0, 4, 8, 11}, 8},
    {{"7b5"}, {0, 4, 6, 10}, 6},
    {{"sus4", "sus"}, {0, 5, 7, 12}, 7},
    {{"7sus4", "7sus"}, {0, 5, 7, 10}, 7},
    {{"9sus4", "9sus"}, {0, 5, 10, 14}, 7},
    {{"9"}, {0, 4, 10, 14}, 7},
    {{"7b9"}, {0, 4, 10, 13}, 7},
    {{"7#9"}, {0, 4, 10, 15}, 7},
    {{"7#11"}, {0, 4, 10, 18}, 7},
    {{"7b13"}, {0, 4, 10, 20}, 10},  // no natural fifth under the flat thirteenth
    {{"7b9b13"}, {0, 4, 10, 13}, 10},
    {{"13", "13#11"}, {0, 4, 10, 21}, 7},
    {{"alt", "7alt"}, {0, 4, 10, 15}, 0},
    {{"M9", "maj9"}, {0, 4, 11, 14}, 7},
    {{"m9", "-9"}, {0, 3, 10, 14}, 7},
    {{"m11", "-11"}, {0, 3, 10, 17}, 7},
    {{"M7#11", "maj7#11", "M9#11", "maj9#11"}, {0, 4, 11, 18}, 7},
    {{"add9"}, {0, 4, 7, 14}, 7},
    {{"madd9", "m(add9)"}, {0, 3, 7, 14}, 7},
};
