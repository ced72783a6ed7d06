#include "views/circle/circle.h"

#include <gtest/gtest.h>

#include <cmath>

#include "draw/graph_treat.h"

using namespace YEN_treat;

namespace {

constexpr draw::Colour kCircleColour = draw::Rgb(205, 225, 250);
constexpr draw::Colour kPolygonColour = draw::Rgb(255, 196, 120);
constexpr draw::Colour kRootColour = draw::Rgb(214, 48, 49);
constexpr draw::Colour kAnsColour = draw::Rgb(46, 160, 90);
constexpr draw::Colour kPlayedColour = draw::Rgb(255, 221, 0);

class Circle : public ::testing::Test {
 protected:
  void SetUp() override {
    surface.Scale(0, 15800, 28800, 0);
    graph_treat::SetFont(surface, "ＭＳ ゴシック", 20, false, false);
    cfg.ShowScore = cfg.ShowDiagram = cfg.ShowKeyboard = -1;
    cfg.ColorCircle = static_cast<std::int32_t>(kCircleColour);
    cfg.ColorPolygon = static_cast<std::int32_t>(kPolygonColour);
    cfg.ColorRoot = static_cast<std::int32_t>(kRootColour);
    cfg.ColorAns = static_cast<std::int32_t>(kAnsColour);
    cfg.ColorPlayed = static_cast<std::int32_t>(kPlayedColour);
    lists.ScaleName[0] = "Ionian";
    lists.ScaleSteps[0] = "WWHWWWH";
    lists.ChordSuffix[0] = "7";
    lists.ChordSteps[0] = "433";
    lists.PatternDegrees[0] = "1357";
  }
  void Draw() {
    LayoutCircle(circle, surface, cfg, frame);
    ClearPhrase(phrase);
    DrawCircleDiagram(circle, surface, paint, cfg, lists, phrase);
  }
  // The point at a fraction of the radius in the direction of pitch class pc (unrotated).
  QPointF Towards(int pc, float fraction, float degreesTurn = 0) const {
    const double a = (30.0 * pc - 90 + degreesTurn) * 3.14159265 / 180;
    return {circle.CircleCentreX + fraction * circle.CircleRadius * std::cos(a),
            circle.CircleCentreY - fraction * circle.CircleRadius * std::sin(a)};
  }
  draw::Colour At(QPointF p) const {
    return surface.Point(static_cast<float>(p.x()), static_cast<float>(p.y()));
  }

  draw::Surface surface{1920, 1053};
  draw::Paint paint;
  settings::CfgRecord cfg;
  file_Treat::MaterialLists lists;
  Phrase phrase;
  CircleState circle;
  CircleFrame frame{9000, 23000, 16200};
};

}  // namespace

TEST_F(Circle, SizesByTheViewsShown) {
  struct Case {
    int score, keyboard;
    float radius, centre;
    int names, texts;
  };
  for (const Case c : {Case{-1, -1, 0.22f, 0.5f, 20, 12}, Case{0, -1, 0.3f, 0.6f, 22, 14},
                       Case{-1, 0, 0.3f, 0.4f, 24, 18}, Case{0, 0, 0.35f, 0.5f, 24, 18}}) {
    cfg.ShowScore = static_cast<std::int16_t>(c.score);
    cfg.ShowKeyboard = static_cast<std::int16_t>(c.keyboard);
    LayoutCircle(circle, surface, cfg, frame);
    EXPECT_FLOAT_EQ(circle.CircleRadius, c.radius * 9000);
    EXPECT_FLOAT_EQ(circle.CircleCentreY, c.centre * 9000);
    EXPECT_FLOAT_EQ(circle.CircleCentreX, 23000 / 2.0f * 0.9f);
    EXPECT_EQ(circle.NameFontSize, c.names);
    EXPECT_EQ(circle.TextFontSize, c.texts);
    EXPECT_EQ(surface.FontSize(), c.texts);
  }
  EXPECT_FLOAT_EQ(circle.CircleRadius, 0.35f * 9000);
  cfg.ShowDiagram = 0;
  cfg.ShowScore = cfg.ShowKeyboard = -1;
  LayoutCircle(circle, surface, cfg, frame);
  EXPECT_FLOAT_EQ(circle.CircleRadius, 0.35f * 9000);  // kept while hidden
}

