#include "views/score/score.h"

#include <gtest/gtest.h>

#include <vector>

#include "draw/graph_treat.h"

using namespace Scor_treat;

namespace {

struct Note {
  int pitch;
  int length;
  int rest = 0;
  int tie = 0;
};

class Score : public ::testing::Test {
 protected:
  void SetUp() override {
    surface.Scale(0, 15800, 28800, 0);
    graph_treat::SetFont(surface, "ＭＳ ゴシック", 20, false, false);
    LayoutStaff(staff, 28800, 15800, 23000, 0);
    BuildPitchTables(staff, cfg.Root);
    cfg.ShowScore = -1;
  }
  void Draw(const std::vector<Note>& notes, int category = 3, bool maestro = false) {
    cfg.Category = static_cast<std::int16_t>(category);
    cfg.UseMaestroFont = maestro ? -1 : 0;
    BuildPitchTables(staff, cfg.Root);
    ClearPhrase(phrase);
    for (const Note& n : notes) {
      const int i = phrase.NoteCount++;
      phrase.NotePitch[i] = static_cast<std::int16_t>(n.pitch);
      phrase.NoteLength[i] = static_cast<std::int16_t>(n.length);
      phrase.NoteIsRest[i] = static_cast<std::int16_t>(n.rest);
      phrase.NoteTie[i] = static_cast<std::int16_t>(n.tie);
    }
    GroupNotes(phrase);
    surface.Cls();
    texts.clear();
    surface.textLog = &texts;
    ScoreContext ctx = Context();
    DrawScore(ctx);
    surface.textLog = nullptr;
  }
  ScoreContext Context() {
    return ScoreContext{state,
                        staff,
                        surface,
                        paint,
                        cfg,
                        phrase,
                        [this](bool shown) { clefShown = shown; },
                        [this](const QString& m) { messages << m; },
                        nullptr};
  }
  float S() const { return staff.LineSpacing; }
  float T() const { return staff.StaffBottomY; }
  float X(int i) const { return phrase.NoteCursorX[i]; }
  bool Black(float x, float y) const { return surface.Point(x, y) == draw::kBlack; }
  int Count(const QString& text) const {
    int n = 0;
    for (const auto& t : texts) n += t.text == text;
    return n;
  }
  const draw::Surface::TextCall* Find(const QString& text) const {
    for (const auto& t : texts) {
      if (t.text == text) return &t;
    }
    return nullptr;
  }

  draw::Surface surface{1920, 1053};
  draw::Paint paint;
  settings::CfgRecord cfg;
  StaffLayout staff;
  ScoreState state;
  Phrase phrase;
  std::vector<draw::Surface::TextCall> texts;
  QStringList messages;
  bool clefShown = false;
};

}  // namespace

TEST_F(Score, StemDirectionAtTheThreshold) {
  // Pitch 36 sits exactly on the threshold (T + 2.5s) and is low: stem up. Pitch 38: down.
  Draw({{36, 24}, {38, 24}}, 0);
  const float y36 = staff.PitchY[36];
  const float y38 = staff.PitchY[38];
  EXPECT_FLOAT_EQ(y36, staff.StemThresholdY);
  EXPECT_TRUE(Black(X(0) + staff.StemOffset, y36 + 0.6f * staff.StemLength));
  EXPECT_FALSE(Black(X(0) + staff.StemOffset, y36 - 0.6f * staff.StemLength));
  EXPECT_TRUE(Black(X(1) - staff.StemOffset, y38 - 0.6f * staff.StemLength));
  EXPECT_FALSE(Black(X(1) - staff.StemOffset, y38 + 0.6f * staff.StemLength));
  EXPECT_TRUE(Black(X(0), y36));  // a filled head
  EXPECT_TRUE(clefShown);
}

TEST_F(Score, ABeamedGroupReachingAboveTheThresholdTurnsAllStemsDown) {
  Draw({{28, 12}, {29, 12}, {31, 12}, {41, 12}}, 0);
  ASSERT_EQ(phrase.NoteGroup(0), 1);
  const float y0 = staff.PitchY[28];
  EXPECT_TRUE(Black(X(0) - 0.5f * S(), y0 - S()));
  EXPECT_FALSE(Black(X(0) + 0.45f * S(), y0 + 1.5f * S()));
  // Stems up when every note is low.
  Draw({{28, 12}, {29, 12}, {31, 12}, {33, 12}}, 0);
  EXPECT_TRUE(Black(X(0) + 0.45f * S(), y0 + 1.5f * S()));
}

