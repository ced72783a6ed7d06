#include "theory/phrase.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/language.h"

namespace {

// A realisation context over lists and settings of the test's own.
class Realisation : public ::testing::Test {
 protected:
  void SetUp() override { ClearPhrase(phrase); }

  RealiseContext Context() {
    return RealiseContext{cfg, lists, phrase, rings ? &*rings : nullptr,
                          [this](const QString& m) { messages << m; }};
  }
  void SetPhraseBody(int item, const QStringList& lines) {
    auto& body = (*lists.PhraseLine)[item];
    body.fill(QString());
    for (int i = 0; i < lines.size(); ++i) body[i] = lines[i];
  }
  std::vector<int> Pitches() const {
    return std::vector<int>(phrase.NotePitch.begin(), phrase.NotePitch.begin() + phrase.NoteCount);
  }
  std::vector<int> Lengths() const {
    return std::vector<int>(phrase.NoteLength.begin(),
                            phrase.NoteLength.begin() + phrase.NoteCount);
  }
  std::vector<int> Groups() const {
    std::vector<int> g;
    for (int i = 0; i < phrase.NoteCount; ++i) g.push_back(phrase.NoteGroup(i));
    return g;
  }

  settings::CfgRecord cfg;
  file_Treat::MaterialLists lists;
  Phrase phrase;
  std::optional<RingPoints> rings;
  QStringList messages;
};

}  // namespace

TEST(FixedText, CutsOrPads) {
  EXPECT_EQ(FixedText("Dm7", 10), "Dm7       ");
  EXPECT_EQ(FixedText("C Mixolydian", 10), "C Mixolydi");
  EXPECT_EQ(FixedText("C Mixolydian", 10).size(), 10);
  // A character outside the basic plane (a surrogate pair) is never cut in half.
  const QString doubleFlat = QString::fromUtf8("B\U0001D12B7");  // B, 𝄫, 7
  for (int length = 1; length <= 5; ++length) {
    const QString cut = FixedText(QStringLiteral("Abcdefgh") + doubleFlat, 8 + length);
    EXPECT_EQ(cut.size(), 8 + length);
    for (int i = 0; i < cut.size(); ++i) {
      if (cut[i].isHighSurrogate()) {
        ASSERT_LT(i + 1, cut.size()) << length;
        EXPECT_TRUE(cut[i + 1].isLowSurrogate()) << length;
      }
    }
  }
  EXPECT_EQ(FixedText(QStringLiteral("Abcdefgh") + doubleFlat, 10), QStringLiteral("AbcdefghB "));
}

TEST_F(Realisation, StepsOfAScale) {
  lists.ScaleName[3] = "Dorian";
  lists.ScaleSteps[3] = "WHWWWHW";
  lists.ScaleSteps[4] = "WWHWWWH";
  auto ctx = Context();
  RealiseSteps(ctx, true, 4, 2);
  EXPECT_EQ(Pitches(), (std::vector<int>{2, 4, 6, 7, 9, 11, 13, 14}));
  EXPECT_EQ(Lengths(), std::vector<int>(8, 12));
  ClearPhrase(phrase);
  RealiseSteps(ctx, true, 3, 2);
  EXPECT_EQ(Pitches(), (std::vector<int>{2, 4, 5, 7, 9, 11, 12, 14}));
  EXPECT_EQ(phrase.NoteChord[0], "D Dorian  ");
  EXPECT_EQ(phrase.NoteChord[1], "          ");
  EXPECT_TRUE(messages.isEmpty());
}

TEST_F(Realisation, StepStringOddities) {
  struct Case {
    QString steps;
    std::vector<int> pitches;
  };
  const Case cases[] = {
      {"", {0}},
      {" W", {0, 0, 2}},            // a leading space repeats the step value 0
      {"3x4?", {0, 3, 6, 10, 14}},  // unknown characters repeat the previous step
      {"343", {0, 3, 7, 10}},
  };
  for (const Case& c : cases) {
    lists.ChordSuffix[0] = "m7";
    lists.ChordSteps[0] = c.steps;
    auto ctx = Context();
    ClearPhrase(phrase);
    RealiseSteps(ctx, false, 0, 0);
    EXPECT_EQ(Pitches(), c.pitches) << c.steps.toStdString();
    EXPECT_EQ(phrase.NoteChord[0], "Cm7       ");
  }
}