TEST_F(Circle, WithAllViewsShownAWindowOf9000GivesR1980) {
  LayoutCircle(circle, surface, cfg, frame);
  EXPECT_FLOAT_EQ(circle.CircleRadius, 1980);
  EXPECT_FLOAT_EQ(circle.CircleCentreY, 4500);
  // C at the top, pitch classes clockwise.
  const auto& outline = circle.CircleGeometry[kOutline];
  EXPECT_NEAR(outline[0].x(), circle.CircleCentreX, 3);
  EXPECT_GT(outline[0].y(), circle.CircleCentreY + 1980);
  EXPECT_GT(outline[3].x(), circle.CircleCentreX + 1970);
  EXPECT_LT(outline[6].y(), circle.CircleCentreY - 1980);
  // Pitch class 12 comes round to C (the angles use 3.14 for pi, so only nearly).
  EXPECT_NEAR(outline[12].x(), outline[0].x(), 30);
  EXPECT_NEAR(outline[12].y(), outline[0].y(), 30);
}

TEST_F(Circle, ScalePolygonLabelsAndStoredPoints) {
  Draw();
  // Inside the polygon (towards D) and outside it but inside the circle (towards C#).
  EXPECT_EQ(At(Towards(2, 0.6f)), kPolygonColour);
  EXPECT_EQ(At(Towards(1, 0.97f)), kCircleColour);
  EXPECT_EQ(At(QPointF(circle.CircleCentreX, circle.CircleCentreY)), draw::kBlack);
  // Degree labels were stored at the outer ring points of C, D, E, ... and C again.
  const int classes[] = {0, 2, 4, 5, 7, 9, 11, 0};
  for (int i = 0; i < 8; ++i) {
    const QPointF ring = circle.CircleGeometry[kOuterRing][classes[i]];
    EXPECT_FLOAT_EQ(phrase.NoteCircleX[i], static_cast<float>(ring.x())) << i;
    EXPECT_FLOAT_EQ(phrase.NoteCircleY[i], static_cast<float>(ring.y())) << i;
  }
}

TEST_F(Circle, ChordPolygon) {
  cfg.Category = 1;
  cfg.Root = 2;
  Draw();
  // D7: D F# A C; the centre region lies inside the polygon.
  EXPECT_EQ(At(Towards(6, 0.3f)), kPolygonColour);
  EXPECT_EQ(At(Towards(4, 0.97f)), kCircleColour);
}

TEST_F(Circle, TwoFiveOneRingsColourTheUsedSectors) {
  cfg.Category = 2;
  Draw();
  // In C: the I ring (outer) uses C, E, G, B and leaves D, F, A out.
  const float middleOfOuterRing = 0.875f;
  EXPECT_EQ(At(Towards(4, middleOfOuterRing, 12)), kAnsColour);
  EXPECT_EQ(At(Towards(2, middleOfOuterRing, 12)), kCircleColour);
  // The II ring (inner, Dm7) uses D F A C.
  EXPECT_EQ(At(Towards(5, 0.4f, 12)), kAnsColour);
  EXPECT_EQ(At(Towards(4, 0.4f, 12)), kCircleColour);
}

TEST_F(Circle, PhraseKeyMark) {
  cfg.Category = 3;
  cfg.Root = 9;
  Draw();
  EXPECT_EQ(At(circle.CircleGeometry[kKeyMark][9]), kRootColour);
  EXPECT_EQ(At(circle.CircleGeometry[kKeyMark][3]), kCircleColour);
}

TEST_F(Circle, PlaybackMarks) {
  Draw();
  const QImage drawn = surface.Image();
  bool first = true;
  HighlightStep(circle, surface, paint, cfg, 5000, 5000, "Ⅰ", first);
  EXPECT_FALSE(first);
  HighlightStep(circle, surface, paint, cfg, 6000, 5000, "Ⅱ", first);
  EXPECT_NE(surface.Image(), drawn);
  EndHighlight(circle, surface, paint, cfg);
  EXPECT_EQ(surface.Image(), drawn);  // the XOR marks cancel
  EXPECT_EQ(surface.DrawMode, draw::kCopyPen);

  cfg.Category = 2;
  Draw();
  const QPointF g = circle.CircleGeometry[kMiddleRing][7];
  first = true;
  HighlightStep(circle, surface, paint, cfg, static_cast<float>(g.x()), static_cast<float>(g.y()),
                "Ⅰ", first);
  EXPECT_EQ(At(Towards(7, 0.625f, 12)), kPlayedColour);
  EndHighlight(circle, surface, paint, cfg);
  EXPECT_EQ(At(Towards(7, 0.625f, 12)), kAnsColour);
}

TEST_F(Circle, ClickTargetsAreTheNamePoints) {
  LayoutCircle(circle, surface, cfg, frame);
  const QPointF p = circle.CircleGeometry[kName][7];
  EXPECT_EQ(PointAt(circle, static_cast<float>(p.x() + 499), static_cast<float>(p.y())), 7);
  EXPECT_EQ(PointAt(circle, static_cast<float>(p.x() + 500), static_cast<float>(p.y())), -1);
  EXPECT_EQ(PointAt(circle, static_cast<float>(p.x()), static_cast<float>(p.y() - 300)), 7);
}