TEST_F(Score, SecondBeams) {
  struct Case {
    std::vector<int> lengths;
    bool between01, between12;
  };
  const Case cases[] = {
      {{6, 6, 6, 6}, true, true},  // 11 12 12 13: the whole group
      {{6, 6, 24}, true, false},   // 11 13: the pair
      {{12, 6, 6}, false, true},   // 1 12 13: notes 1 to 2
      {{6, 6, 12}, true, false},   // 11 12 3: notes 0 to 1
      {{12, 12}, false, false},    // eighths: none
  };
  for (const Case& c : cases) {
    std::vector<Note> notes;
    for (int len : c.lengths) notes.push_back({28, len});
    notes.push_back({28, 24});
    Draw(notes, 0);
    // All heads on one height: the main beam is level at y + 3.5s, the second one s lower.
    const float second = staff.PitchY[28] + 3.5f * S() - S();
    const float dx = 0.45f * S();
    const float mid01 = (X(0) + X(1)) / 2 + dx;
    const float mid12 = (X(1) + X(2)) / 2 + dx;
    EXPECT_TRUE(Black(mid01, second + S()));  // the main beam
    EXPECT_EQ(Black(mid01, second), c.between01) << ::testing::PrintToString(c.lengths);
    if (c.lengths.size() > 2 && phrase.NoteGroup(2) != 0) {
      EXPECT_EQ(Black(mid12, second), c.between12) << ::testing::PrintToString(c.lengths);
    }
  }
}

TEST_F(Score, TripletsGetTheirDigit) {
  Draw({{28, 8}, {29, 8}, {31, 8}, {28, 24}}, 3);
  ASSERT_EQ(phrase.NoteGroup(0), 311);
  const auto* digit = Find("3");
  ASSERT_NE(digit, nullptr);
  EXPECT_EQ(digit->font, "ＭＳ ゴシック");
  EXPECT_TRUE(digit->bold);
  // Over the middle note's stem, above the beam (its ink's gap to the beam is measured by
  // the beam's own test).
  EXPECT_NEAR(digit->x, X(1) + 0.45f * S(), 0.5f * S());
  EXPECT_GT(digit->y, staff.PitchY[28] + 3.5f * S() + 0.5f * S());
}

TEST_F(Score, LedgerLines) {
  struct Case {
    int pitch;
    std::vector<float> lines;    // heights, in spaces from the bottom line, that get a line
    std::vector<float> nolines;  // and that do not
  };
  const Case cases[] = {
      {24, {-1}, {-2}},
      {21, {-1, -2}, {-3}},
      {45, {5}, {6}},
      {28, {}, {-1}},
  };
  for (const Case& c : cases) {
    Draw({{c.pitch, 24}, {c.pitch, 24}}, 0);
    const float probeX = X(0) - 0.9f * S();
    for (float k : c.lines) EXPECT_TRUE(Black(probeX, T() + k * S())) << c.pitch << " at " << k;
    for (float k : c.nolines) EXPECT_FALSE(Black(probeX, T() + k * S())) << c.pitch << " at " << k;
  }
}

TEST_F(Score, AccidentalsWithinABarAndAfterABarLine) {
  cfg.Root = 2;
  Draw({{25, 24}, {24, 24}, {25, 24}, {25, 24}, {25, 24}}, 3);
  // C sharp, C natural, C sharp (the sign is needed again), C sharp (in force: nothing),
  // and after the bar line C sharp shows its sign once more.
  EXPECT_EQ(Count("＃"), 3 * 7);
  EXPECT_EQ(Count("」"), 11);
  EXPECT_EQ(Count("「"), 11);
  const auto* natural = Find("」");
  ASSERT_NE(natural, nullptr);
  // The natural's halves keep their places to each other.
  const auto* other = Find("「");
  ASSERT_NE(other, nullptr);
  EXPECT_FLOAT_EQ(natural->x - other->x, 0.4f * S());
}