TEST_F(Realisation, LongLabelsAreCutAndOverlongStepStringsRefused) {
  lists.ScaleName[0] = "Mixolydian b13";
  lists.ScaleSteps[0] = QString(700, 'H');
  auto ctx = Context();
  RealiseSteps(ctx, true, 0, 10);
  EXPECT_EQ(phrase.NoteChord[0], "Bb Mixolyd");
  // In English the name is an English title and is shown whole.
  language::SetCurrent(language::Language::English);
  RealiseSteps(ctx, true, 0, 10);
  language::SetCurrent(language::Language::Japanese);
  EXPECT_EQ(phrase.NoteChord[0], "Bb Mixolydian b13");
  EXPECT_EQ(phrase.NoteCount, 513);
  EXPECT_EQ(phrase.NotePitch[512], 10 + 512);
  EXPECT_EQ(messages, (QStringList{kPhraseError, kPhraseError}));
}

TEST_F(Realisation, TwoFiveOneInMajor) {
  lists.PatternDegrees[0] = "1357";
  rings = RingPoints{};
  for (int ring = 0; ring < 3; ++ring) {
    for (int pc = 0; pc < 12; ++pc) (*rings)[ring][pc] = QPointF(ring * 100 + pc, -pc);
  }
  auto ctx = Context();
  RealiseTwoFiveOne(ctx, 0, 0);
  EXPECT_EQ(Pitches(), (std::vector<int>{2, 5, 9, 12, 7, 11, 14, 17, 0, 4, 7, 11}));
  EXPECT_EQ(Lengths(), std::vector<int>(12, 24));
  EXPECT_EQ(phrase.NoteChord[0].trimmed(), "Dm7");
  EXPECT_EQ(phrase.NoteChord[4].trimmed(), "G7");
  EXPECT_EQ(phrase.NoteChord[8].trimmed(), "CM7");
  EXPECT_EQ(phrase.NoteChord[1].trimmed(), "");
  EXPECT_EQ(phrase.NoteDegree[0], "Ⅰ    ");
  EXPECT_EQ(phrase.NoteDegree[1], "bⅢ   ");
  EXPECT_EQ(phrase.NoteDegree[5], "Ⅲ    ");
  // Inner ring for II, middle ring for V, outer ring for I, by pitch class.
  EXPECT_EQ(phrase.NoteCircleX[1], 5);
  EXPECT_EQ(phrase.NoteCircleX[5], 100 + 11);
  EXPECT_EQ(phrase.NoteCircleX[11], 200 + 11);
  EXPECT_EQ(phrase.NoteCircleY[11], -11);
}

TEST_F(Realisation, TwoFiveOneTreatmentsAndTonalities) {
  lists.PatternDegrees[0] = "1357";
  cfg.V7Treatment = 1;
  cfg.Root = 0;
  auto ctx = Context();
  RealiseTwoFiveOne(ctx, 0, 0);
  EXPECT_EQ(phrase.NoteChord[4].trimmed(), "G7b9");
  EXPECT_EQ(Pitches()[4], 7);
  EXPECT_EQ(Pitches()[5], 10);  // the combination-of-diminished scale's third degree
  ClearPhrase(phrase);
  cfg.Tonality = 1;
  cfg.V7Treatment = 0;
  RealiseTwoFiveOne(ctx, 0, 9);
  EXPECT_EQ(phrase.NoteChord[0].trimmed(), "Bm7b5");
  EXPECT_EQ(phrase.NoteChord[8].trimmed(), "Am7");
  EXPECT_EQ(Pitches()[1], 11 + 3);
  EXPECT_EQ(Pitches()[2], 11 + 6);
}