// During a II-V-I pass the highlight fills only the sector of the sounding note, in its own
// ring, and after the pass the diagram is exactly as it was, in every key and treatment
// (labels such as "bⅦ" reach over the ring borders in some keys).
TEST_F(Circle, TwoFiveOneHighlightStaysInItsSectorAndLeavesNoTrace) {
  cfg.Category = 2;
  lists.PatternDegrees[0] = "1234567";
  frame = CircleFrame{15800, 23000, 16200};           // the main window on a 1920 x 1080 screen
  const float ringMiddle[] = {0.3f, 0.625f, 0.875f};  // II inside, V, I outside
  for (int tonality = 0; tonality < 2; ++tonality) {
    for (int treatment = 0; treatment < 4; ++treatment) {
      for (int root = 0; root < 12; ++root) {
        cfg.Tonality = static_cast<std::int16_t>(tonality);
        cfg.V7Treatment = static_cast<std::int16_t>(treatment);
        cfg.Root = static_cast<std::int16_t>(root);
        surface.Cls();
        Draw();
        const RingPoints rings = RingPointsOf(circle);
        RealiseContext ctx{cfg, lists, phrase, &rings, {}};
        RealiseTwoFiveOne(ctx, 0, root);
        const QImage before = surface.Image();
        const auto sectorColour = [this](const QImage& image, QPointF p) {
          const QPoint px = surface.ToPixel(static_cast<float>(p.x()), static_cast<float>(p.y()));
          return image.pixel(px) & 0xFFFFFF;
        };
        bool first = true;
        for (int n = 0; n < phrase.NoteCount; ++n) {
          HighlightStep(circle, surface, paint, cfg, phrase.NoteCircleX[n], phrase.NoteCircleY[n],
                        phrase.NoteDegree[n], first);
          const int ring = n / 7;
          const int sounding = MusicMethod_Treat::PitchClass(phrase.NotePitch[n]);
          for (int r = 0; r < 3; ++r) {
            for (int pc = 0; pc < 12; ++pc) {
              const QPointF middle = Towards(pc, ringMiddle[r], 12);
              if (r == ring && pc == sounding) {
                EXPECT_EQ(At(middle), kPlayedColour) << "root " << root << " note " << n;
              } else {
                EXPECT_EQ(sectorColour(surface.Image(), middle), sectorColour(before, middle))
                    << "tonality " << tonality << " treatment " << treatment << " root " << root
                    << " note " << n << ": ring " << r << " pitch class " << pc;
              }
            }
          }
        }
        EndHighlight(circle, surface, paint, cfg);
        ASSERT_TRUE(surface.Image() == before)
            << "tonality " << tonality << " treatment " << treatment << " root " << root;
      }
    }
  }
}

// Each pitch class lies at its designed angle: 30 degrees a class clockwise from C at the
// top. For the II-V-I patterns the key marks turn half a sector (15 degrees) further; the
// note names stay.
TEST_F(Circle, PitchClassesLieAtTheirDesignedAngles) {
  for (const int category : {0, 1, 2, 3}) {
    cfg.Category = static_cast<std::int16_t>(category);
    LayoutCircle(circle, surface, cfg, frame);
    const double R = circle.CircleRadius;
    const double cx = circle.CircleCentreX;
    const double cy = circle.CircleCentreY;
    const double w = surface.TextWidth(QStringLiteral("4"));
    const double t = surface.TextHeight(QStringLiteral("4"));
    const double turn = category == 2 ? 15 : 0;
    // How far a point on an ellipse of half-axes rx, ry about (x0, y0) lies from the angle
    // of pitch class h turned by `by` degrees: 30 degrees a class clockwise from the top,
    // converted as the views convert degrees (π as 3.14). In radians, within ±π.
    const auto offAngle = [](QPointF p, double x0, double y0, double rx, double ry, int h,
                             double by) {
      const double measured = std::atan2((y0 - p.y()) / ry, (p.x() - x0) / rx);
      const double designed = draw::ViewRadians(static_cast<float>(30 * h - 90 + by));
      return std::remainder(measured - designed, 2 * std::acos(-1.0));
    };
    for (int h = 0; h < 12; ++h) {
      SCOPED_TRACE(testing::Message() << "category " << category << ", pitch class " << h);
      EXPECT_NEAR(
          offAngle(circle.CircleGeometry[kKeyMark][h], cx, cy, 0.85 * R, 1.05 * 0.9 * R, h, turn),
          0, 1e-4);
      EXPECT_NEAR(
          offAngle(circle.CircleGeometry[kName][h], cx - w, cy - t / 2, 1.175 * R, 1.175 * R, h, 0),
          0, 1e-4);
    }
  }
}
