// How the notes, chord symbols and keys of realised items are written, in sharp, flat and
// minor keys: named cases, then every shipped pattern and phrase in all twelve keys read as a
// musician reads them.
#include "theory/spelling.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <map>

#include "material/category.h"

namespace {

struct Case {
  const char* name;
  int category;
  const char* steps;  // scale or chord steps, pattern degrees; phrase books: lines "|" apart
  int key;
  const char* expected;      // the names of the notes, spaces apart
  const char* chords;        // the chord symbols in order, spaces apart ("" to skip)
  const char* keyText = "";  // the item's key as titles write it ("" to skip)
  int tonality = 0;
  int treatment = 0;
};

struct Realised {
  settings::CfgRecord cfg;
  file_Treat::MaterialLists lists;
  Phrase phrase;
};

// The item of the case realised as the program does: a phrase as written, then moved to the
// case's key.
void Realise(const Case& c, Realised& r) {
  settings::CfgRecord& cfg = r.cfg;
  RealiseContext ctx{cfg, r.lists, r.phrase, nullptr, [](const QString&) {}};
  ClearPhrase(r.phrase);
  cfg.LimitRange = 0;
  cfg.Category = static_cast<std::int16_t>(c.category);
  cfg.LastItem[c.category] = 0;
  cfg.Tonality = static_cast<std::int16_t>(c.tonality);
  cfg.V7Treatment = static_cast<std::int16_t>(c.treatment);
  if (category::IsPhraseBook(c.category)) {
    auto& body = (*r.lists.PhraseLine)[0];
    body.fill(QString());
    const QStringList lines = QString::fromUtf8(c.steps).split(u'|');
    for (int i = 0; i < lines.size(); ++i) body[i] = lines[i];
    RealisePhrase(ctx, 0, 0);
    const int written = cfg.Root;
    cfg.Root = static_cast<std::int16_t>(c.key);
    TransposePhrase(cfg, r.phrase, c.key - written);
  } else if (c.category == category::kPattern) {
    r.lists.PatternDegrees[0] = QString::fromUtf8(c.steps);
    cfg.Root = static_cast<std::int16_t>(c.key);
    RealiseTwoFiveOne(ctx, 0, c.key);
  } else {
    // A chord's steps are followed by its suffix: "433:7".
    const QStringList parts = QString::fromUtf8(c.steps).split(u':');
    (c.category == category::kScale ? r.lists.ScaleSteps : r.lists.ChordSteps)[0] = parts[0];
    r.lists.ScaleName[0] = QStringLiteral("S");
    r.lists.ChordSuffix[0] = parts.value(1);
    cfg.Root = static_cast<std::int16_t>(c.key);
    RealiseSteps(ctx, c.category == category::kScale, 0, c.key);
  }
}

class SpellItem : public ::testing::TestWithParam<Case> {};

TEST_P(SpellItem, WritesEachNoteOnItsLetter) {
  const Case& c = GetParam();
  Realised r;
  Realise(c, r);
  const std::vector<spelling::Spelled> notes = spelling::SpellItem(r.phrase, r.lists, r.cfg);
  ASSERT_EQ(static_cast<int>(notes.size()), r.phrase.NoteCount);
  QStringList names;
  QStringList chords;
  for (int i = 0; i < r.phrase.NoteCount; ++i) {
    if (!r.phrase.NoteChord[i].trimmed().isEmpty()) chords << r.phrase.NoteChord[i].trimmed();
    if (r.phrase.NoteIsRest[i]) continue;
    names << spelling::Name(notes[i]);
    // Every spelling stands for the pitch it writes.
    EXPECT_EQ(spelling::PitchOf(notes[i]), r.phrase.NotePitch[i]) << i;
  }
  EXPECT_EQ(names.join(u' ').toStdString(), c.expected);
  if (*c.chords) {
    EXPECT_EQ(chords.join(u' ').toStdString(), c.chords);
  }
  if (*c.keyText) {
    EXPECT_EQ(spelling::KeyText(spelling::ItemKey(r.phrase, r.cfg.Root)).toStdString(), c.keyText);
  }
}

constexpr const char* kTwoFiveOne = "*Dm7|2D4|2F4|*G7|2B4|2Ab4|*CM7|2E4|2F#4";
constexpr const char* kMinorTwoFiveOne = "*Dm7b5|2D4|2Ab4|*G7|2B4|2F4|*Cm7|2Eb4|2C5";
constexpr const char* kTritone = "*Dm7|2F4|*Db7|2F4|2Cb4|*CM7|2E5";
constexpr const char* kBlueAndApproach = "*C7|2Eb4|2E4|*Dm7|2C#4|2D4|*C7|2D#4|2E4";

INSTANTIATE_TEST_SUITE_P(
    Items, SpellItem,
    ::testing::Values(
        // Scales: one letter a degree, the jazz spelling where two are in use, the root named
        // with fewer signs.
        Case{"CLydian", category::kScale, "WWWHWWH", 0, "C D E F# G A B C", "C S"},
        Case{"CAltered", category::kScale, "HWHWWWW", 0, "C Db D# E F# Ab Bb C", "C S"},
        Case{"DbAltered", category::kScale, "HWHWWWW", 1, "Db D E F G A Cb Db", "Db S"},
        Case{"CHalfWhole", category::kScale, "HWHWHWHW", 0, "C Db D# E F# G A Bb C", ""},
        Case{"DbHalfWhole", category::kScale, "HWHWHWHW", 1, "Db D E F G Ab Bb Cb Db", ""},
        Case{"GBlues", category::kScale, "321132", 7, "G Bb C Db D F G", ""},
        Case{"EMinorPentatonic", category::kScale, "32232", 4, "E G A B D E", ""},
        Case{"CMajorBlues", category::kScale, "211323", 0, "C D Eb E G A C", ""},
        Case{"FSharpMajor", category::kScale, "WWHWWWH", 6, "F# G# A# B C# D# E# F#", ""},
        Case{"FSharpBebopMajor", category::kScale, "WWHWHHWH", 6, "F# G# A# B C# D D# E# F#", ""},
        Case{"CBebopMajor", category::kScale, "WWHWHHWH", 0, "C D E F G G# A B C", ""},
        Case{"DbBebopDominant", category::kScale, "WWHWWHHH", 1, "Db Eb F Gb Ab Bb Cb C Db", ""},
        Case{"CBebopDorian", category::kScale, "WHHHWWHW", 0, "C D Eb E F G A Bb C", ""},
        Case{"CSharpDorian", category::kScale, "WHWWWHW", 1, "C# D# E F# G# A# B C#", "C# S"},
        Case{"CSharpMixolydianFlat6", category::kScale, "WWHWHWW", 1, "C# D# E# F# G# A B C#", ""},
        Case{"GSharpHarmonicMinor", category::kScale, "WHWWH3H", 8, "G# A# B C# D# E F## G#", ""},
        Case{"GWholeTone", category::kScale, "WWWWWW", 7, "G A B C# D# F G", ""},
        Case{"EbLydianAugmented", category::kScale, "WWWWHWH", 3, "Eb F G A B C D Eb", ""},
        // Chords of the list: tones on their stacked letters, tensions on their degree's.
        Case{"CMajorNinthSharpEleven", category::kChord, "43434:M9#11", 0, "C E G B D F#",
             "CM9#11"},
        Case{"CDiminishedSeventh", category::kChord, "333:dim7", 0, "C Eb Gb Bbb", "Cdim7"},
        Case{"BbDiminishedSeventhIsASharp", category::kChord, "333:dim7", 10, "A# C# E G",
             "A#dim7"},
        Case{"CSevenSharpNine", category::kChord, "3133:7#9", 0, "C D# E G Bb", "C7#9"},
        Case{"DbSeven", category::kChord, "433:7", 1, "Db F Ab Cb", "Db7"},
        Case{"AbSevenFlatNine", category::kChord, "4333:7b9", 8, "Ab C Eb Gb A", "Ab7b9"},
        Case{"ASevenSharpFive", category::kChord, "442:7#5", 9, "A C# E# G", "A7#5"},
        Case{"FHalfDiminished", category::kChord, "334:m7b5", 5, "F Ab Cb Eb", "Fm7b5"},
        Case{"GSixNine", category::kChord, "2232:6/9", 7, "G A B D E", "G6/9"},
        Case{"DNineSusFour", category::kChord, "2323:9sus4", 2, "D E G A C", "D9sus4"},
        // Patterns: the chords named from the key by degree, the notes by their scales.
        Case{"PatternInFSharp", category::kPattern, "1357", 6, "G# B D# F# C# E# G# B F# A# C# E#",
             "G#m7 C#7 F#M7", "F#"},
        Case{"PatternInEb", category::kPattern, "1357", 3, "F Ab C Eb Bb D F Ab Eb G Bb D",
             "Fm7 Bb7 EbM7", "Eb"},
        Case{"AlteredDominantInG", category::kPattern, "123", 7, "A B C D Eb E# G A B",
             "Am7 Dalt GM7", "G", 0, 2},
        Case{"CombinationOfDiminishedInA", category::kPattern, "1234", 9,
             "B C# D E E F G G# A B C# D", "Bm7 E7b9 AM7", "A", 0, 1},
        Case{"WholeToneInC", category::kPattern, "345", 0, "F G A B C# D# E F G", "Dm7 G7#5 CM7",
             "C", 0, 3},
        Case{"MinorPatternInCSharp", category::kPattern, "1357", 1,
             "D# F# A C# G# B# D# F# C# E G# B", "D#m7b5 G#7 C#m7", "C#m", 1},
        Case{"MinorPatternInGSharp", category::kPattern, "13", 8, "A# C# D# F## G# B",
             "A#m7b5 D#7 G#m7", "G#m", 1},
        Case{"MinorPatternInEb", category::kPattern, "13", 3, "F Ab Bb D Eb Gb", "Fm7b5 Bb7 Ebm7",
             "Ebm", 1},
        // Phrase books: the chord symbols move by interval, the chord tones stack, the rest
        // keep the letters they are written with where those still read.
        Case{"PhraseAsWritten", category::kPhrase, kTwoFiveOne, 0, "D F B Ab E F#", "Dm7 G7 CM7",
             "C"},
        Case{"PhraseToEb", category::kPhrase, kTwoFiveOne, 3, "F Ab D Cb G A", "Fm7 Bb7 EbM7",
             "Eb"},
        Case{"PhraseToE", category::kPhrase, kTwoFiveOne, 4, "F# A D# C G# A#", "F#m7 B7 EM7", "E"},
        Case{"PhraseToFSharp", category::kPhrase, kTwoFiveOne, 6, "G# B E# D A# B#",
             "G#m7 C#7 F#M7", "F#"},
        Case{"TritoneSubstituteToD", category::kPhrase, kTritone, 2, "G G Db F#", "Em7 Eb7 DM7",
             "D"},
        Case{"MinorPhraseInCSharp", category::kPhrase, kMinorTwoFiveOne, 1, "D# A B# F# E C#",
             "D#m7b5 G#7 C#m7", "C#m"},
        Case{"MinorPhraseInGSharp", category::kPhrase, kMinorTwoFiveOne, 8, "A# E F## C# B G#",
             "A#m7b5 D#7 G#m7", "G#m"},
        Case{"MinorPhraseWrittenInDbMinorIsShownInCSharp", category::kPhrase,
             "*Ebm7b5|2Eb4|*Ab7|2C4|*Dbm7|2Fb4", 1, "D# B# E", "D#m7b5 G#7 C#m7", "C#m"},
        Case{"FlatNineOverADominantGoesOnTheNinthsLetter", category::kPhrase,
             "*D7|2D4|2D#4|2E4|*GM7|2D4", 7, "D Eb E D", "D7 GM7", "G"},
        Case{"BlueThirdAndApproachKeepTheirLetters", category::kPhrase, kBlueAndApproach, 0,
             "Eb E C# D D# E", "C7 Dm7 C7", "C"},
        Case{"BlueThirdAndApproachInDb", category::kPhrase, kBlueAndApproach, 1, "E F D Eb E F",
             "Db7 Ebm7 Db7", "Db"},
        Case{"ADoubleSharpApproachBecomesANatural", category::kPhrase, "*G7|2A#4|2B4|*CM7|2C5", 4,
             "D D# E", "B7 EM7", "E"},
        Case{"PhraseWithRestToB", category::kPhrase, "*Bb7|R4|2D4|2Db4|*EbM7|2C4", 11, "A# A G#",
             "F#7 BM7", "B"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Spelling, OnLetterGivesTheAlterationAndOctaveOfThePitch) {
  // Pitch 24 is middle C (octave 4); B♯3 and D𝄫4 are the same key.
  EXPECT_EQ(spelling::OnLetter(24, 0), (spelling::Spelled{0, 0, 4}));
  EXPECT_EQ(spelling::OnLetter(24, 6), (spelling::Spelled{6, 1, 3}));
  EXPECT_EQ(spelling::OnLetter(24, 1), (spelling::Spelled{1, -2, 4}));
  EXPECT_EQ(spelling::OnLetter(-1, 6), (spelling::Spelled{6, 0, 1}));
  EXPECT_EQ(spelling::OnLetter(23, 0), (spelling::Spelled{0, -1, 4}));  // C♭4 sounds as B3
}

TEST(Spelling, KeysAreNamedWithAtMostSixSigns) {
  const char* majors[] = {"C", "Db", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B"};
  const char* minors[] = {"Cm",  "C#m", "Dm",  "Ebm", "Em",  "Fm",
                          "F#m", "Gm",  "G#m", "Am",  "Bbm", "Bm"};
  const int majorFifths[] = {0, -5, 2, -3, 4, -1, 6, 1, -4, 3, -2, 5};
  const int minorFifths[] = {-3, 4, -1, -6, 1, -4, 3, -2, 5, 0, -5, 2};
  for (int k = 0; k < 12; ++k) {
    EXPECT_EQ(spelling::KeyText({k, false}).toStdString(), majors[k]);
    EXPECT_EQ(spelling::KeyText({k, true}).toStdString(), minors[k]);
    EXPECT_EQ(spelling::Fifths({k, false}), majorFifths[k]) << k;
    EXPECT_EQ(spelling::Fifths({k, true}), minorFifths[k]) << k;
  }
  EXPECT_EQ(spelling::KeyTitle({1, true}), QStringLiteral("C♯m"));
  EXPECT_EQ(spelling::KeyTitle({3, false}), QStringLiteral("E♭"));
}

TEST(Spelling, ChordSymbolsMoveByInterval) {
  const struct {
    const char* symbol;
    int letters, semitones;
    bool flats;
    const char* moved;
  } cases[] = {
      {"Db7", 1, 2, false, "Eb7"},        // ♭Ⅱ7 of C to ♭Ⅱ7 of D
      {"F#dim7", 1, 2, false, "G#dim7"},  // ♯Ⅳ°7 of C to ♯Ⅳ°7 of D
      {"C/E", 2, 3, true, "Eb/G"},
      {"Cm7b5", 1, 1, true, "Dbm7b5"},
      // A root that would need a double sign is written with fewer signs.
      {"G#7", 3, 6, false, "D7"},
      {"Bbm7", 1, 1, true, "Cbm7"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(spelling::MoveSymbol(QString::fromUtf8(c.symbol), c.letters, c.semitones, c.flats)
                  .toStdString(),
              c.moved)
        << c.symbol;
  }
}

// ---- Every shipped pattern and phrase in all twelve keys -------------------------------

const QString kDataDir = QStringLiteral(VORMINA_SOURCE_DIR "/data");
const char* kLetterNames = "CDEFGAB";

// The tones of the chords the shipped material and the patterns write, above the root: each
// interval with the letter it stacks on (third two letters up, fifth four, seventh six).
const std::map<QString, std::vector<std::pair<int, int>>>& ChordTones() {
  static const std::map<QString, std::vector<std::pair<int, int>>> tones = {
      {"7", {{0, 0}, {4, 2}, {7, 4}, {10, 6}}},
      {"9", {{0, 0}, {4, 2}, {7, 4}, {10, 6}}},
      {"7b9", {{0, 0}, {4, 2}, {7, 4}, {10, 6}}},
      {"7#9", {{0, 0}, {4, 2}, {7, 4}, {10, 6}}},
      {"alt", {{0, 0}, {4, 2}, {10, 6}}},
      {"7alt", {{0, 0}, {4, 2}, {10, 6}}},
      {"m7", {{0, 0}, {3, 2}, {7, 4}, {10, 6}}},
      {"m6", {{0, 0}, {3, 2}, {7, 4}, {9, 5}}},
      {"M7", {{0, 0}, {4, 2}, {7, 4}, {11, 6}}},
      {"m7b5", {{0, 0}, {3, 2}, {6, 4}, {10, 6}}},
      {"dim", {{0, 0}, {3, 2}, {6, 4}, {9, 6}}},
      {"dim7", {{0, 0}, {3, 2}, {6, 4}, {9, 6}}},
      {"7#5", {{0, 0}, {4, 2}, {8, 4}, {10, 6}}},
      {"m", {{0, 0}, {3, 2}, {7, 4}}},
      {"", {{0, 0}, {4, 2}, {7, 4}}},
  };
  return tones;
}

int LetterOf(QChar c) {
  return static_cast<int>(QString::fromLatin1(kLetterNames).indexOf(c));
}

// Reads a symbol the way a musician does: its root letter, its sign, its pitch class and
// its suffix.
struct Symbol {
  int letter = -1;
  int pitchClass = 0;
  QString suffix;
};
Symbol ReadSymbol(const QString& text) {
  static constexpr int kNatural[] = {0, 2, 4, 5, 7, 9, 11};
  Symbol s;
  if (text.isEmpty() || LetterOf(text[0]) < 0) return s;
  s.letter = LetterOf(text[0]);
  s.pitchClass = kNatural[s.letter];
  int at = 1;
  if (text.size() > 1 && (text[1] == u'#' || text[1] == u'b')) {
    s.pitchClass += text[1] == u'#' ? 1 : -1;
    at = 2;
  }
  s.pitchClass = (s.pitchClass + 12) % 12;
  s.suffix = text.mid(at).section(u'/', 0, 0);
  return s;
}

struct Checked {
  int notes = 0, chordTones = 0;
};

// One realised item read note by note against the chord in force.
void CheckItem(const Realised& r, const std::string& what, Checked& seen) {
  const spelling::Key key = spelling::ItemKey(r.phrase, r.cfg.Root);
  const QString keyName = spelling::KeyText(key);
  EXPECT_LE(std::abs(spelling::Fifths(key)), 6) << what << " in " << keyName.toStdString();
  const std::vector<spelling::Spelled> notes = spelling::SpellItem(r.phrase, r.lists, r.cfg);
  Symbol chord;
  // A note tied into or from a chord tone takes the chord tone's name.
  std::vector<bool> demanded(notes.size(), false);
  for (int i = 0; i < r.phrase.NoteCount; ++i) {
    const QString text = r.phrase.NoteChord[i].trimmed();
    if (!text.isEmpty()) {
      chord = ReadSymbol(text);
      ASSERT_GE(chord.letter, 0) << what << " symbol " << text.toStdString();
      EXPECT_LE(std::abs(spelling::SymbolRoot(text)->alter), 1) << what;
    }
    if (r.phrase.NoteIsRest[i]) continue;
    const spelling::Spelled& s = notes[i];
    ++seen.notes;
    EXPECT_EQ(spelling::PitchOf(s), r.phrase.NotePitch[i]) << what << " note " << i;
    const auto tones = ChordTones().find(chord.suffix);
    if (chord.letter < 0 || tones == ChordTones().end()) continue;
    const int interval = ((r.phrase.NotePitch[i] - chord.pitchClass) % 12 + 12) % 12;
    for (const auto& [toneInterval, letters] : tones->second) {
      if (toneInterval != interval) continue;
      ++seen.chordTones;
      demanded[i] = true;
      EXPECT_EQ(s.step, (chord.letter + letters) % 7)
          << what << " in " << keyName.toStdString() << ": note " << i << " "
          << spelling::Name(s).toStdString() << " over " << r.phrase.NoteChord[i].toStdString();
    }
  }
  for (int i = 0; i < r.phrase.NoteCount; ++i) {
    if (r.phrase.NoteIsRest[i] || std::abs(notes[i].alter) < 2) continue;
    // A double sign only where a chord demands it, on the note or on the note tied to it.
    bool byChord = demanded[i];
    for (int k = i; k > 0 && r.phrase.NoteTie[k] && !byChord; --k) byChord = demanded[k - 1];
    for (int k = i + 1; k < r.phrase.NoteCount && r.phrase.NoteTie[k] && !byChord; ++k) {
      byChord = demanded[k];
    }
    EXPECT_TRUE(byChord) << what << " in " << keyName.toStdString() << ": note " << i << " "
                         << spelling::Name(notes[i]).toStdString();
  }
}

TEST(Spelling, EveryShippedPatternAndPhraseReadsRightInAllTwelveKeys) {
  Checked seen;
  for (int category = category::kPattern; category <= category::kOtherPhrases2; ++category) {
    Realised r;
    QString error;
    const int count = file_Treat::LoadCategory(r.lists, kDataDir, category, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    for (int item = 0; item < count; ++item) {
      const bool pattern = category == category::kPattern;
      // Patterns in both tonalities with every treatment of the Ⅴ; phrases as written.
      for (int variant = 0; variant < (pattern ? 8 : 1); ++variant) {
        settings::CfgRecord& cfg = r.cfg;
        cfg.Category = static_cast<std::int16_t>(category);
        cfg.LastItem[category] = static_cast<std::int16_t>(item);
        cfg.LimitRange = 0;
        cfg.Tonality = static_cast<std::int16_t>(variant % 2);
        cfg.V7Treatment = static_cast<std::int16_t>(variant / 2);
        RealiseContext ctx{cfg, r.lists, r.phrase, nullptr, [](const QString&) {}};
        std::int16_t previous = 0;
        cfg.Root = 0;
        RealiseItem(ctx, false, previous);
        const int own = cfg.Root;
        const bool writtenMinor = r.phrase.KeyMinor != 0;
        for (int step = 0; step < 12; ++step) {
          // Up by semitones from the item's own key, as the semitone button moves it.
          cfg.Root = static_cast<std::int16_t>((own + step) % 12);
          RealiseItem(ctx, !pattern, previous);
          const std::string what = std::to_string(category) + "/" + std::to_string(item) + " " +
                                   file_Treat::ItemName(r.lists, category, item).toStdString();
          EXPECT_EQ(r.phrase.KeyMinor != 0, pattern ? variant % 2 == 1 : writtenMinor) << what;
          CheckItem(r, what, seen);
        }
      }
    }
  }
  // The table covered the material: thousands of notes, most of them chord tones.
  EXPECT_GT(seen.notes, 20000);
  EXPECT_GT(seen.chordTones, 10000);
}

TEST(Spelling, MinorPhrasesAreInTheMinorKeyOfTheirLastChord) {
  Realised r;
  ASSERT_GT(file_Treat::LoadCategory(r.lists, kDataDir, category::kPhrase, nullptr), 0);
  int minor = 0;
  for (int item = 0; item < file_Treat::kPhraseSlots; ++item) {
    const QString name = r.lists.PhraseName[item];
    if (name.isEmpty()) continue;
    r.cfg.Category = category::kPhrase;
    r.cfg.LastItem[category::kPhrase] = static_cast<std::int16_t>(item);
    RealiseContext ctx{r.cfg, r.lists, r.phrase, nullptr, [](const QString&) {}};
    std::int16_t previous = 0;
    RealiseItem(ctx, false, previous);
    // The names say the key: "(Cm)" for a minor phrase.
    const bool namedMinor = name.contains(QStringLiteral("m)"));
    EXPECT_EQ(r.phrase.KeyMinor != 0, namedMinor) << name.toStdString();
    minor += namedMinor ? 1 : 0;
  }
  EXPECT_GE(minor, 5);
}

}  // namespace
