#include "draw/surface.h"

#include <gtest/gtest.h>

#include "draw/graph_treat.h"
#include "draw/paint.h"

using draw::Colour;
using draw::Rgb;
using draw::Surface;

namespace {

constexpr Colour kRed = Rgb(255, 0, 0);
constexpr Colour kBlue = Rgb(0, 0, 255);

// A 200 x 100 pixel surface with the main window's kind of scale: 3000 x 1500 units, y up.
struct YUpSurface : Surface {
  YUpSurface() : Surface(200, 100) { Scale(0, 1500, 3000, 0); }
};

}  // namespace

TEST(SurfaceScale, YGrowsUpwardsFromTheBottomEdge) {
  YUpSurface s;
  EXPECT_EQ(s.ToPixel(0, 1500), QPoint(0, 0));
  EXPECT_EQ(s.ToPixel(3000, 0), QPoint(200, 100));
  EXPECT_EQ(s.ToPixel(1500, 750), QPoint(100, 50));
  s.PSet(1500, 750, kRed);
  EXPECT_EQ(s.PixelAt(100, 50), kRed);
}

TEST(SurfaceColour, WindowsColourValuesKeepRedInTheLowByte) {
  EXPECT_EQ(draw::ToQRgb(0x0000FF) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(draw::FromQRgb(qRgb(1, 2, 3)), 0x030201u);
}

TEST(FloodFill, StaysInsideTheBoundaryColour) {
  YUpSurface s;
  s.Box(300, 300, 1500, 1200, draw::kBlack);
  s.Line(2000, 0, 2000, 1500, kBlue);  // another colour is no boundary
  graph_treat::SetFont(s, QStringLiteral("ＭＳ ゴシック"), 10, false, false);
  draw::Paint paint;
  graph_treat::FloodAt(s, paint, 900, 750, draw::kBlack, kRed);
  EXPECT_EQ(s.Point(900, 750), kRed);
  EXPECT_EQ(s.Point(400, 400), kRed);
  EXPECT_EQ(s.Point(300, 750), draw::kBlack);   // the boundary itself stays
  EXPECT_EQ(s.Point(2500, 750), draw::kWhite);  // outside stays
  EXPECT_EQ(s.FillStyle, draw::kTransparentFill);

  // Outside the box the fill runs over the blue line to the picture's edges.
  graph_treat::FloodAt(s, paint, 100, 100, draw::kBlack, Rgb(0, 200, 0));
  EXPECT_EQ(s.Point(2900, 1400), Rgb(0, 200, 0));
  EXPECT_EQ(s.Point(900, 750), kRed);
}

TEST(FloodFill, StartOnABoundaryPixelPaintsNothing) {
  YUpSurface s;
  s.Box(300, 300, 1500, 1200, draw::kBlack);
  const QImage before = s.Image();
  draw::Paint paint;
  graph_treat::FloodAt(s, paint, 300, 750, draw::kBlack, kRed);
  EXPECT_EQ(s.Image(), before);
}

TEST(FloodFill, RegionsTouchingOnlyAtACornerStaySeparate) {
  Surface s(10, 10);
  s.FillStyle = draw::kSolidFill;
  s.FillColor = kRed;
  // A diagonal line of boundary pixels splits the picture into two triangles.
  for (int i = 0; i < 10; ++i) s.PSet(static_cast<float>(i), static_cast<float>(i), draw::kBlack);
  s.FloodFillPixels(8, 1, draw::kBlack);
  EXPECT_EQ(s.PixelAt(9, 0), kRed);
  EXPECT_EQ(s.PixelAt(0, 9), draw::kWhite);
}

TEST(PaintDevice, ConvertsToPixelsWithHalvesToEven) {
  Surface s(500, 100);
  s.Scale(0, 0, 1000, 100);
  draw::Paint paint;
  paint.Device(s);
  EXPECT_EQ(paint.DeviceX(999), 500);  // 499.5
  EXPECT_EQ(paint.DeviceX(997), 498);  // 498.5
  EXPECT_EQ(paint.DeviceX(995), 498);  // 497.5
  EXPECT_EQ(paint.DeviceY(50), 50);
  // The surface keeps its own scale.
  EXPECT_EQ(s.ScaleMode(), draw::kUserScale);
  EXPECT_EQ(s.ScaleWidth(), 1000);

  Surface y(200, 100);
  y.Scale(0, 1500, 3000, 0);
  paint.Device(y);
  EXPECT_EQ(paint.DeviceY(1500), 0);
  EXPECT_EQ(paint.DeviceY(0), 100);
}

TEST(PaintDevice, ASurfaceWithoutExtentPaintsNothing) {
  Surface s(50, 50);
  s.Scale(10, 10, 10, 60);
  s.FillStyle = draw::kSolidFill;
  s.FillColor = kRed;
  draw::Paint paint;
  paint.Device(s);
  paint.Flood(10, 20);
  EXPECT_EQ(s.PixelAt(0, 0), draw::kWhite);
}

TEST(XorDrawing, DrawingTwiceRestoresThePicture) {
  YUpSurface s;
  s.Box(300, 300, 1500, 1200, kRed);
  s.FilledBox(600, 600, 900, 900, kBlue);
  const QImage before = s.Image();
  s.DrawMode = draw::kXorPen;
  s.Line(100, 0, 2800, 1400, Rgb(0, 255, 0));
  EXPECT_NE(s.Image(), before);
  s.Line(100, 0, 2800, 1400, Rgb(0, 255, 0));
  EXPECT_EQ(s.Image(), before);
}

TEST(LineWidth, WiderLinesCoverMorePixels) {
  Surface s(100, 100);
  s.Line(10, 50, 90, 50, draw::kBlack);
  EXPECT_EQ(s.PixelAt(50, 52), draw::kWhite);
  s.DrawWidth = 5;
  s.Line(10, 50, 90, 50, draw::kBlack);
  EXPECT_EQ(s.PixelAt(50, 52), draw::kBlack);
}