TEST_F(Realisation, TwoFiveOneLengthsByNotesPerChord) {
  struct Case {
    QString degrees;
    std::vector<int> perChord;
  };
  const Case cases[] = {
      {"1", {96}},
      {"15", {48, 48}},
      {"135", {24, 24, 48}},
      {"13572", {24, 24, 24, 12, 12}},
      {"123456", {24, 24, 12, 12, 12, 12}},
      {"1234567", std::vector<int>(7, 0)},
  };
  for (const Case& c : cases) {
    lists.PatternDegrees[0] = c.degrees;
    ClearPhrase(phrase);
    auto ctx = Context();
    RealiseTwoFiveOne(ctx, 0, 0);
    std::vector<int> expected;
    for (int chord = 0; chord < 3; ++chord) {
      expected.insert(expected.end(), c.perChord.begin(), c.perChord.end());
    }
    EXPECT_EQ(Lengths(), expected) << c.degrees.toStdString();
  }
}

TEST_F(Realisation, DegreesOutsideTheScaleGiveTheRoot) {
  lists.PatternDegrees[0] = "089x";
  auto ctx = Context();
  RealiseTwoFiveOne(ctx, 0, 0);
  EXPECT_EQ(Pitches(), (std::vector<int>{2, 2, 2, 2, 7, 7, 7, 7, 0, 0, 0, 0}));
}

TEST_F(Realisation, FitToRange) {
  struct Case {
    int low, high;
    std::vector<int> pitches;
    std::vector<int> rests;
    int shift;
  };
  const Case cases[] = {
      {0, 20, {10, 35}, {0, 0}, -24},
      {0, 30, {10, 35}, {0, 0}, -12},
      {24, 88, {14, 20}, {0, 0}, 12},
      {24, 88, {2, 12}, {0, 0}, 24},
      {30, 40, {10, 50}, {0, 0}, -12},  // the upper limit wins
      {0, 88, {30, 30}, {1, 1}, 0},     // only rests: never shifted
      {24, 88, {30, 5}, {1, 0}, 24},    // a rest's placeholder pitch does not count
      // The edges: a note on a limit is inside the range; one octave is enough while it
      // brings the far note onto the limit.
      {10, 40, {20, 40}, {0, 0}, 0},
      {10, 40, {20, 41}, {0, 0}, -12},
      {10, 40, {20, 52}, {0, 0}, -12},
      {10, 40, {20, 53}, {0, 0}, -24},
      {10, 40, {10, 30}, {0, 0}, 0},
      {10, 40, {9, 30}, {0, 0}, 12},
      {10, 40, {-2, 30}, {0, 0}, 12},
      {10, 40, {-3, 30}, {0, 0}, 24},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "range " << c.low << ".." << c.high << ", pitches "
                                    << testing::PrintToString(c.pitches));
    cfg.LimitRange = 1;
    cfg.RangeLow = static_cast<std::int16_t>(c.low);
    cfg.RangeHigh = static_cast<std::int16_t>(c.high);
    ClearPhrase(phrase);
    phrase.NoteCount = static_cast<std::int16_t>(c.pitches.size());
    for (size_t i = 0; i < c.pitches.size(); ++i) {
      phrase.NotePitch[i] = static_cast<std::int16_t>(c.pitches[i]);
      phrase.NoteIsRest[i] = static_cast<std::int16_t>(c.rests[i]);
    }
    FitToRange(cfg, phrase);
    for (size_t i = 0; i < c.pitches.size(); ++i) {
      EXPECT_EQ(phrase.NotePitch[i], c.pitches[i] + c.shift) << c.low << ".." << c.high;
    }
  }
  cfg.LimitRange = 0;
  phrase.NotePitch[0] = 80;
  FitToRange(cfg, phrase);
  EXPECT_EQ(phrase.NotePitch[0], 80);
}

TEST_F(Realisation, PhraseWithChordLines) {
  SetPhraseBody(2, {"*Dm7", "2D4", "2F4", "*G7", "2B4", "3D4"});
  cfg.Root = 0;
  auto ctx = Context();
  RealisePhrase(ctx, 2, 0);
  EXPECT_EQ(Pitches(), (std::vector<int>{14, 17, 23, 26}));
  EXPECT_EQ(Lengths(), std::vector<int>(4, 12));
  EXPECT_EQ(phrase.NoteChord[0], "Dm7       ");
  EXPECT_EQ(phrase.NoteChord[1], "          ");
  EXPECT_EQ(phrase.NoteChord[2], "G7        ");
  EXPECT_EQ(cfg.Root, 7);
  EXPECT_TRUE(messages.isEmpty());
}

