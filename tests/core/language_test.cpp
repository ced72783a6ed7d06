// Names as the language of the run writes them.
#include "core/language.h"

#include <gtest/gtest.h>

// In English the flat and sharp signs replace b and # in note, key and chord names; words
// keep their letters, and Japanese keeps the program's own spelling.
TEST(WithSigns, WritesFlatsAndSharpsInEnglishOnly) {
  const struct {
    const char* text;
    const char* english;
  } cases[] = {
      {"Bb", "B♭"},
      {"F#", "F♯"},
      {"Bbm7", "B♭m7"},
      {"EbM7", "E♭M7"},
      {"Abdim7", "A♭dim7"},
      {"Dbaug", "D♭aug"},
      {"Gbsus4", "G♭sus4"},
      {"C7b9", "C7♭9"},
      {"C7(#11)", "C7(♯11)"},
      {"Bbm7b5", "B♭m7♭5"},
      {"F#m7/B", "F♯m7/B"},
      {"C/Bb", "C/B♭"},
      {"Bb Bebop major", "B♭ Bebop major"},
      {"Eb Mixolydian ♭6", "E♭ Mixolydian ♭6"},
      {"Blues lick (Bb) ( Bb )", "Blues lick (B♭) ( B♭ )"},
      {"b9 to the 5th", "♭9 to the 5th"},
      {"Ebony", "Ebony"},
      {"bebop", "bebop"},
      {"Cb", "C♭"},
  };
  for (const auto& c : cases) {
    const QString text = QString::fromUtf8(c.text);
    EXPECT_EQ(language::WithSigns(text, language::Language::English), QString::fromUtf8(c.english))
        << c.text;
    EXPECT_EQ(language::WithSigns(text, language::Language::Japanese), text) << c.text;
  }
}