// On the plain staff no accidental touches its notehead or the note's ledger lines, in
// sharp and flat keys, above, on and below the staff.
TEST_F(Score, AccidentalsStandClearOfHeadsLedgerLinesAndTheClef) {
  struct Case {
    int root;
    std::vector<Note> notes;
    int note;  // the note whose sign is looked at
    const char* sign;
    bool ledger;
  };
  const Case cases[] = {
      {2, {{25, 24}, {26, 24}}, 0, "＃", true},   // C sharp on the ledger line below
      {2, {{30, 24}, {31, 24}}, 0, "＃", false},  // F sharp on the staff
      {0, {{25, 24}, {26, 24}}, 0, "♭", false},   // D flat below the bottom line
      {0, {{46, 24}, {45, 24}}, 0, "♭", true},    // B flat above the first ledger line
      {2, {{25, 24}, {24, 24}}, 1, "」", true},   // C natural after C sharp
      {0, {{39, 24}, {40, 24}}, 1, "」", false},  // E natural after E flat
      {2, {{51, 24}, {52, 24}}, 0, "＃", true},   // D sharp two ledger lines above
      {0, {{27, 96}, {28, 96}}, 1, "」", false},  // a whole note's natural
  };
  for (const Case& c : cases) {
    cfg.Root = static_cast<std::int16_t>(c.root);
    Draw(c.notes, 0);
    const draw::Surface::TextCall* sign = nullptr;
    int seen = 0;
    for (const auto& t : texts) {
      if (t.text != QString::fromUtf8(c.sign)) continue;
      // Each sign is printed several times over itself; find the one of the note.
      if (t.x < X(c.note) && (sign == nullptr || t.x > sign->x)) sign = &t;
      ++seen;
    }
    ASSERT_NE(sign, nullptr) << c.sign << " of pitch " << c.notes[c.note].pitch;
    EXPECT_GT(seen, 0);
    graph_treat::SetFont(surface, sign->font, sign->size, sign->bold, false);
    const float inkRight = sign->x + surface.TextInk(sign->text).right;
    const float head = X(c.note);
    const float clear = c.ledger ? head - 1.1f * S() : head - 0.5f * S();
    EXPECT_LE(inkRight, clear - 0.25f * S())
        << c.sign << " of pitch " << c.notes[c.note].pitch << " in key " << c.root;
    // The first note's sign stands clear of the clef's picture (which reaches a little
    // beyond its two spaces).
    if (c.note == 0) {
      EXPECT_GE(sign->x + surface.TextInk(sign->text).left, staff.ClefLeft + 2.6f * S())
          << c.sign << " of pitch " << c.notes[c.note].pitch << " under the clef";
    }
  }
}

// Augmentation dots are filled and at least three pixels across.
TEST_F(Score, DotsAreAtLeastThreePixelsAcross) {
  Draw({{31, 36}, {33, 12}, {29, 72}, {30, 18, 1}}, 0);
  struct Dot {
    int note;
    float dx, dy;
  };
  const Dot dots[] = {{0, 1.3f, 0}, {2, 1.3f, 0}, {3, 1.5f, 0}};
  for (const Dot& d : dots) {
    const bool rest = phrase.NoteIsRest[d.note] == 1;
    const float y = rest ? T() + 1.5f * S() : staff.PitchY[phrase.NotePitch[d.note]];
    const float dy = !rest && IsOnLine(staff, phrase.NotePitch[d.note]) ? -0.5f * S() : 0.0f;
    const QPoint centre = surface.ToPixel(X(d.note) + d.dx * S(), y + dy);
    for (int off = -1; off <= 1; ++off) {
      EXPECT_EQ(surface.PixelAt(centre.x() + off, centre.y()), draw::kBlack)
          << d.note << " " << off;
      EXPECT_EQ(surface.PixelAt(centre.x(), centre.y() + off), draw::kBlack)
          << d.note << " " << off;
    }
  }
}