TEST_F(Realisation, PhraseNoteLines) {
  struct Case {
    const char* line;
    int pitch, length, rest, tie;
  };
  const Case cases[] = {
      {"R5", 30, 24, 1, 0},    {"C4.", 0, 18, 0, 0},  {"CT4", 0, 8, 0, 0},   {"C4T", 0, 8, 0, 0},
      {"CT4.", 0, 0, 0, 0},    {"C4.T", 0, 18, 0, 0}, {"C", 0, 0, 0, 0},     {"C4=", 0, 12, 0, 1},
      {"3Bb5.", 34, 36, 0, 0}, {"C 5", 0, 24, 0, 0},  {"C2.", 0, 4, 0, 0},   {"C3.", 0, 9, 0, 0},
      {"4F#6", 42, 48, 0, 0},  {"0A7", -3, 96, 0, 0}, {"RT5", 30, 16, 1, 0},
  };
  for (const Case& c : cases) {
    SetPhraseBody(0, {QString::fromLatin1(c.line)});
    ClearPhrase(phrase);
    auto ctx = Context();
    RealisePhrase(ctx, 0, 0);
    ASSERT_EQ(phrase.NoteCount, 1) << c.line;
    EXPECT_EQ(phrase.NotePitch[0], c.pitch) << c.line;
    EXPECT_EQ(phrase.NoteLength[0], c.length) << c.line;
    EXPECT_EQ(phrase.NoteIsRest[0], c.rest) << c.line;
    EXPECT_EQ(phrase.NoteTie[0], c.tie) << c.line;
  }
  EXPECT_TRUE(messages.isEmpty());
}

TEST_F(Realisation, ChordLinesAttachToTheNextNoteAndTheLastSetsTheKey) {
  SetPhraseBody(0, {"*Dm7", "*G7", "C5", "D5", "*Ebm7b5"});
  cfg.Root = 5;
  auto ctx = Context();
  RealisePhrase(ctx, 0, 5);
  EXPECT_EQ(phrase.NoteChord[0].trimmed(), "G7");
  EXPECT_EQ(phrase.NoteChord[1].trimmed(), "");
  EXPECT_EQ(phrase.NoteCount, 2);
  EXPECT_EQ(cfg.Root, 3);  // Eb, with the suffix's "b" left to the suffix
}

TEST_F(Realisation, RootReadBackIsAPitchClass) {
  SetPhraseBody(0, {"*B#7", "C5", "*Cb7"});
  auto ctx = Context();
  RealisePhrase(ctx, 0, 0);
  EXPECT_EQ(cfg.Root, 11);  // Cb reads as -1
  SetPhraseBody(0, {"*B#7", "C5"});
  RealisePhrase(ctx, 0, 0);
  EXPECT_EQ(cfg.Root, 0);  // B# reads as 12
}

TEST_F(Realisation, BrokenPhrasesAreRefusedWithTheMessage) {
  const QStringList full = [] {
    QStringList l;
    for (int i = 0; i < 101; ++i) l << "C4";
    return l;
  }();
  const QStringList bodies[] = {full, {"C4", "C99999"}, {"CT32500"}};
  for (const QStringList& body : bodies) {
    SetPhraseBody(0, body);
    cfg.Root = 4;
    messages.clear();
    ClearPhrase(phrase);
    auto ctx = Context();
    RealisePhrase(ctx, 0, 4);
    EXPECT_EQ(messages, QStringList{kPhraseError}) << body.first().toStdString();
    EXPECT_EQ(phrase.NoteCount, 0);
    EXPECT_EQ(cfg.Root, 4);
  }
}

