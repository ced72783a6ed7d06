#include "theory/MusicMethod_Treat.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <vector>

#include "tests/theory/chord_quality_cases.h"

using namespace MusicMethod_Treat;

TEST(ParseNoteToken, ReadsLetterOctaveAndAccidental) {
  struct Case {
    const char* token;
    int pitch;
    bool rest;
    int position;
  };
  const Case cases[] = {
      {"E", 4, false, 1},
      {"2E", 16, false, 2},
      {"0E", -8, false, 2},
      {"1E", 4, false, 2},
      {"Eb", 3, false, 2},
      {"2F#", 18, false, 3},
      {"R5", 0, true, 1},
      {"GC", 0, false, 2},
      {"6B", 71, false, 2},
      {"2Bb4=", 22, false, 3},
      {"*Bb7", 10, false, 3},
      {"", 0, false, 0},
      {"x4", 0, false, 0},
      {"*F#m7", 6, false, 3},
      // A "b" or "#" of the suffix is not an accidental of the root.
      {"Cm7b5", 0, false, 1},
      {"*Dm7b5", 2, false, 2},
      {"G7#9", 7, false, 1},
      {"G7b9", 7, false, 1},
      {"C4b", 0, false, 1},
  };
  for (const Case& c : cases) {
    int pitch = -99;
    bool rest = true;
    EXPECT_EQ(ParseNoteToken(QString::fromUtf8(c.token), pitch, rest), c.position) << c.token;
    EXPECT_EQ(pitch, c.pitch) << c.token;
    EXPECT_EQ(rest, c.rest) << c.token;
  }
}

TEST(NoteNames, SpelledForTheKey) {
  const TheoryTables& t = Tables();
  EXPECT_EQ(NoteNameInKey(t, -1, 0), "B");
  EXPECT_EQ(NoteNameInKey(t, 10, 5), "Bb");
  EXPECT_EQ(NoteNameInKey(t, 10, 7), "A#");
  EXPECT_EQ(NoteNameInKey(t, 25, 1), "Db");
  EXPECT_EQ(NoteNameInKey(t, -30, 0), "Gb");  // far below zero still names a pitch class
  const QStringList keys = {"C", "Db", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B"};
  for (int k = 0; k < 12; ++k) {
    EXPECT_EQ(KeyName(t, k), keys[k]) << k;
    EXPECT_EQ(KeyName(t, k - 24), keys[k]) << k;
    EXPECT_EQ(KeyName(t, k + 36), keys[k]) << k;
  }
}

TEST(Tables, HoldTheDesignedEntries) {
  const TheoryTables& t = Tables();
  EXPECT_EQ(t.NoteNameTable[38], "");
  EXPECT_EQ(t.NoteNameTable[26 + 3], "bⅢ");
  EXPECT_EQ(t.NoteNameTable[39 + 3], "#９");
  EXPECT_EQ(t.NoteNameTable[39 + 6], "#11");
  EXPECT_EQ(t.NoteNameTable[13 + 6], "Gb");
  EXPECT_EQ(t.NoteNameTable[6], "F#");
  struct Slot {
    int tonality, treatment;
    ChordPosition position;
    const char* scale;
    const char* suffix;
  };
  const Slot table[] = {
      {0, 0, kII, "023579ACEFH", "m7"},
      {1, 3, kII, "013568ACDFH", "m7b5"},
      {0, 0, kV, "024579ACEGI", "7"},
      {1, 1, kV, "0134679ACDF", "7b9"},
      {0, 2, kV, "013468ACDFG", "alt"},
      {1, 3, kV, "02468ACEGIK", "7#5"},
      {0, 1, kI, "024579BCEGH", "M7"},
      {1, 0, kI, "023579ACEFH", "m7"},
      {0, 4, kV, "", ""},
      {1, 5, kI, "", ""},
  };
  for (const Slot& s : table) {
    const int index = s.tonality + 2 * s.treatment + 12 * s.position;
    EXPECT_EQ(t.ChordScaleTable[index], s.scale) << index;
    EXPECT_EQ(t.ChordSuffixTable[index], s.suffix) << index;
  }
  EXPECT_EQ(ChordTableIndex(9, 9, kI), 1 + 10 + 24);  // stored settings out of range
  EXPECT_EQ(t.ChordToneTable[kAltered], (std::array<std::int16_t, 4>{0, 4, 8, 11}));
}

TEST(StepValue, KnownCharactersAndRepeats) {
  EXPECT_EQ(StepValue('H', 0), 1);
  EXPECT_EQ(StepValue('1', 0), 1);
  EXPECT_EQ(StepValue('W', 0), 2);
  EXPECT_EQ(StepValue('3', 0), 3);
  EXPECT_EQ(StepValue('4', 0), 4);
  EXPECT_EQ(StepValue(' ', 3), 3);
  EXPECT_EQ(StepValue('w', 4), 4);  // lower case is not a step character
}

TEST(DurationTicks, Codes) {
  const std::pair<int, int> cases[] = {{2, 3},   {3, 6},   {4, 12},   {5, 24}, {6, 48}, {7, 96},
                                       {303, 4}, {304, 8}, {305, 16}, {8, 0},  {1, 0},  {302, 0}};
  for (const auto& [code, ticks] : cases) EXPECT_EQ(DurationTicks(code), ticks) << code;
}

TEST(VoiceChord, EverySuffixOfTheTableOnEveryRoot) {
  const std::pair<const char*, int> roots[] = {{"C", 0}, {"Eb", 3}, {"F#", 6}, {"B", 11}};
  for (const QualityCase& c : kQualityCases) {
    for (const char* suffix : c.suffixes) {
      for (const auto& [rootName, root] : roots) {
        const QString symbol = QString::fromUtf8(rootName) + QString::fromUtf8(suffix);
        SCOPED_TRACE(symbol.toStdString());
        std::array<std::int16_t, 7> v{};
        v.fill(-50);
        // Padded as the phrase record keeps chord names.
        VoiceChord(symbol + QStringLiteral("   "), v);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i], root + c.voices[i]) << "voice " << i;
        EXPECT_EQ(v[4], -50);
        EXPECT_EQ(v[5], root);
        EXPECT_EQ(v[6], root + c.bassFifth);
        // A slash bass takes both bass notes and leaves the voices.
        std::array<std::int16_t, 7> slash{};
        VoiceChord(symbol + QStringLiteral("/A"), slash);
        EXPECT_EQ(slash[0], v[0]);
        EXPECT_EQ(slash[3], v[3]);
        EXPECT_EQ(slash[5], 9);
        EXPECT_EQ(slash[6], 9);
      }
    }
  }
}