TEST_F(Score, RestCursorsInBothRenderers) {
  struct Case {
    bool maestro;
    int length;
    float cursorAfterX;  // in spaces, or -1 for the whole-rest share of the advance
  };
  for (const Case c :
       {Case{false, 48, 1.75f}, Case{true, 48, 1.0f}, Case{false, 24, 0}, Case{true, 24, 0.5f}}) {
    Draw({{30, c.length, 1}, {28, 24}}, 0, c.maestro);
    const float x0 = staff.StaffLeftX + 4 * S();
    EXPECT_FLOAT_EQ(X(0), x0 + c.cursorAfterX * S()) << c.maestro << " " << c.length;
  }
  Draw({{30, 96, 1}, {28, 24}}, 0, false);
  const float x0 = staff.StaffLeftX + 4 * S();
  EXPECT_FLOAT_EQ(X(0), x0 + 10 * state.UnitWidth * 0.25f);
  Draw({{30, 96, 1}, {28, 24}}, 0, true);
  EXPECT_FLOAT_EQ(X(0), x0 + 10 * state.UnitWidth * 0.24f + 0.5f * S());
  Draw({{28, 96}, {28, 24}}, 0, false);
  EXPECT_FLOAT_EQ(X(0), x0 + 10 * state.UnitWidth * 0.35f);
}

TEST_F(Score, BarLinesOnlyForPhraseCategories) {
  const std::vector<Note> quarters(8, Note{28, 24});
  Draw(quarters, 0);
  const float unit = state.UnitWidth;
  EXPECT_FLOAT_EQ(X(4) - X(3), 5 * unit);
  EXPECT_FALSE(Black(X(3) + 5 * unit, T() + 0.5f * S()));
  Draw(quarters, 3);
  const float barX = X(3) + 5 * state.UnitWidth;
  EXPECT_FLOAT_EQ(X(4) - X(3), 5 * state.UnitWidth + 1.8f * state.UnitWidth);
  EXPECT_TRUE(Black(barX, T() + 0.5f * S()));
  Draw(quarters, 3, true);
  EXPECT_FLOAT_EQ(X(4) - X(3), 5 * state.UnitWidth + 1.5f * state.UnitWidth);
}

TEST_F(Score, ChordNamesAndTies) {
  ClearPhrase(phrase);
  Draw({{28, 48}, {28, 48, 0, 1}}, 3);
  phrase.NoteChord[0] = FixedText("Dm7", 10);
  ScoreContext ctx = Context();
  surface.textLog = &texts;
  texts.clear();
  DrawScore(ctx);
  surface.textLog = nullptr;
  const auto* name = Find("Dm7");
  ASSERT_NE(name, nullptr);
  EXPECT_FLOAT_EQ(name->y, T() + 10 * S());
  EXPECT_EQ(name->size, 16);
  EXPECT_TRUE(name->bold);
  // The tie: an arc below the low heads, one space under them, between the two cursors.
  const float mid = (X(0) + X(1)) / 2;
  EXPECT_TRUE(Black(mid, staff.PitchY[28] - 2 * S()) ||
              Black(mid, staff.PitchY[28] - 2 * S() + 15));
}

TEST_F(Score, TheSymbolFontRendererPicksItsGlyphs) {
  Draw({{28, 24}, {40, 24}, {28, 12}, {29, 12}, {30, 24, 1}, {36, 48}}, 0, true);
  EXPECT_FALSE(clefShown);
  const auto* clef = Find("&");
  ASSERT_NE(clef, nullptr);
  EXPECT_EQ(clef->font, "MAESTRO");
  EXPECT_FLOAT_EQ(clef->y, T() + 6.4f * S());
  const auto* low = Find("q");
  ASSERT_NE(low, nullptr);
  EXPECT_FLOAT_EQ(low->x, staff.StaffLeftX + 4 * S() + 0.06f * S());
  EXPECT_FLOAT_EQ(low->y, staff.PitchY[28] + 4.8f * S() + 60);
  EXPECT_EQ(low->size, 28);
  EXPECT_NE(Find("Q"), nullptr);                  // the high quarter: stem down
  EXPECT_EQ(Count(QString(QChar(207))), 2);       // beamed heads
  EXPECT_NE(Find(QString(QChar(206))), nullptr);  // the quarter rest
  const auto* half = Find("h");
  ASSERT_NE(half, nullptr);
  EXPECT_FLOAT_EQ(half->y, staff.PitchY[36] + 4.8f * S() + 60 + 7);
  EXPECT_FLOAT_EQ(X(0), staff.StaffLeftX + 4 * S() + 0.5f * S());
}

