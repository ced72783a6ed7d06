// The six study categories, in the order of the category list and of the material files
// (scale.txt, code.txt, ptn.txt, ric.txt, AUX1.txt, AUX2.txt). The settings record keeps the
// category as its index.
#pragma once

namespace category {

enum Category : int {
  kScale = 0,          // scales: steps from the key
  kChord = 1,          // chords: steps from the key
  kPattern = 2,        // II-V-I patterns: degrees over the three chords of the progression
  kPhrase = 3,         // written II-V-I phrases
  kOtherPhrases1 = 4,  // the two further phrase books
  kOtherPhrases2 = 5,
};

inline constexpr int kCount = 6;

// A category as the settings record stores it, brought into the categories there are.
constexpr int Valid(int stored) {
  return stored < kScale ? kScale : stored >= kCount ? kCount - 1 : stored;
}

// The three lists of one line per item (scales, chords, patterns).
constexpr bool IsList(int c) {
  return c >= kScale && c <= kPattern;
}
// The three phrase books, each item a written phrase in a key of its own.
constexpr bool IsPhraseBook(int c) {
  return c >= kPhrase && c <= kOtherPhrases2;
}
// The items built from steps above the key (scales and chords).
constexpr bool IsSteps(int c) {
  return c == kScale || c == kChord;
}

}  // namespace category
