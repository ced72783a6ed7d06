#include "views/keyboard/keyboard.h"

#include <gtest/gtest.h>

using namespace KB_Treat;

namespace {

constexpr draw::Colour kEntry = draw::Rgb(96, 165, 250);
constexpr draw::Colour kHit = draw::Rgb(232, 84, 160);

class Keyboard : public ::testing::Test {
 protected:
  void SetUp() override {
    surface.Scale(0, 15000, 28800, 0);
    surface.BackColor = draw::Rgb(200, 200, 200);
    surface.Cls();
    cfg.ShowKeyboard = -1;
    cfg.ShowEntry = 1;
    cfg.ColorKeyEntry = static_cast<std::int32_t>(kEntry);
    cfg.ColorKeyHit = static_cast<std::int32_t>(kHit);
    InitKeyboard(kb, 23000);
  }
  // The colour in the middle of the part of key k that nothing overlaps.
  draw::Colour KeyColour(int k) const {
    const KeyRectangle& r = kb.KeyRect[k];
    const float y = r.IsWhite() ? r.bottom + 200.0f : (r.bottom + r.top) / 2.0f;
    return surface.Point((r.left + r.right) / 2.0f, y);
  }
  void Mark(std::initializer_list<int> pitches) {
    ClearPhrase(phrase);
    for (int p : pitches) phrase.NotePitch[phrase.NoteCount++] = static_cast<std::int16_t>(p);
    ComputeEntryMarks(kb, cfg, phrase);
  }

  draw::Surface surface{1920, 1000};
  settings::CfgRecord cfg;
  KeyboardState kb;
  Phrase phrase;
};

}  // namespace

TEST_F(Keyboard, KeyTable) {
  EXPECT_FLOAT_EQ(kb.KeyWidth, 23000.0f / 56 * 1.62f);
  const float w = kb.KeyWidth;
  // Position 1 is F (white, the first white key), position 2 F sharp (black).
  EXPECT_EQ(kb.KeyRect[1].kind, 1000);
  EXPECT_EQ(kb.KeyRect[1].left, std::lrint(w));
  EXPECT_EQ(kb.KeyRect[1].bottom, 100);
  EXPECT_EQ(kb.KeyRect[1].top, 1898);
  EXPECT_EQ(kb.KeyRect[2].kind, 0);
  EXPECT_EQ(kb.KeyRect[2].left, std::lrint(w + 0.6f * w));
  EXPECT_EQ(kb.KeyRect[2].right, std::lrint(2 * w + 0.3f * w));
  EXPECT_EQ(kb.KeyRect[2].bottom, 820);
  int white = 0;
  for (int k = 1; k <= 55; ++k) white += kb.KeyRect[k].IsWhite();
  EXPECT_EQ(white, 32);
  EXPECT_EQ(kb.KeyRect[56].kind, 1000);  // the top C bounds the frame
  EXPECT_EQ(kb.KeyRect[57].right, 0);
}

TEST_F(Keyboard, EntryMarksOnWhiteAndBlackKeys) {
  DrawKeyboard(kb, surface, cfg);
  Mark({5, 6, 30});  // F, F sharp, F sharp
  PaintEntryMarks(kb, surface, cfg);
  EXPECT_EQ(KeyColour(1), kEntry);
  EXPECT_EQ(KeyColour(2), kEntry);
  EXPECT_EQ(KeyColour(26), kEntry);
  EXPECT_EQ(KeyColour(3), draw::kWhite);
  EXPECT_EQ(KeyColour(4), draw::kBlack);

  cfg.ShowEntry = 0;
  Mark({5});
  PaintEntryMarks(kb, surface, cfg);
  EXPECT_EQ(KeyColour(1), draw::kWhite);
}

TEST_F(Keyboard, HighlightNextToAMarkedBlackKeyRepairsIt) {
  DrawKeyboard(kb, surface, cfg);
  Mark({6});  // F sharp, position 2
  PaintEntryMarks(kb, surface, cfg);
  HighlightStepKey(kb, surface, cfg, 7);  // G, position 3, beside it
  EXPECT_EQ(KeyColour(3), kHit);
  EXPECT_EQ(KeyColour(2), kEntry);
  EXPECT_EQ(KeyColour(4), draw::kBlack);
  HighlightStepKey(kb, surface, cfg, -9);  // a rest: only the marks remain
  EXPECT_EQ(KeyColour(3), draw::kWhite);

  // A mouse hit repaints its black neighbours plain black.
  PaintKeyAt(kb, surface, 3);
  EXPECT_EQ(KeyColour(3), draw::Rgb(255, 0, 0));
  EXPECT_EQ(KeyColour(2), draw::kBlack);
}

TEST_F(Keyboard, NothingIsDrawnWhileHidden) {
  cfg.ShowKeyboard = 0;
  const QImage before = surface.Image();
  DrawKeys(kb, surface, cfg);
  PaintEntryMarks(kb, surface, cfg);
  HighlightKeyForNote(kb, surface, cfg, 7);
  EXPECT_EQ(surface.Image(), before);
}

TEST_F(Keyboard, HitTest) {
  const KeyRectangle& f = kb.KeyRect[1];
  const KeyRectangle& fSharp = kb.KeyRect[2];
  const KeyRectangle& g = kb.KeyRect[3];
  EXPECT_EQ(KeyAt(kb, f.left + 10.0f, 300), 1);
  EXPECT_EQ(KeyAt(kb, static_cast<float>(f.right), 300), std::nullopt);  // shared edge
  EXPECT_EQ(KeyAt(kb, f.left + 10.0f, static_cast<float>(f.bottom)), std::nullopt);
  // Over the white keys the black key wins.
  EXPECT_EQ(KeyAt(kb, (fSharp.left + fSharp.right) / 2.0f, 1500), 2);
  EXPECT_EQ(KeyAt(kb, (fSharp.left + fSharp.right) / 2.0f, 500), 1);  // below the black key
  // On a black key's edge the white key below it is hit, as the strict test gives.
  EXPECT_EQ(KeyAt(kb, static_cast<float>(fSharp.left), 1500), 1);
  EXPECT_EQ(KeyAt(kb, static_cast<float>(fSharp.right), static_cast<float>(fSharp.bottom)), 3);
  EXPECT_EQ(KeyAt(kb, g.left + 5.0f, 1000), 2);
  EXPECT_EQ(KeyAt(kb, g.left + 5.0f, 500), 3);
  EXPECT_EQ(KeyAt(kb, 100, 5000), std::nullopt);
  EXPECT_EQ(KeyAt(kb, static_cast<float>(kb.KeyRect[56].left + 10), 300), std::nullopt);
}