TEST_F(Score, SymbolFontAccidentals) {
  cfg.Root = 2;
  Draw({{25, 24}, {24, 24}}, 3, true);
  const auto* sharp = Find("#");
  ASSERT_NE(sharp, nullptr);
  EXPECT_FLOAT_EQ(sharp->x, X(0) - 0.5f * S() - 0.7f * S());
  EXPECT_FLOAT_EQ(sharp->y, staff.PitchY[25] + 4.8f * S() + 0.15f * S() - 0.5f * S());
  EXPECT_NE(Find("n"), nullptr);
}

TEST_F(Score, TooShortItemsAreReportedAndNotDrawn) {
  Draw({{28, 24}}, 0);
  EXPECT_EQ(messages, QStringList{"　クリシェデータがありません！！　"});
  EXPECT_FALSE(Black(staff.StaffLeftX + 100, T()));  // not even the staff
}

TEST_F(Score, UnsettledItemsDrawWithoutLeavingTheTables) {
  // Lengths outside the advance table (total 0), pitches outside 0..100, and a beam group
  // longer than the buffer.
  Draw({{28, 5}, {28, 7}}, 0);
  EXPECT_TRUE(messages.isEmpty());
  EXPECT_TRUE(Black(staff.StaffLeftX + 100, T()));  // the staff is there
  Draw({{-40, 24}, {130, 24}, {28, 24}}, 0);
  ClearPhrase(phrase);
  phrase.NoteCount = 14;
  for (int i = 0; i < 14; ++i) {
    phrase.NotePitch[i] = 28;
    phrase.NoteLength[i] = 12;
    phrase.NoteGroup(i) = static_cast<std::int16_t>(i == 0 ? 1 : i == 13 ? 3 : 2);
  }
  ScoreContext ctx = Context();
  DrawScore(ctx);
  EXPECT_EQ(state.beamLast, -1);
}

TEST_F(Score, CursorAndTempoLine) {
  Draw({{28, 24}, {29, 24}}, 0);
  const QImage drawn = surface.Image();
  ScoreContext ctx = Context();
  MoveCursor(ctx, X(0), true);
  EXPECT_NE(surface.Image(), drawn);
  MoveCursor(ctx, X(1), false);
  EraseCursor(ctx);
  EXPECT_EQ(surface.Image(), drawn);
  cfg.ShowScore = 0;
  MoveCursor(ctx, X(0), true);
  EXPECT_EQ(surface.Image(), drawn);

  texts.clear();
  surface.textLog = &texts;
  DrawTempoLine(ctx, 1000, 12000, 120, "");
  surface.textLog = nullptr;
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "Tempo= 120  ");
  EXPECT_FLOAT_EQ(texts[0].x, 1200);
}

// With the shared spelling, each note stands on its letter and shows the sign its
// alteration needs in the bar: F♭ on the F line's space, B𝄫 on B, E♯ on E, and an F after
// F♭ in the same bar gets a natural.
TEST_F(Score, SpelledNotesStandOnTheirLettersWithTheirSigns) {
  const std::vector<spelling::Spelled> spelled = {
      {3, -1, 4},  // F♭4 (sounds E4)
      {6, -2, 4},  // B𝄫4 (sounds A4)
      {2, 1, 4},   // E♯4 (sounds F4)
      {3, 0, 4},   // F4
      {0, 2, 5},   // C𝄪5 (sounds D5)
  };
  cfg.Category = 3;
  BuildPitchTables(staff, cfg.Root);
  ClearPhrase(phrase);
  for (const auto& n : spelled) {
    const int i = phrase.NoteCount++;
    phrase.NotePitch[i] = static_cast<std::int16_t>(spelling::PitchOf(n));
    phrase.NoteLength[i] = 12;
  }
  GroupNotes(phrase);
  surface.Cls();
  texts.clear();
  surface.textLog = &texts;
  ScoreContext ctx = Context();
  ctx.spelled = &spelled;
  DrawScore(ctx);
  surface.textLog = nullptr;
  // Heights: F is the first space (T + s/2), B the middle line, E the bottom line, and C5
  // the third space.
  EXPECT_FLOAT_EQ(LetterHeight(staff, 3, 4), T() + 0.5f * S());
  EXPECT_FLOAT_EQ(LetterHeight(staff, 6, 4), T() + 2 * S());
  EXPECT_FLOAT_EQ(LetterHeight(staff, 2, 4), T());
  EXPECT_FLOAT_EQ(LetterHeight(staff, 0, 5), T() + 2.5f * S());
  EXPECT_FLOAT_EQ(LetterHeight(staff, 0, 4), staff.PitchY[24]);  // middle C as the tables
  for (int i = 0; i < 5; ++i) {
    EXPECT_TRUE(Black(X(i), LetterHeight(staff, spelled[i].step, spelled[i].octave))) << i;
  }
  // The signs: ♭ (7 strokes of one glyph), ♭♭, ＃, a natural for the F, and x.
  EXPECT_EQ(Count("♭"), 7);
  EXPECT_EQ(Count("♭♭"), 7);
  EXPECT_EQ(Count("＃"), 7);
  EXPECT_EQ(Count("」"), 11);
  EXPECT_EQ(Count("x"), 1);
}

