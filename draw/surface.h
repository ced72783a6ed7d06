// A drawing surface that keeps its picture: the main window's client area and the preview
// picture of the sound settings dialog draw on one of these, and the widget that shows it
// only copies the picture, so every drawing persists until it is drawn over.
//
// Coordinates are user units of a scale that maps the picture onto a rectangle:
// ScaleLeft/ScaleTop at the top-left pixel, ScaleLeft+ScaleWidth / ScaleTop+ScaleHeight at
// the bottom-right edge. A negative ScaleHeight gives y growing upwards. Colours are
// Windows colour values (red in the lowest byte). Shapes are drawn without antialiasing, so
// boundary colours stay exact for flood fill and XOR drawings cancel.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace draw {

using Colour = std::uint32_t;

// π as the views' geometry takes it, to two decimals: the arcs of ties and flags run
// between multiples of it, and the circle's angles are converted from degrees with it.
inline constexpr float kViewPi = 3.14f;
inline constexpr float ViewRadians(float degrees) {
  return degrees * kViewPi / 180;
}

inline constexpr Colour kBlack = 0x000000;
inline constexpr Colour kWhite = 0xFFFFFF;

// Windows colour value (0x00BBGGRR) to and from a Qt colour.
QRgb ToQRgb(Colour colour);
Colour FromQRgb(QRgb rgb);
inline constexpr Colour Rgb(int red, int green, int blue) {
  return static_cast<Colour>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

enum DrawModes { kXorPen = 7, kCopyPen = 13 };
enum ScaleModes { kUserScale = 0, kPixelScale = 3 };
enum FillStyles { kSolidFill = 0, kTransparentFill = 1 };

class Surface {
 public:
  explicit Surface(int pixelWidth = 1, int pixelHeight = 1);
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;
  Surface(Surface&&) = delete;
  Surface& operator=(Surface&&) = delete;

  // Gives the picture a new pixel size, cleared to BackColor; the scale is kept.
  void Resize(int pixelWidth, int pixelHeight);
  // The picture's resolution, which sets how large a font of a point size is in pixels:
  // the screen's 96 unless a picture for print asks for more (kept over a Resize).
  void SetDotsPerInch(double dpi);
  int PixelWidth() const { return image_.width(); }
  int PixelHeight() const { return image_.height(); }
  const QImage& Image() const;

  // Called after every change of the picture with the pixels it touched (the widget showing
  // it repaints them).
  std::function<void(const QRect&)> changed;

  // Scale.
  void Scale(float x1, float y1, float x2, float y2);  // user scale (ScaleMode 0)
  void SetScaleMode(int mode);                         // 3 = pixels
  int ScaleMode() const { return scaleMode_; }
  float ScaleLeft() const { return scaleLeft_; }
  float ScaleTop() const { return scaleTop_; }
  float ScaleWidth() const { return scaleWidth_; }
  float ScaleHeight() const { return scaleHeight_; }
  // User point to pixel position (fractional) and to the pixel it falls on.
  QPointF ToPixelF(float x, float y) const;
  QPoint ToPixel(float x, float y) const;
  // Pixel position to user point.
  QPointF FromPixel(double px, double py) const;
  // User-unit lengths along x and y as pixel lengths (always positive).
  double PixelsPerUnitX() const;
  double PixelsPerUnitY() const;

  // Drawing state.
  Colour ForeColor = kBlack;
  Colour FillColor = kBlack;
  Colour BackColor = kWhite;
  int FillStyle = kTransparentFill;
  int DrawWidth = 1;
  int DrawMode = kCopyPen;
  float CurrentX = 0;
  float CurrentY = 0;

  // Font, by name; missing Japanese fonts are substituted (see InstallFontSubstitutions).
  void SetFontName(const QString& name);
  void SetFontSize(float points);
  void SetFontBold(bool bold);
  void SetFontItalic(bool italic);
  // The requested name while a font of that name (or its substitute) is installed, else
  // the name of the font actually used.
  QString FontName() const;
  float FontSize() const { return fontSize_; }
  bool FontBold() const { return font_.bold(); }
  bool FontItalic() const { return font_.italic(); }
  const QFont& Font() const { return font_; }

  // Drawing operations, all in user units.
  void Cls();  // clears to BackColor, CurrentX = CurrentY = 0
  void Line(float x1, float y1, float x2, float y2, Colour colour);
  void Box(float x1, float y1, float x2, float y2, Colour colour);        // outline
  void FilledBox(float x1, float y1, float x2, float y2, Colour colour);  // filled
  void PSet(float x, float y, Colour colour);
  // Ellipse centred on (x, y); radius along the longer axis in x units; aspect is height
  // divided by width.
  void Circle(float x, float y, float radius, Colour colour, float aspect = 1.0f);
  // Elliptical arc from angle start to end (radians, counter-clockwise from the positive x
  // axis as seen on the screen), radius and aspect as for Circle.
  void Arc(float x, float y, float radius, float start, float end, Colour colour,
           float aspect = 1.0f);
  // Connected lines through the points.
  void Polyline(const std::vector<QPointF>& points, Colour colour);
  // Draws text in ForeColor with its top-left corner at CurrentX, CurrentY (transparent
  // background), then moves the current position to the start of the next line.
  void Print(const QString& text);
  // Text extents in user units (positive).
  float TextWidth(const QString& text) const;
  float TextHeight(const QString& text) const;
  // Where the ink of text lies when printed at a point, in user units from that point:
  // left and right along x, and how far below the point its top and bottom lie.
  struct Ink {
    float left = 0, right = 0, below = 0, bottom = 0;
  };
  Ink TextInk(const QString& text) const;

  // A filled polygon through the points (the fill's edge drawn with it).
  void FilledPolygon(const std::vector<QPointF>& points, Colour colour);

  // Draws everything from now on also onto painter, into the rectangle target of its device
  // (the picture's whole area mapped onto it), as vector shapes and text at full precision:
  // the printed sheet. A flood fill there fills the smallest circle drawn since around its
  // point (the pixels it filled, where none is). Without a painter, only the picture.
  void MirrorTo(QPainter* painter, const QRectF& target);

  // Every text printed while a log is attached, with the font asked for: lets tests check
  // which symbol is printed where, whether or not that font is installed.
  struct TextCall {
    QString text;
    QString font;
    float size;
    bool bold;
    float x, y;
    Colour colour;
  };
  std::vector<TextCall>* textLog = nullptr;

  // Colour of the pixel under a user point; of a pixel.
  Colour Point(float x, float y) const;
  Colour PixelAt(int px, int py) const;

  // Boundary fill from a pixel: every 4-connected pixel up to pixels of the boundary colour
  // is painted with the brush (FillColor when FillStyle is solid; a transparent brush
  // paints nothing). A start outside the picture or on the boundary colour paints nothing.
  void FloodFillPixels(int px, int py, Colour boundary);

 private:
  QPainter& PainterFor(Colour colour);
  void EndPainting() const;
  void Changed(const QRect& pixels);
  void ChangedAround(QRect pixels);  // the rectangle grown by the pen's width

  // The mirror's device point of a user point, and how many device units a pixel is.
  QPointF ToMirror(float x, float y) const;
  double MirrorScale() const;
  QPainter& MirrorFor(Colour colour);
  // Fills on the mirror the smallest circle drawn since around a pixel; false when there is
  // none.
  bool MirrorFillCircle(int px, int py);

  QImage image_;
  QPainter* mirror_ = nullptr;
  QRectF mirrorTarget_;
  std::vector<QRectF> mirrorCircles_;  // the circles drawn on the mirror, for its fills
  double dotsPerInch_ = 0;             // 0: the picture's own default
  int scaleMode_ = kPixelScale;
  float scaleLeft_ = 0;
  float scaleTop_ = 0;
  float scaleWidth_ = 1;
  float scaleHeight_ = 1;
  QFont font_;
  float fontSize_ = 9.0f;
  QString fontName_;
  mutable std::unique_ptr<QPainter> painter_;   // open between drawing operations
  mutable QString resolvedFor_, resolvedName_;  // FontName's answer for one name
  std::vector<std::uint8_t> fillMarks_;         // scratch of the flood fill
};

// Makes the Windows Japanese font names resolve to the IPA fonts where they are missing.
void InstallFontSubstitutions();

}  // namespace draw