TEST_F(Realisation, TransposeMovesNotesAndRenamesChords) {
  struct Case {
    QStringList body;
    int newRoot, distance;
    QStringList chords;
  };
  const Case cases[] = {
      {{"*Dm7", "2D4", "*G7", "2B4"}, 2, 2, {"Em7", "A7"}},
      // The symbols move by the interval between the keys' names: B♭ to B is a semitone on
      // the same letter, C to D♭ a minor second (B♭7 becomes C♭7, the ♭Ⅶ7 of D♭).
      {{"*Bb7", "C4"}, 11, 1, {"B7"}},
      {{"*Bb7", "C4", "*C", "C4"}, 1, 1, {"Cb7", "Db"}},
      {{"*Db7", "C4", "*C", "C4"}, 2, 2, {"Eb7", "D"}},
      {{"*G7", "C4"}, 1, 1, {"Ab7"}},
      {{"*G7", "C4"}, 11, 1, {"G#7"}},
      {{"*Dm7b5", "C4"}, 9, 7, {"Am7b5"}},
  };
  for (const Case& c : cases) {
    SetPhraseBody(0, c.body);
    ClearPhrase(phrase);
    cfg.Root = 0;
    auto ctx = Context();
    RealisePhrase(ctx, 0, 0);
    const std::vector<int> before = Pitches();
    cfg.Root = static_cast<std::int16_t>(c.newRoot);
    TransposePhrase(cfg, phrase, c.distance);
    QStringList chords;
    for (int i = 0; i < phrase.NoteCount; ++i) {
      if (!phrase.NoteChord[i].trimmed().isEmpty()) chords << phrase.NoteChord[i].trimmed();
      EXPECT_EQ(phrase.NotePitch[i], before[i] + c.distance);
      EXPECT_EQ(phrase.NoteChord[i].size(), 10);
    }
    EXPECT_EQ(chords, c.chords) << c.body.join(' ').toStdString();
  }
}

// Key changes move a slash chord's bass with its root, and twelve semitone steps bring the
// symbol back unchanged (the letters are never searched in the order C D E F G A B).
TEST_F(Realisation, SlashChordsTransposeWithTheirBass) {
  SetPhraseBody(0, {"*Am7/G", "2A4", "*A/E", "2C#4", "*Am/C", "2C4", "*Dm7", "2D4", "*G7", "2B4",
                    "*C6/9", "2C5"});
  cfg.Root = 3;
  auto ctx = Context();
  RealisePhrase(ctx, 0, 0);
  ASSERT_EQ(cfg.Root, 0);  // the last chord, C6/9, is in C
  const auto chords = [this] {
    QStringList out;
    for (int i = 0; i < phrase.NoteCount; ++i) out << phrase.NoteChord[i].trimmed();
    return out;
  };
  const QStringList start = chords();
  EXPECT_EQ(start, (QStringList{"Am7/G", "A/E", "Am/C", "Dm7", "G7", "C6/9"}));
  cfg.Root = 1;
  TransposePhrase(cfg, phrase, 1);
  EXPECT_EQ(chords(), (QStringList{"Bbm7/Ab", "Bb/F", "Bbm/Db", "Ebm7", "Ab7", "Db6/9"}));
  cfg.Root = 4;
  TransposePhrase(cfg, phrase, 3);
  EXPECT_EQ(chords(), (QStringList{"C#m7/B", "C#/G#", "C#m/E", "F#m7", "B7", "E6/9"}));
  for (int step = 0; step < 8; ++step) {
    cfg.Root = static_cast<std::int16_t>((cfg.Root + 1) % 12);
    TransposePhrase(cfg, phrase, 1);
  }
  EXPECT_EQ(cfg.Root, 0);
  EXPECT_EQ(chords(), start);
}