// A sign holds for its staff position until the bar ends: the E♭ an octave above an E♭
// needs its own flat, a natural where the letter returns, a tie carries the sign over the
// bar line without repeating it, and the next note on that line after the bar line says
// its sign again.
TEST(StaffSpelling, TheSignInForceIsKeptPerStaffPositionWithinTheBar) {
  StaffLayout staff;
  ClearAccidentals(staff);
  struct Step {
    int step, alter, octave;
    bool tiedOver, barLineBefore;
    const char* shown;
  };
  const Step steps[] = {
      {2, -1, 4, false, false, "b"},                                 // E♭4
      {2, -1, 4, false, false, ""},                                  // E♭4 again
      {2, -1, 5, false, false, "b"},                                 // E♭5: another position
      {2, 0, 4, false, false, "N"},                                  // E4 returns to natural
      {2, -1, 4, false, false, "b"},  {3, 1, 4, false, false, "#"},  // F♯4
      {3, -2, 4, false, false, "bb"}, {6, -1, 4, false, false, "b"}, {0, 2, 5, false, false, "x"},
      {0, 1, 5, false, false, "#"},   {0, 0, 4, false, false, ""},  // C4, natural from the start
      {3, 1, 4, false, false, "#"},                                 // F♯4 after F𝄫4
      {3, 1, 4, true, true, ""},     // tied over the bar line: no sign
      {3, 1, 4, false, false, "#"},  // the next F♯ in the new bar says it again
      {2, -1, 4, false, true, "b"},  // a new bar says every sign again
  };
  for (const Step& s : steps) {
    if (s.barLineBefore) ClearAccidentals(staff);
    EXPECT_EQ(AccidentalToDraw(staff, s.step, s.alter, s.octave, s.tiedOver).toStdString(), s.shown)
        << s.step << " " << s.alter << " " << s.octave;
  }
}

// The beams are half a staff space thick, as engravers draw them, on the screen as on
// paper, and a triplet's digit stands clear of its beam.
TEST_F(Score, BeamsAreHalfASpaceThickAndTheDigitClearsThem) {
  const std::vector<Note> triplet = {{26, 8}, {28, 8}, {29, 8}, {24, 24}, {24, 48}};
  Draw(triplet);
  ASSERT_EQ(phrase.NoteGroup(0), group::kEighthTripletFirst);
  // Stems up, 3.5 spaces from the first head, the beam along the stems' ends.
  const float y0 = staff.PitchY[26];
  const float yl = staff.PitchY[29];
  const float dx = 0.45f * S();
  const float x = (X(0) + X(1)) / 2 + dx;
  const float end = y0 + 3.5f * S() + (yl - y0) / 4;
  EXPECT_TRUE(Black(x, end));
  EXPECT_TRUE(Black(x, end - 0.4f * S())) << "a beam of half a space";
  EXPECT_FALSE(Black(x, end - 0.8f * S()));
  // The digit over the middle note: up from the beam's upper edge, a clear gap, then ink.
  ASSERT_NE(Find(QStringLiteral("3")), nullptr);
  const float pixel = 15;  // window units of one pixel of this surface
  bool inked = false;
  for (float gx = X(1) - 0.3f * S(); gx <= X(1) + 0.9f * S(); gx += pixel) {
    float y = y0 + 3.5f * S() + (yl - y0) / 2 - 0.25f * S();
    while (Black(gx, y) && y < T() + 12 * S()) y += pixel;
    float gap = 0;
    while (!Black(gx, y) && gap < 2.5f * S()) gap += pixel, y += pixel;
    if (gap < 2.5f * S()) {
      EXPECT_GE(gap, 0.2f * S()) << "the digit touches the beam at " << gx;
      inked = true;
    }
  }
  EXPECT_TRUE(inked);
  // The shuffle's quarter and eighth of a triplet: one group, no beam, its digit drawn.
  Draw({{26, 16}, {28, 8}, {24, 24}, {24, 48}});
  EXPECT_EQ(phrase.NoteGroup(0), group::kQuarterTripletFirst);
  EXPECT_EQ(phrase.NoteGroup(1), group::kQuarterTripletLast);
  EXPECT_NE(Find(QStringLiteral("3")), nullptr);
}

