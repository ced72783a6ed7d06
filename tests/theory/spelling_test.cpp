// How the notes of realised items are written: scales of seven notes one letter a degree,
// chords by the interval of each tone, phrase books as written and moved by letters, the
// rest by the key's own names; in sharp and flat keys.
#include "theory/spelling.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "material/category.h"

namespace {

struct Case {
  const char* name;
  int category;
  const char* steps;  // scale or chord steps; for phrase books the body lines, "|" apart
  int key;
  const char* expected;  // the names of the notes, spaces apart
};

QString Names(const std::vector<spelling::Spelled>& notes, const Phrase& phrase) {
  QStringList names;
  for (std::size_t i = 0; i < notes.size(); ++i) {
    if (!phrase.NoteIsRest[i]) names << spelling::Name(notes[i]);
  }
  return names.join(u' ');
}

class SpellItem : public ::testing::TestWithParam<Case> {};

TEST_P(SpellItem, WritesEachNoteOnItsLetter) {
  const Case& c = GetParam();
  settings::CfgRecord cfg;
  file_Treat::MaterialLists lists;
  Phrase phrase;
  ClearPhrase(phrase);
  RealiseContext ctx{cfg, lists, phrase, nullptr, [](const QString&) {}};
  cfg.LimitRange = 0;
  if (category::IsPhraseBook(c.category)) {
    auto& body = (*lists.PhraseLine)[0];
    body.fill(QString());
    const QStringList lines = QString::fromUtf8(c.steps).split(u'|');
    for (int i = 0; i < lines.size(); ++i) body[i] = lines[i];
    RealisePhrase(ctx, 0, 0);
    const int written = cfg.Root;
    cfg.Root = static_cast<std::int16_t>(c.key);
    TransposePhrase(cfg, phrase, c.key - written);
  } else if (c.category == category::kPattern) {
    lists.PatternDegrees[0] = QString::fromUtf8(c.steps);
    cfg.Root = static_cast<std::int16_t>(c.key);
    RealiseTwoFiveOne(ctx, 0, c.key);
  } else {
    (c.category == category::kScale ? lists.ScaleSteps : lists.ChordSteps)[0] =
        QString::fromUtf8(c.steps);
    cfg.Root = static_cast<std::int16_t>(c.key);
    RealiseSteps(ctx, c.category == category::kScale, 0, c.key);
  }
  const std::vector<spelling::Spelled> notes =
      spelling::SpellItem(phrase, lists, c.category, 0, cfg.Root);
  ASSERT_EQ(static_cast<int>(notes.size()), phrase.NoteCount);
  EXPECT_EQ(Names(notes, phrase).toStdString(), c.expected);
  // Every spelling stands for the pitch it writes.
  for (int i = 0; i < phrase.NoteCount; ++i) {
    if (!phrase.NoteIsRest[i]) {
      EXPECT_EQ(spelling::PitchOf(notes[i]), phrase.NotePitch[i]) << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Items, SpellItem,
    ::testing::Values(
        Case{"CLydian", category::kScale, "WWWHWWH", 0, "C D E F# G A B C"},
        Case{"CAltered", category::kScale, "HWHWWWW", 0, "C Db Eb Fb Gb Ab Bb C"},
        Case{"FSharpMajor", category::kScale, "WWHWWWH", 6, "F# G# A# B C# D# E# F#"},
        Case{"EFlatLydianAugmented", category::kScale, "WWWWHWH", 3, "Eb F G A B C D Eb"},
        Case{"DbMixolydianFlat6", category::kScale, "WWHWHWW", 1, "Db Eb F Gb Ab Bbb Cb Db"},
        // Not seven notes: the key's own names (C is written with flats).
        Case{"CBlues", category::kScale, "321132", 0, "C Eb F Gb G Bb C"},
        Case{"DMajorBebop", category::kScale, "WWHWHHWH", 2, "D E F# G A A# B C# D"},
        Case{"CMajorNinthSharpEleven", category::kChord, "43434", 0, "C E G B D F#"},
        Case{"CDiminishedSeventh", category::kChord, "333", 0, "C Eb Gb Bbb"},
        Case{"EDiminishedSeventh", category::kChord, "333", 4, "E G Bb Db"},
        Case{"CSevenSharpNine", category::kChord, "3133", 0, "C D# E G Bb"},
        Case{"BbSevenFlatNine", category::kChord, "4333", 10, "Bb D F Ab Cb"},
        Case{"ASevenSharpFive", category::kChord, "442", 9, "A C# E# G"},
        Case{"FHalfDiminished", category::kChord, "334", 5, "F Ab Cb Eb"},
        Case{"GSixNine", category::kChord, "2232", 7, "G A B D E"},
        Case{"DNineSusFour", category::kChord, "2323", 2, "D E G A C"},
        // II-V-I patterns keep the key's names.
        Case{"PatternInEb", category::kPattern, "1357", 3, "F Ab C Eb Bb D F Ab Eb G Bb D"},
        Case{"PatternInE", category::kPattern, "1357", 4, "F# A C# E B D# F# A E G# B D#"},
        // Phrase books: as written in their own key, moved by the letter distance.
        Case{"PhraseAsWritten", category::kPhrase, "*Dm7|2D4|2F4|*G7|2B4|2Ab4|*CM7|2E4|2F#4", 0,
             "D F B Ab E F#"},
        Case{"PhraseToEb", category::kPhrase, "*Dm7|2D4|2F4|*G7|2B4|2Ab4|*CM7|2E4|2F#4", 3,
             "F Ab D Cb G A"},
        Case{"PhraseToE", category::kPhrase, "*Dm7|2D4|2F4|*G7|2B4|2Ab4|*CM7|2E4|2F#4", 4,
             "F# A D# C G# A#"},
        Case{"PhraseWithRestToB", category::kPhrase, "*Bb7|R4|2D4|2Db4|*EbM7|2C4", 11, "A# A G#"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Spelling, OnLetterGivesTheAlterationAndOctaveOfThePitch) {
  // Pitch 24 is middle C (octave 4); B♯3 and D𝄫4 are the same key.
  EXPECT_EQ(spelling::OnLetter(24, 0), (spelling::Spelled{0, 0, 4}));
  EXPECT_EQ(spelling::OnLetter(24, 6), (spelling::Spelled{6, 1, 3}));
  EXPECT_EQ(spelling::OnLetter(24, 1), (spelling::Spelled{1, -2, 4}));
  EXPECT_EQ(spelling::OnLetter(-1, 6), (spelling::Spelled{6, 0, 1}));
  EXPECT_EQ(spelling::OnLetter(23, 0), (spelling::Spelled{0, -1, 4}));  // C♭4 sounds as B3
  EXPECT_EQ(spelling::Name(spelling::InKey(30, 0)), QStringLiteral("Gb"));
  EXPECT_EQ(spelling::Name(spelling::InKey(30, 6)), QStringLiteral("F#"));
}

}  // namespace
