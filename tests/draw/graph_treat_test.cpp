#include "draw/graph_treat.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <climits>

using draw::Surface;

TEST(Fonts, SizeZeroChangesNothing) {
  Surface s(100, 100);
  graph_treat::SetFont(s, QStringLiteral("ＭＳ ゴシック"), 12, true, false);
  graph_treat::SetFont(s, QStringLiteral("ＭＳ 明朝"), 0, false, true);
  EXPECT_EQ(s.FontName(), QStringLiteral("ＭＳ ゴシック"));
  EXPECT_EQ(s.FontSize(), 12.0f);
  EXPECT_TRUE(s.FontBold());
  EXPECT_FALSE(s.FontItalic());
}

TEST(Fonts, SaveAndRestoreKeepWholePoints) {
  Surface s(100, 100);
  graph_treat::SetFont(s, QStringLiteral("ＭＳ Ｐ明朝"), 9.75f, false, true);
  graph_treat::SavedFont saved;
  graph_treat::SaveFont(s, saved);
  EXPECT_EQ(saved.size, 10);
  graph_treat::SetFont(s, QStringLiteral("ＭＳ ゴシック"), 20, true, false);
  graph_treat::RestoreFont(s, saved);
  EXPECT_EQ(s.FontName(), QStringLiteral("ＭＳ Ｐ明朝"));
  EXPECT_EQ(s.FontSize(), 10.0f);
  EXPECT_FALSE(s.FontBold());
  EXPECT_TRUE(s.FontItalic());

  graph_treat::SetFont(s, QStringLiteral("x"), 10.5f, false, false);
  graph_treat::SaveFont(s, saved);
  EXPECT_EQ(saved.size, 10);  // 10.5 goes to the even neighbour
}

TEST(Fonts, JapaneseNamesFindTheirSubstitutesAndAMissingFontIsNotReportedAsPresent) {
  Surface s(100, 100);
  graph_treat::SetFont(s, QStringLiteral("ＭＳ ゴシック"), 20, false, false);
  EXPECT_EQ(s.FontName(), QStringLiteral("ＭＳ ゴシック"));
  EXPECT_EQ(QFontInfo(s.Font()).family(), QStringLiteral("IPAGothic"));
  graph_treat::SetFont(s, QStringLiteral("MAESTRO"), 26, false, false);
  EXPECT_NE(s.FontName().toUpper(), QStringLiteral("MAESTRO"));
}

TEST(PrintAt, PutsTheTopLeftCornerOfTheTextAtThePoint) {
  Surface s(400, 200);
  s.Scale(0, 3000, 6000, 0);
  graph_treat::SetFont(s, QStringLiteral("ＭＳ ゴシック"), 20, false, false);
  const draw::Colour red = draw::Rgb(255, 0, 0);
  graph_treat::PrintAt(s, 1500, 2000, QStringLiteral("■■"), red);
  const QPoint at = s.ToPixel(1500, 2000);
  int minX = INT_MAX, minY = INT_MAX, maxY = -1;
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 400; ++x) {
      if (s.PixelAt(x, y) == red) {
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
      }
    }
  }
  ASSERT_GE(maxY, 0) << "nothing printed";
  EXPECT_GE(minX, at.x());
  EXPECT_LE(minX, at.x() + 4);
  EXPECT_GE(minY, at.y());
  EXPECT_LE(minY, at.y() + 8);
  EXPECT_GT(maxY - minY, 10);  // a 20-point square is well over ten pixels tall
  EXPECT_EQ(s.ForeColor, red);
  EXPECT_LT(s.CurrentY, 2000);  // the position moved down to the next line
}

TEST(DrawBevel, RaisedIsLightTopLeftAndDarkBottomRight) {
  for (const bool raised : {true, false}) {
    Surface s(100, 100);
    s.BackColor = draw::Rgb(128, 128, 128);
    s.Cls();
    s.Scale(0, 100, 100, 0);
    graph_treat::DrawBevel(s, 20, 20, 80, 80, raised);
    const draw::Colour light = raised ? draw::kWhite : draw::kBlack;
    const draw::Colour dark = raised ? draw::kBlack : draw::kWhite;
    EXPECT_EQ(s.Point(50, 80), light) << raised;  // top
    EXPECT_EQ(s.Point(20, 50), light) << raised;  // left
    EXPECT_EQ(s.Point(80, 50), dark) << raised;   // right
    EXPECT_EQ(s.Point(50, 20), dark) << raised;   // bottom
    EXPECT_EQ(s.DrawWidth, 1);
  }
}