TEST(VoiceChord, AlteredMinorMajorAndSuffixesOutsideTheTable) {
  struct Case {
    const char* symbol;
    std::array<std::int16_t, 4> voicing;
    std::int16_t bassFifth;
  };
  const Case cases[] = {
      {"Galt", {7, 11, 17, 22}, 7},  // G B F A#: no natural fifth against the melody
      {"CmM7", {0, 3, 7, 11}, 7},    // the major seventh, not the minor one
      {"Bb7", {10, 14, 17, 20}, 17},
      // Not in the table: the shape is found by searching the suffix, the bass takes slot 2.
      {"C7(13)", {0, 4, 7, 10}, 7},
      {"Cmi7", {0, 3, 7, 10}, 7},
      {"Cx", {0, 4, 7, 0}, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.symbol);
    std::array<std::int16_t, 7> v{};
    VoiceChord(QString::fromLatin1(c.symbol), v);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i], c.voicing[i]) << "voice " << i;
    EXPECT_EQ(v[5], v[0]);
    EXPECT_EQ(v[6], c.bassFifth);
  }
  std::array<std::int16_t, 7> kept = {1, 2, 3, 4, 5, 6, 7};
  VoiceChord(QStringLiteral("   "), kept);
  EXPECT_EQ(kept, (std::array<std::int16_t, 7>{1, 2, 3, 4, 5, 1, 3}));
}

// A chord symbol's root is its first letter; a "/" and a letter name the bass.
TEST(ChordSymbols, RootSuffixAndSlashBass) {
  struct Case {
    const char* symbol;
    int root;
    const char* suffix;
    bool hasBass;
    int bass;
  };
  const Case cases[] = {
      {"Am7/G", 9, "m7", true, 7},  {"A/E", 9, "", true, 4},      {"Am/C", 9, "m", true, 0},
      {"C6/9", 0, "6/9", false, 0}, {"Bb7/Ab", 10, "7", true, 8}, {"F#m7b5", 6, "m7b5", false, 0},
      {"*Dm7", 2, "m7", false, 0},  {"G7/B", 7, "7", true, 11},   {"Eb/Db", 3, "", true, 1},
  };
  for (const Case& c : cases) {
    const ChordSymbol chord = ReadChordSymbol(QString::fromLatin1(c.symbol));
    EXPECT_EQ(chord.root, c.root) << c.symbol;
    EXPECT_EQ(chord.suffix, QString::fromLatin1(c.suffix)) << c.symbol;
    EXPECT_EQ(chord.hasBass, c.hasBass) << c.symbol;
    if (c.hasBass) {
      EXPECT_EQ(chord.bass, c.bass) << c.symbol;
    }
  }
}

// The accompaniment voices the chord and the bass plays the slash note on both beats.
TEST(VoiceChord, SlashChordsKeepTheChordAndChangeTheBass) {
  struct Case {
    const char* symbol;
    std::array<std::int16_t, 4> voicing;
    int bass;
  };
  const Case cases[] = {
      {"Am7/G", {9, 12, 16, 19}, 7},
      {"A/E", {9, 13, 16, 21}, 4},   // a triad: the root doubled an octave up
      {"Am/C", {9, 12, 16, 21}, 0},  // a minor triad, not a minor seventh
      {"CM7/E", {0, 4, 7, 11}, 4},
  };
  for (const Case& c : cases) {
    std::array<std::int16_t, 7> v{};
    VoiceChord(QString::fromLatin1(c.symbol), v);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i], c.voicing[i]) << c.symbol << " slot " << i;
    EXPECT_EQ(v[5], c.bass) << c.symbol;
    EXPECT_EQ(v[6], c.bass) << c.symbol;
  }
  // "C6/9" is a six-nine chord, not a slash chord: the bass alternates root and fifth.
  std::array<std::int16_t, 7> v{};
  VoiceChord(QStringLiteral("C6/9"), v);
  EXPECT_EQ(v[5], 0);
  EXPECT_EQ(v[6], 7);
}
