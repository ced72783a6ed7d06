#include "draw/surface.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>
#include <vector>

namespace draw {

QRgb ToQRgb(Colour colour) {
  return qRgb(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
              static_cast<int>((colour >> 16) & 0xFF));
}

Colour FromQRgb(QRgb rgb) {
  return Rgb(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

void InstallFontSubstitutions() {
  QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
  QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho"));
  QFont::insertSubstitution(QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho"));
}

// The surface keeps one QPainter open on its picture between drawing operations (opening
// one per line or box costs more than the drawing); each operation sets it up from the
// drawing state: no antialiasing, the pen of the given colour at DrawWidth, and XOR when the
// draw mode asks for it. Direct pixel access ends it first.
QPainter& Surface::PainterFor(Colour colour) {
  if (!painter_) {
    painter_ = std::make_unique<QPainter>(&image_);
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, false);
  }
  QPainter& p = *painter_;
  p.setCompositionMode(DrawMode == kXorPen ? QPainter::RasterOp_SourceXorDestination
                                           : QPainter::CompositionMode_SourceOver);
  QPen pen{QColor(ToQRgb(colour))};
  pen.setWidth(std::max(1, DrawWidth));
  pen.setCapStyle(DrawWidth > 1 ? Qt::RoundCap : Qt::SquareCap);
  pen.setJoinStyle(Qt::RoundJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  p.setFont(font_);
  return p;
}

void Surface::EndPainting() const {
  painter_.reset();
}

const QImage& Surface::Image() const {
  EndPainting();
  return image_;
}

Surface::~Surface() {
  EndPainting();
}

Surface::Surface(int pixelWidth, int pixelHeight) {
  font_.setStyleStrategy(QFont::NoAntialias);
  fontName_ = font_.family();
  font_.setPointSizeF(fontSize_);
  Resize(pixelWidth, pixelHeight);
  SetScaleMode(kPixelScale);
}

void Surface::Resize(int pixelWidth, int pixelHeight) {
  EndPainting();
  image_ = QImage(std::max(1, pixelWidth), std::max(1, pixelHeight), QImage::Format_RGB32);
  if (dotsPerInch_ > 0) {
    const int perMetre = static_cast<int>(std::lround(dotsPerInch_ / 0.0254));
    image_.setDotsPerMeterX(perMetre);
    image_.setDotsPerMeterY(perMetre);
  }
  image_.fill(ToQRgb(BackColor));
  if (scaleMode_ == kPixelScale) SetScaleMode(kPixelScale);
  Changed(image_.rect());
}

void Surface::SetDotsPerInch(double dpi) {
  dotsPerInch_ = dpi;
  Resize(image_.width(), image_.height());
}

void Surface::Changed(const QRect& pixels) {
  if (changed) changed(pixels.intersected(image_.rect()));
}

void Surface::ChangedAround(QRect pixels) {
  const int grow = std::max(1, DrawWidth) + 1;
  Changed(pixels.normalized().adjusted(-grow, -grow, grow, grow));
}

void Surface::Scale(float x1, float y1, float x2, float y2) {
  scaleMode_ = kUserScale;
  scaleLeft_ = x1;
  scaleTop_ = y1;
  scaleWidth_ = x2 - x1;
  scaleHeight_ = y2 - y1;
}

void Surface::SetScaleMode(int mode) {
  scaleMode_ = mode;
  if (mode == kPixelScale) {
    scaleLeft_ = 0;
    scaleTop_ = 0;
    scaleWidth_ = static_cast<float>(image_.width());
    scaleHeight_ = static_cast<float>(image_.height());
  }
}

double Surface::PixelsPerUnitX() const {
  return scaleWidth_ == 0 ? 0.0 : std::abs(image_.width() / static_cast<double>(scaleWidth_));
}

double Surface::PixelsPerUnitY() const {
  return scaleHeight_ == 0 ? 0.0 : std::abs(image_.height() / static_cast<double>(scaleHeight_));
}

QPointF Surface::ToPixelF(float x, float y) const {
  const double fx = scaleWidth_ == 0 ? 0.0 : image_.width() / static_cast<double>(scaleWidth_);
  const double fy = scaleHeight_ == 0 ? 0.0 : image_.height() / static_cast<double>(scaleHeight_);
  return {(x - scaleLeft_) * fx, (y - scaleTop_) * fy};
}

QPoint Surface::ToPixel(float x, float y) const {
  const QPointF p = ToPixelF(x, y);
  const auto clampInt = [](double v) {
    return static_cast<int>(std::lrint(std::clamp(v, -1.0e9, 1.0e9)));
  };
  return {clampInt(p.x()), clampInt(p.y())};
}

QPointF Surface::FromPixel(double px, double py) const {
  const double x = scaleLeft_ + px * scaleWidth_ / std::max(1, image_.width());
  const double y = scaleTop_ + py * scaleHeight_ / std::max(1, image_.height());
  return {x, y};
}

void Surface::SetFontName(const QString& name) {
  fontName_ = name;
  font_.setFamilies({name});
}

void Surface::SetFontSize(float points) {
  if (!(points > 0)) return;
  fontSize_ = points;
  font_.setPointSizeF(points);
}

void Surface::SetFontBold(bool bold) {
  font_.setBold(bold);
}
void Surface::SetFontItalic(bool italic) {
  font_.setItalic(italic);
}

QString Surface::FontName() const {
  // Looking a family up in the font database is slow: remember the answer per name.
  if (resolvedFor_ == fontName_ && !resolvedFor_.isNull()) return resolvedName_;
  resolvedFor_ = fontName_;
  resolvedName_ = QFontInfo(font_).family();
  if (QFontDatabase::hasFamily(fontName_)) {
    resolvedName_ = fontName_;
  } else {
    for (const QString& substitute : QFont::substitutes(fontName_)) {
      if (QFontDatabase::hasFamily(substitute)) resolvedName_ = fontName_;
    }
  }
  return resolvedName_;
}

void Surface::Cls() {
  EndPainting();
  image_.fill(ToQRgb(BackColor));
  if (mirror_) {
    mirror_->fillRect(mirrorTarget_, QColor(ToQRgb(BackColor)));
    mirrorCircles_.clear();
  }
  CurrentX = 0;
  CurrentY = 0;
  Changed(image_.rect());
}

void Surface::Line(float x1, float y1, float x2, float y2, Colour colour) {
  {
    QPainter& p = PainterFor(colour);
    p.drawLine(ToPixel(x1, y1), ToPixel(x2, y2));
  }
  if (mirror_) MirrorFor(colour).drawLine(ToMirror(x1, y1), ToMirror(x2, y2));
  CurrentX = x2;
  CurrentY = y2;
  ChangedAround(QRect(ToPixel(x1, y1), ToPixel(x2, y2)));
}

namespace {
QRect CornersToRect(QPoint a, QPoint b) {
  return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
               QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}
}  // namespace

namespace {
// Pixel radii of an ellipse: radius along the longer axis in x units; aspect = vertical
// divided by horizontal.
QPointF EllipseRadii(double radiusPixels, float aspect) {
  double rx = radiusPixels;
  double ry = radiusPixels;
  if (aspect > 0 && aspect <= 1) {
    ry = rx * aspect;
  } else if (aspect > 1) {
    rx = ry / aspect;
  }
  return {rx, ry};
}
}  // namespace

void Surface::Box(float x1, float y1, float x2, float y2, Colour colour) {
  {
    QPainter& p = PainterFor(colour);
    const QRect r = CornersToRect(ToPixel(x1, y1), ToPixel(x2, y2));
    // An outline of a one-pixel pen covers x .. x+width, so give it the inclusive size less one.
    p.drawRect(QRect(r.topLeft(), QSize(r.width() - 1, r.height() - 1)));
  }
  if (mirror_) MirrorFor(colour).drawRect(QRectF(ToMirror(x1, y1), ToMirror(x2, y2)).normalized());
  CurrentX = x2;
  CurrentY = y2;
  ChangedAround(CornersToRect(ToPixel(x1, y1), ToPixel(x2, y2)));
}

void Surface::FilledBox(float x1, float y1, float x2, float y2, Colour colour) {
  {
    QPainter& p = PainterFor(colour);
    p.fillRect(CornersToRect(ToPixel(x1, y1), ToPixel(x2, y2)), QColor(ToQRgb(colour)));
  }
  if (mirror_) {
    MirrorFor(colour).fillRect(QRectF(ToMirror(x1, y1), ToMirror(x2, y2)).normalized(),
                               QColor(ToQRgb(colour)));
  }
  CurrentX = x2;
  CurrentY = y2;
  ChangedAround(CornersToRect(ToPixel(x1, y1), ToPixel(x2, y2)));
}

void Surface::PSet(float x, float y, Colour colour) {
  EndPainting();
  const QPoint p = ToPixel(x, y);
  if (image_.rect().contains(p)) {
    const QRgb c = ToQRgb(colour);
    image_.setPixel(p, DrawMode == kXorPen ? ((image_.pixel(p) ^ c) | 0xFF000000u) : c);
  }
  CurrentX = x;
  CurrentY = y;
  ChangedAround(QRect(p, p));
}

void Surface::Circle(float x, float y, float radius, Colour colour, float aspect) {
  const QPointF r = EllipseRadii(std::abs(radius) * PixelsPerUnitX(), aspect);
  {
    QPainter& p = PainterFor(colour);
    if (FillStyle == kSolidFill) p.setBrush(QColor(ToQRgb(FillColor)));
    if (std::lrint(r.x()) == 0 && std::lrint(r.y()) == 0) {
      // Smaller than a pixel: the pen alone leaves a dot of its width.
      QPen pen = p.pen();
      pen.setCapStyle(Qt::RoundCap);
      p.setPen(pen);
      p.drawPoint(ToPixel(x, y));
    } else {
      p.drawEllipse(QPointF(ToPixel(x, y)), std::lrint(r.x()), std::lrint(r.y()));
    }
  }
  if (mirror_) {
    QPainter& m = MirrorFor(colour);
    if (FillStyle == kSolidFill) m.setBrush(QColor(ToQRgb(FillColor)));
    const double f = MirrorScale();
    const QPointF centre = ToMirror(x, y);
    m.drawEllipse(centre, r.x() * f, r.y() * f);
    mirrorCircles_.push_back(
        QRectF(centre.x() - r.x() * f, centre.y() - r.y() * f, 2 * r.x() * f, 2 * r.y() * f));
  }
  CurrentX = x;
  CurrentY = y;
  const QPoint c = ToPixel(x, y);
  const int rx = static_cast<int>(std::lrint(r.x())) + 1;
  const int ry = static_cast<int>(std::lrint(r.y())) + 1;
  ChangedAround(QRect(c.x() - rx, c.y() - ry, 2 * rx + 1, 2 * ry + 1));
}

void Surface::Arc(float x, float y, float radius, float start, float end, Colour colour,
                  float aspect) {
  const QPointF r = EllipseRadii(std::abs(radius) * PixelsPerUnitX(), aspect);
  const QPointF c = ToPixelF(x, y);
  const QRectF box(c.x() - r.x(), c.y() - r.y(), 2 * r.x(), 2 * r.y());
  constexpr double kDegrees = 180.0 / 3.14159265358979;
  {
    QPainter& p = PainterFor(colour);
    p.drawArc(box, static_cast<int>(std::lrint(start * kDegrees * 16)),
              static_cast<int>(std::lrint((end - start) * kDegrees * 16)));
  }
  if (mirror_) {
    const double f = MirrorScale();
    const QPointF m = ToMirror(x, y);
    MirrorFor(colour).drawArc(
        QRectF(m.x() - r.x() * f, m.y() - r.y() * f, 2 * r.x() * f, 2 * r.y() * f),
        static_cast<int>(std::lrint(start * kDegrees * 16)),
        static_cast<int>(std::lrint((end - start) * kDegrees * 16)));
  }
  CurrentX = x;
  CurrentY = y;
  ChangedAround(box.toAlignedRect());
}

void Surface::Polyline(const std::vector<QPointF>& points, Colour colour) {
  if (points.empty()) return;
  QPolygon polygon;
  for (const QPointF& p : points) {
    polygon << ToPixel(static_cast<float>(p.x()), static_cast<float>(p.y()));
  }
  {
    QPainter& p = PainterFor(colour);
    p.drawPolyline(polygon);
  }
  if (mirror_) {
    QPolygonF line;
    for (const QPointF& p : points) {
      line << ToMirror(static_cast<float>(p.x()), static_cast<float>(p.y()));
    }
    MirrorFor(colour).drawPolyline(line);
  }
  CurrentX = static_cast<float>(points.back().x());
  CurrentY = static_cast<float>(points.back().y());
  ChangedAround(polygon.boundingRect());
}

void Surface::Print(const QString& text) {
  if (textLog) {
    textLog->push_back({text, fontName_, fontSize_, font_.bold(), CurrentX, CurrentY, ForeColor});
  }
  const QPointF start = ToPixelF(CurrentX, CurrentY);
  const QFontMetricsF metrics(font_, &image_);
  {
    QPainter& p = PainterFor(ForeColor);
    p.drawText(QPointF(std::lrint(start.x()), std::lrint(start.y()) + metrics.ascent()), text);
  }
  if (mirror_) {
    // The same size to the picture as on it: the picture's pixels of the font, in device
    // units, as points of the device.
    QFont font = font_;
    font.setStyleStrategy(QFont::PreferDefault);
    const double pixels = font_.pointSizeF() / 72.0 * image_.logicalDpiY();
    const int deviceDpi = mirror_->device() ? mirror_->device()->logicalDpiY() : 72;
    font.setPointSizeF(pixels * MirrorScale() * 72.0 / std::max(1, deviceDpi));
    QPainter& m = MirrorFor(ForeColor);
    m.setFont(font);
    const QPointF at = ToMirror(CurrentX, CurrentY);
    m.drawText(QPointF(at.x(), at.y() + QFontMetricsF(font, m.device()).ascent()), text);
  }
  const QPointF next = FromPixel(0, start.y() + metrics.height());
  CurrentX = scaleLeft_;
  CurrentY = static_cast<float>(next.y());
  ChangedAround(
      QRectF(start, QSizeF(metrics.horizontalAdvance(text) + metrics.maxWidth(), metrics.height()))
          .toAlignedRect());
}

float Surface::TextWidth(const QString& text) const {
  const double px = QFontMetricsF(font_, &image_).horizontalAdvance(text);
  const double perUnit = PixelsPerUnitX();
  return perUnit == 0 ? 0.0f : static_cast<float>(px / perUnit);
}

Surface::Ink Surface::TextInk(const QString& text) const {
  const QFontMetricsF metrics(font_, &image_);
  // Print puts the baseline one ascent below the point.
  const QRectF ink = metrics.tightBoundingRect(text).translated(0, metrics.ascent());
  const double perX = PixelsPerUnitX();
  const double perY = PixelsPerUnitY();
  if (perX == 0 || perY == 0) return {};
  return Ink{static_cast<float>(ink.left() / perX), static_cast<float>(ink.right() / perX),
             static_cast<float>(ink.top() / perY), static_cast<float>(ink.bottom() / perY)};
}

float Surface::TextHeight(const QString&) const {
  const double px = QFontMetricsF(font_, &image_).height();
  const double perUnit = PixelsPerUnitY();
  return perUnit == 0 ? 0.0f : static_cast<float>(px / perUnit);
}

Colour Surface::PixelAt(int px, int py) const {
  EndPainting();
  if (!image_.rect().contains(px, py)) return kBlack;
  return FromQRgb(image_.pixel(px, py));
}

Colour Surface::Point(float x, float y) const {
  const QPoint p = ToPixel(x, y);
  return PixelAt(p.x(), p.y());
}

void Surface::FloodFillPixels(int px, int py, Colour boundary) {
  EndPainting();
  if (FillStyle != kSolidFill) return;
  if (!image_.rect().contains(px, py)) return;
  const bool mirrorPixels = mirror_ && !MirrorFillCircle(px, py);
  const QRgb stop = ToQRgb(boundary) & 0xFFFFFFu;
  const QRgb paint = ToQRgb(FillColor);
  const int w = image_.width();
  const int h = image_.height();
  const auto isBoundary = [&](int x, int y) {
    return (reinterpret_cast<const QRgb*>(image_.constScanLine(y))[x] & 0xFFFFFFu) == stop;
  };
  if (isBoundary(px, py)) return;

  // Marks of the pixels filled so far, kept between fills (only the filled runs are cleared
  // again afterwards, so a small fill on a large picture stays cheap).
  const std::size_t size = static_cast<std::size_t>(w) * h;
  if (fillMarks_.size() != size) fillMarks_.assign(size, 0);
  std::vector<std::uint8_t>& done = fillMarks_;
  const auto at = [w](int x, int y) { return static_cast<std::size_t>(y) * w + x; };
  struct Run {
    int y, left, right;
  };
  std::vector<Run> runs;
  std::vector<QPoint> seeds{{px, py}};
  QRect filled;
  while (!seeds.empty()) {
    const QPoint seed = seeds.back();
    seeds.pop_back();
    const int y = seed.y();
    if (done[at(seed.x(), y)] || isBoundary(seed.x(), y)) continue;
    int left = seed.x();
    while (left > 0 && !done[at(left - 1, y)] && !isBoundary(left - 1, y)) --left;
    int right = seed.x();
    while (right + 1 < w && !done[at(right + 1, y)] && !isBoundary(right + 1, y)) ++right;
    auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
    for (int x = left; x <= right; ++x) {
      row[x] = paint;
      done[at(x, y)] = 1;
    }
    runs.push_back({y, left, right});
    filled |= QRect(left, y, right - left + 1, 1);
    // Seed one point per run of fillable pixels on the rows above and below.
    for (int ny : {y - 1, y + 1}) {
      if (ny < 0 || ny >= h) continue;
      bool inRun = false;
      for (int x = left; x <= right; ++x) {
        const bool fillable = !done[at(x, ny)] && !isBoundary(x, ny);
        if (fillable && !inRun) seeds.push_back({x, ny});
        inRun = fillable;
      }
    }
  }
  for (const Run& r : runs)
    std::fill(done.begin() + at(r.left, r.y), done.begin() + at(r.right, r.y) + 1, 0);
  if (mirrorPixels) {
    // No circle around the point: the pixels that were filled.
    QPainter& m = MirrorFor(FillColor);
    const double f = MirrorScale();
    for (const Run& r : runs) {
      m.fillRect(QRectF(mirrorTarget_.topLeft() + QPointF(r.left, r.y) * f,
                        QSizeF((r.right - r.left + 1) * f, f)),
                 QColor(ToQRgb(FillColor)));
    }
  }
  Changed(filled);
}

bool Surface::MirrorFillCircle(int px, int py) {
  const QPointF at = mirrorTarget_.topLeft() + QPointF(px, py) * MirrorScale();
  const QRectF* smallest = nullptr;
  for (const QRectF& circle : mirrorCircles_) {
    const QPointF d = at - circle.center();
    const double rx = circle.width() / 2;
    const double ry = circle.height() / 2;
    if (rx <= 0 || ry <= 0 || (d.x() * d.x()) / (rx * rx) + (d.y() * d.y()) / (ry * ry) > 1) {
      continue;
    }
    if (!smallest || circle.width() * circle.height() < smallest->width() * smallest->height()) {
      smallest = &circle;
    }
  }
  if (!smallest) return false;
  QPainter& m = MirrorFor(FillColor);
  m.setBrush(QColor(ToQRgb(FillColor)));
  m.drawEllipse(*smallest);
  return true;
}

void Surface::FilledPolygon(const std::vector<QPointF>& points, Colour colour) {
  if (points.empty()) return;
  QPolygon polygon;
  for (const QPointF& p : points) {
    polygon << ToPixel(static_cast<float>(p.x()), static_cast<float>(p.y()));
  }
  {
    QPainter& p = PainterFor(colour);
    p.setBrush(QColor(ToQRgb(colour)));
    p.drawPolygon(polygon);
  }
  if (mirror_) {
    QPolygonF shape;
    for (const QPointF& p : points) {
      shape << ToMirror(static_cast<float>(p.x()), static_cast<float>(p.y()));
    }
    QPainter& m = MirrorFor(colour);
    m.setPen(Qt::NoPen);
    m.setBrush(QColor(ToQRgb(colour)));
    m.drawPolygon(shape);
  }
  ChangedAround(polygon.boundingRect());
}

void Surface::MirrorTo(QPainter* painter, const QRectF& target) {
  mirror_ = painter;
  mirrorTarget_ = target;
  mirrorCircles_.clear();
}

QPointF Surface::ToMirror(float x, float y) const {
  return mirrorTarget_.topLeft() + ToPixelF(x, y) * MirrorScale();
}

double Surface::MirrorScale() const {
  return image_.width() > 0 ? mirrorTarget_.width() / image_.width() : 1.0;
}

// The mirror's painter set up as PainterFor sets up the picture's, antialiased: the pen of
// the colour at DrawWidth pixels of the picture.
QPainter& Surface::MirrorFor(Colour colour) {
  QPainter& m = *mirror_;
  m.setRenderHint(QPainter::Antialiasing, true);
  m.setRenderHint(QPainter::TextAntialiasing, true);
  QPen pen{QColor(ToQRgb(colour))};
  pen.setWidthF(std::max(1, DrawWidth) * MirrorScale());
  pen.setCapStyle(DrawWidth > 1 ? Qt::RoundCap : Qt::SquareCap);
  pen.setJoinStyle(Qt::RoundJoin);
  m.setPen(pen);
  m.setBrush(Qt::NoBrush);
  return m;
}

}  // namespace draw