// A phrase chosen afresh is spelled in its own key at once, whatever key was shown before.
TEST_F(Realisation, AFreshPhraseIsSpelledInItsOwnKey) {
  SetPhraseBody(0, {"*F#m7", "2F#4", "2A4", "*B7", "2D#4", "*EM7", "2G#4"});
  for (int before : {10, 0, 5, 3}) {  // flat keys
    cfg.Root = static_cast<std::int16_t>(before);
    ClearPhrase(phrase);
    auto ctx = Context();
    RealisePhrase(ctx, 0, 0);
    EXPECT_EQ(cfg.Root, 4);
    EXPECT_EQ(phrase.NoteChord[0].trimmed(), "F#m7") << "after key " << before;
    EXPECT_EQ(phrase.NoteChord[2].trimmed(), "B7");
    EXPECT_EQ(phrase.NoteChord[3].trimmed(), "EM7");
  }
}

TEST_F(Realisation, RealiseItemTransposesPhrasesByTheWholeDifference) {
  SetPhraseBody(0, {"*Dm7", "3D4", "*G7", "3B4", "*CM7", "4C5"});
  cfg.Category = 3;
  cfg.LastItem[3] = 0;
  cfg.Root = 0;
  std::int16_t previous = 0;
  auto ctx = Context();
  RealiseItem(ctx, false, previous);
  EXPECT_EQ(previous, 0);
  EXPECT_EQ(Pitches(), (std::vector<int>{26, 35, 36}));
  cfg.Root = 11;
  RealiseItem(ctx, true, previous);
  EXPECT_EQ(Pitches(), (std::vector<int>{37, 46, 47}));
  cfg.Root = 0;
  RealiseItem(ctx, true, previous);  // 11 -> 0 goes down 11, not up 1
  EXPECT_EQ(Pitches(), (std::vector<int>{26, 35, 36}));
  EXPECT_EQ(phrase.NoteChord[2].trimmed(), "CM7");
}

TEST_F(Realisation, GroupingFigures) {
  struct Case {
    std::vector<int> lengths;
    std::vector<int> rests;
    std::vector<int> groups;
  };
  const Case cases[] = {
      {std::vector<int>(8, 12), {}, {1, 2, 2, 3, 1, 2, 2, 3}},
      {{24, 12, 12, 12, 12}, {}, {0, 1, 3, 1, 3}},
      {{6, 12, 12, 12, 12}, {}, {0, 0, 0, 0, 0}},
      {{12, 12}, {1, 0}, {0, 0}},
      {{16, 16, 16}, {}, {301, 302, 303}},
      {{12, 4, 4, 4}, {1, 0, 0, 0}, {0, 321, 322, 323}},
      // After the figure the eighths start off the half bar, so they pair up by beats.
      {{6, 6, 12, 12, 12, 12, 12}, {}, {11, 12, 3, 1, 3, 1, 3}},
      {{6, 6, 6, 6}, {}, {11, 12, 12, 13}},
      {{6, 6, 24}, {}, {11, 13, 0}},
      {{12, 6, 6}, {}, {1, 12, 13}},
      {{8, 8, 8, 4, 4, 4, 12}, {}, {311, 312, 313, 321, 322, 323, 0}},
      {{12, 12, 12, 12}, {0, 0, 1, 0}, {1, 3, 0, 0}},
  };
  for (const Case& c : cases) {
    ClearPhrase(phrase);
    phrase.NoteCount = static_cast<std::int16_t>(c.lengths.size());
    for (size_t i = 0; i < c.lengths.size(); ++i) {
      phrase.NoteLength[i] = static_cast<std::int16_t>(c.lengths[i]);
      if (!c.rests.empty()) phrase.NoteIsRest[i] = static_cast<std::int16_t>(c.rests[i]);
    }
    GroupNotes(phrase);
    EXPECT_EQ(Groups(), c.groups) << ::testing::PrintToString(c.lengths);
  }
}

TEST_F(Realisation, GroupingNearTheEndOfTheRecordStaysInside) {
  ClearPhrase(phrase);
  phrase.NoteCount = kNoteSlots;
  phrase.NoteLength.fill(12);
  GroupNotes(phrase);
  EXPECT_EQ(phrase.NoteGroup(508), 1);
  EXPECT_EQ(phrase.NoteGroup(511), 3);
  EXPECT_EQ(phrase.NoteGroup(512), 0);  // a lone eighth at the end
  EXPECT_EQ(phrase.NoteGroup(-1), 0);
}