// Heads as engravers draw them: a half and a whole note's as tall as a filled head, the
// whole note's wider; each open head has its hole, with the line it sits on through it.
TEST_F(Score, OpenHeadsAreAsLargeAsFilledOnes) {
  struct Case {
    int pitch, length;
    bool hole;
    double widthToFilled;  // at least
  };
  const Case cases[] = {{26, 24, false, 1.0},
                        {26, 48, true, 1.0},
                        {26, 96, true, 1.3},
                        {28, 96, true, 1.3}};  // D4 under the staff; E4 on its bottom line
  const float pixel = 15;
  // The ink's extent through the head's centre, across and up and down, in window units.
  const auto extent = [&](const ScoreState::Head& h, float stepX, float stepY) {
    float n = 0;
    for (float d = pixel; d < 1.5f * S(); d += pixel) {
      const bool inkAhead = Black(h.x + stepX * d, h.y + stepY * d);
      if (!inkAhead && n > 0) break;
      if (inkAhead) n = d;
    }
    return n;
  };
  float filledWidth = 0, filledHeight = 0;
  for (const Case& c : cases) {
    Draw({{c.pitch, c.length}, {c.pitch, c.length}});
    const ScoreState::Head& h = state.heads[0];
    ASSERT_TRUE(h.drawn) << c.length;
    const float width = extent(h, 1, 0) + extent(h, -1, 0);
    const float height = extent(h, 0, 1) + extent(h, 0, -1);
    if (c.length == 24) filledWidth = width, filledHeight = height;
    EXPECT_NEAR(height, filledHeight, 2 * pixel) << c.length << " " << c.pitch;
    EXPECT_GE(width, c.widthToFilled * filledWidth - pixel) << c.length << " " << c.pitch;
    const bool onLine = c.pitch == 28;
    EXPECT_EQ(Black(h.x, h.y), !c.hole || onLine) << c.length << " " << c.pitch;
    if (c.hole) {
      EXPECT_FALSE(Black(h.x, h.y + 0.15f * S())) << "the hole of " << c.length;
    }
  }
}

// The arpeggio phrase moved to D♭, written as the shared spelling has it: each bar gives
// every flat again, and the E♭ an octave above an E♭ has its own (10 flats in all).
TEST_F(Score, ASignHoldsForItsOctaveOnly) {
  file_Treat::MaterialLists lists;
  auto& body = (*lists.PhraseLine)[0];
  const char* lines[] = {"*Dm7", "3D4", "3F4", "3A4", "4C4", "4D4", "4C4", "3A4", "3F4",  "*G7",
                         "3G4",  "3B4", "4D4", "4F4", "4E4", "4D4", "4C4", "3B4", "*CM7", "4C7"};
  for (std::size_t i = 0; i < std::size(lines); ++i) body[i] = QString::fromUtf8(lines[i]);
  cfg.Category = 3;
  cfg.LastItem[3] = 0;
  cfg.LimitRange = 0;
  RealiseContext realise{cfg, lists, phrase, nullptr, [](const QString&) {}};
  ClearPhrase(phrase);
  RealisePhrase(realise, 0, 0);
  cfg.Root = 1;
  TransposePhrase(cfg, phrase, 1);
  GroupNotes(phrase);
  const std::vector<spelling::Spelled> spelled = spelling::SpellItem(phrase, lists, cfg);
  BuildPitchTables(staff, cfg.Root);
  surface.Cls();
  texts.clear();
  surface.textLog = &texts;
  ScoreContext ctx = Context();
  ctx.spelled = &spelled;
  DrawScore(ctx);
  surface.textLog = nullptr;
  EXPECT_EQ(Count("♭"), 10 * 7);
  EXPECT_EQ(Count("」"), 0);
}
