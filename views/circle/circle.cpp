#include "views/circle/circle.h"

#include <algorithm>
#include <cmath>

#include "core/language.h"
#include "draw/graph_treat.h"
#include "theory/MusicMethod_Treat.h"

using namespace MusicMethod_Treat;

namespace YEN_treat {
namespace {

const QString kFont = QStringLiteral("ＭＳ ゴシック");

QPointF Point(const CircleState& circle, PointSet set, int pitchClass) {
  return circle.CircleGeometry[set][PitchClass(pitchClass)];
}

void SetTextFont(draw::Surface& s, int size) {
  graph_treat::SetFont(s, kFont, size, false, false);
}

void PrintLabel(draw::Surface& s, QPointF at, const QString& text, draw::Colour colour) {
  graph_treat::PrintAt(s, static_cast<float>(at.x()), static_cast<float>(at.y()), text, colour);
}

void Flood(draw::Surface& s, draw::Paint& paint, QPointF at, draw::Colour fill) {
  graph_treat::FloodAt(s, paint, static_cast<float>(at.x()), static_cast<float>(at.y()),
                       draw::kBlack, fill);
}

bool PlaybackShown(const settings::CfgRecord& cfg) {
  return cfg.ShowDiagram != 0 && category::IsList(cfg.Category);
}

// The XOR playback circle of scales and chords.
void XorMark(const CircleState& circle, draw::Surface& s, QPointF at) {
  const draw::Colour saved = s.ForeColor;
  s.DrawWidth = 2;
  s.DrawMode = draw::kXorPen;
  s.Circle(static_cast<float>(at.x()), static_cast<float>(at.y()), circle.CircleRadius / 4,
           draw::Rgb(128, 128, 0));
  s.ForeColor = saved;
  s.DrawWidth = 1;
}

// The black borders of the II-V-I rings: the circle, the two inner circles and the twelve
// spokes on the sector borders.
void DrawRingBorders(const CircleState& circle, draw::Surface& s) {
  const float R = circle.CircleRadius;
  const float cx = circle.CircleCentreX;
  const float cy = circle.CircleCentreY;
  s.Circle(cx, cy, R, draw::kBlack);
  s.Circle(cx, cy, 0.75f * R, draw::kBlack);
  s.Circle(cx, cy, 0.5f * R, draw::kBlack);
  for (int h = 1; h <= 12; ++h) {
    const QPointF end = circle.CircleGeometry[kOutline][h];
    s.Line(static_cast<float>(end.x()), static_cast<float>(end.y()), cx, cy, draw::kBlack);
  }
}

// Fills the II-V-I sector at a label's point: the label is first printed in a colour that
// is not the border colour, so that the fill covers its strokes, then printed black again.
// A label that reaches over a ring border has just broken that border with its colour:
// the borders are drawn again before the fill, so the fill stays inside its own sector.
void FillSector(const CircleState& circle, draw::Surface& s, draw::Paint& paint, QPointF at,
                const QString& label, draw::Colour labelColour, draw::Colour fill) {
  PrintLabel(s, at, label, labelColour);
  DrawRingBorders(circle, s);
  Flood(s, paint, at, fill);
  PrintLabel(s, at, label, draw::kBlack);
}

// Puts a II-V-I sector back to the colour it had before it was marked ("ANS" for a tone of
// the pattern).
void RestoreSector(const CircleState& circle, draw::Surface& s, draw::Paint& paint,
                   const settings::CfgRecord& cfg) {
  FillSector(circle, s, paint, circle.lastPoint, circle.lastLabel,
             static_cast<draw::Colour>(cfg.ColorPlayed), circle.lastSectorColour);
}

}  // namespace

void LayoutCircle(CircleState& circle, draw::Surface& surface, const settings::CfgRecord& cfg,
                  const CircleFrame& frame) {
  if (cfg.ShowDiagram == 0) return;
  const float k = (15360 - frame.screenHeightTwips) * 0.02f / 3840;
  const float H = frame.windowHeight;
  const bool score = cfg.ShowScore != 0;
  const bool keyboard = cfg.ShowKeyboard != 0;
  float radius = 0;
  float centreY = 0;
  if (score && keyboard) {
    circle.NameFontSize = 20, circle.TextFontSize = 12, radius = 0.22f, centreY = 0.5f;
  } else if (!score && keyboard) {
    circle.NameFontSize = 22, circle.TextFontSize = 14, radius = 0.3f, centreY = 0.6f;
  } else if (score) {
    circle.NameFontSize = 24, circle.TextFontSize = 18, radius = 0.3f, centreY = 0.4f;
  } else {
    circle.NameFontSize = 24, circle.TextFontSize = 18, radius = 0.35f, centreY = 0.5f;
  }
  circle.CircleRadius = radius * H;
  circle.CircleCentreY = centreY * H;
  circle.CircleCentreX = frame.frame2Left / 2 * 0.9f;
  // The names in their own font are centred a little outside the circle, clear of its
  // outline by a quarter of their height. The circle with its names keeps inside the band
  // the frame leaves it (under the staff and its marks, over the keyboard or the frame's
  // edge): moved up or down into it, and made smaller where it is too low for the whole.
  SetTextFont(surface, circle.NameFontSize);
  const float nameHeight = surface.TextHeight(QStringLiteral("Gb"));
  const float gap = nameHeight / 4;
  const float outline = k + 1.05f;
  // How far a name reaches from its centre towards the circle: half its height, or half its
  // width where a name is wider than tall (in English "D♭", whose sign is broad).
  const float nameReach =
      std::max(nameHeight, surface.TextWidth(language::WithSigns(QStringLiteral("Db")))) / 2;
  const auto nameRadius = [&](float r) {
    return std::max(1.175f * r, outline * r + nameReach + gap);
  };
  const float top = frame.top > frame.bottom ? frame.top : H;
  const float band = top - frame.bottom - nameHeight - 2 * gap;
  if (2 * nameRadius(circle.CircleRadius) > band) {
    circle.CircleRadius =
        std::max(0.0f, std::min(band / 2 / 1.175f, (band / 2 - nameHeight / 2 - gap) / outline));
  }
  const float reach = nameRadius(circle.CircleRadius) + nameHeight / 2 + gap;
  circle.CircleCentreY = std::clamp(circle.CircleCentreY, frame.bottom + reach,
                                    std::max(frame.bottom + reach, top - reach));
  // Where the frame keeps room at its right (for what listen mode shows beside the circle),
  // the circle moves left, as far as its left names stay inside, and is made smaller if
  // that is not enough.
  if (frame.right > 0) {
    const float side = surface.TextWidth(language::WithSigns(QStringLiteral("Db"))) / 2 + gap;
    const float across = nameRadius(circle.CircleRadius) + side;
    if (circle.CircleCentreX + across > frame.right) {
      circle.CircleCentreX = std::max(across, frame.right - across);
      if (circle.CircleCentreX + across > frame.right) {
        circle.CircleCentreX = frame.right / 2;
        const float room = frame.right / 2 - side;
        circle.CircleRadius = std::max(0.0f, std::min({circle.CircleRadius, room / 1.175f,
                                                       (room - nameHeight / 2 - gap) / outline}));
      }
    }
  }
  SetTextFont(surface, circle.TextFontSize);

  const float R = circle.CircleRadius;
  const float rho = nameRadius(R);
  SetTextFont(surface, circle.NameFontSize);
  circle.NamesRight =
      circle.CircleCentreX + rho + surface.TextWidth(language::WithSigns(QStringLiteral("Db"))) / 2;
  SetTextFont(surface, circle.TextFontSize);
  const float cx = circle.CircleCentreX;
  const float cy = circle.CircleCentreY;
  const float w = surface.TextWidth(QStringLiteral("4"));
  const float t = surface.TextHeight(QStringLiteral("4"));
  // Pitch class h lies 30 degrees a class clockwise from C at the top; for the II-V-I
  // patterns the outline and the key marks turn half a sector (15 degrees) further.
  const float rotation = cfg.Category == category::kPattern ? draw::ViewRadians(15) : 0.0f;
  for (int h = 0; h <= 12; ++h) {
    const float a = draw::ViewRadians(30.0f * h - 90);
    const float ar = a + rotation;
    auto& g = circle.CircleGeometry;
    g[kOutline][h] = {cx + R * std::cos(ar), cy - R * std::sin(ar) * (k + 1.05f)};
    g[kName][h] = {cx - w + 1.175f * R * std::cos(a), cy - t / 2 - 1.175f * R * std::sin(a)};
    if (h < 12) circle.NameCentre[h] = {cx + rho * std::cos(a), cy - rho * std::sin(a)};
    g[kOuterRing][h] = {cx - w + 0.89f * R * std::cos(a), cy - t / 2 - 0.92f * R * std::sin(a)};
    g[kMiddleRing][h] = {cx - w + 0.62f * R * std::cos(a), cy - t / 2 - 0.65f * R * std::sin(a)};
    g[kInnerRing][h] = {cx - w + 0.41f * R * std::cos(a), cy - t / 2 - 0.43f * R * std::sin(a)};
    g[kKeyMark][h] = {cx + 0.85f * R * std::cos(ar), cy - 1.05f * 0.9f * R * std::sin(ar)};
    if (h < 12) circle.PitchPoint[h] = {cx + R * std::cos(a), cy - R * std::sin(a) * (k + 1.05f)};
  }
  circle.laidOut = true;
}

RingPoints RingPointsOf(const CircleState& circle) {
  RingPoints rings{};
  for (int pc = 0; pc < 12; ++pc) {
    rings[kII][pc] = circle.CircleGeometry[kInnerRing][pc];
    rings[kV][pc] = circle.CircleGeometry[kMiddleRing][pc];
    rings[kI][pc] = circle.CircleGeometry[kOuterRing][pc];
  }
  return rings;
}

namespace {

// A scale's or chord's polygon joining its pitch classes, and each note's degree label on
// the outer ring (kept as the note's point for the playback mark).
void DrawSteps(CircleState& circle, draw::Surface& surface, draw::Paint& paint,
               const settings::CfgRecord& cfg, const QString& steps, Phrase& phrase) {
  const TheoryTables& tables = Tables();
  const int root = cfg.Root;
  int p = PitchClass(root);
  int step = 0;
  for (const QChar c : steps) {
    step = StepValue(c, step);
    int q = p + step;
    if (q > 11) q -= 12;
    const QPointF from = Point(circle, kOutline, p);
    const QPointF to = Point(circle, kOutline, q);
    surface.Line(static_cast<float>(from.x()), static_cast<float>(from.y()),
                 static_cast<float>(to.x()), static_cast<float>(to.y()), draw::kBlack);
    p = q;
  }
  graph_treat::FloodAt(surface, paint, circle.CircleCentreX, circle.CircleCentreY + 150,
                       draw::kBlack, static_cast<draw::Colour>(cfg.ColorPolygon));

  SetTextFont(surface, circle.TextFontSize);
  const auto store = [&phrase](int note, QPointF at) {
    if (note >= kNoteSlots) return;
    phrase.NoteCircleX[note] = static_cast<float>(at.x());
    phrase.NoteCircleY[note] = static_cast<float>(at.y());
  };
  PrintLabel(surface, Point(circle, kOuterRing, root), tables.NoteNameTable[kDegreeLabels],
             draw::kBlack);
  store(0, Point(circle, kOuterRing, root));
  int s = root;
  step = 0;
  int note = 1;
  for (const QChar c : steps) {
    step = StepValue(c, step);
    s += step;
    const QPointF at = Point(circle, kOuterRing, s);
    // Intervals beyond the octave have no label of their own.
    const int interval = s - root;
    if (interval >= 0 && interval <= 12) {
      PrintLabel(surface, at, tables.NoteNameTable[kDegreeLabels + interval], draw::kBlack);
    }
    store(note++, at);
  }
}

// A pattern's three rings (Ⅱ inner, Ⅴ middle, Ⅰ outer): each chord scale's seven degrees,
// the pattern's own coloured.
void DrawPatternRings(CircleState& circle, draw::Surface& surface, draw::Paint& paint,
                      const settings::CfgRecord& cfg, const QString& degrees) {
  const TheoryTables& tables = Tables();
  DrawRingBorders(circle, surface);
  SetTextFont(surface, circle.TextFontSize);
  static constexpr int kRootOffset[] = {2, 7, 0};
  static constexpr PointSet kRing[] = {kInnerRing, kMiddleRing, kOuterRing};
  for (const ChordPosition position : {kII, kV, kI}) {
    const QString scale =
        tables.ChordScaleTable[ChordTableIndex(cfg.Tonality, cfg.V7Treatment, position)];
    for (int d = 1; d <= 7 && d <= scale.size(); ++d) {
      QString digit = scale.mid(d - 1, 1);
      const int f = digit.toInt(nullptr, 36);
      const int c = PitchClass(cfg.Root + f + kRootOffset[position]);
      const bool used = degrees.contains(QChar(u'0' + d));
      const QPointF at = Point(circle, kRing[position], c);
      Flood(surface, paint, at, static_cast<draw::Colour>(used ? cfg.ColorAns : cfg.ColorCircle));
      PrintLabel(surface, at, tables.NoteNameTable[kDegreeLabels + f % 12], draw::kBlack);
    }
  }
}

}  // namespace

void DrawCircleDiagram(CircleState& circle, draw::Surface& surface, draw::Paint& paint,
                       const settings::CfgRecord& cfg, const file_Treat::MaterialLists& lists,
                       Phrase& phrase, const std::array<QString, 12>* itemNames) {
  const float R = circle.CircleRadius;
  const float cx = circle.CircleCentreX;
  const float cy = circle.CircleCentreY;
  const int root = cfg.Root;
  const TheoryTables& tables = Tables();

  surface.Circle(cx, cy, R, draw::kBlack);
  graph_treat::FloodAt(surface, paint, cx, cy, draw::kBlack,
                       static_cast<draw::Colour>(cfg.ColorCircle));
  surface.Circle(cx, cy, 100, draw::kBlack);
  graph_treat::FloodAt(surface, paint, cx, cy, draw::kBlack, draw::kBlack);

  SetTextFont(surface, circle.NameFontSize);
  const int names = KeyUsesFlats(root) ? kFlatNames : kSharpNames;
  for (int pc = 0; pc < 12; ++pc) {
    const QString own = itemNames ? (*itemNames)[pc] : QString();
    const QString name =
        language::WithSigns(own.isEmpty() ? tables.NoteNameTable[names + pc] : own);
    // Centred on its place (y grows upwards; a text hangs down from its top).
    const QPointF centre = circle.NameCentre[static_cast<std::size_t>(pc)];
    PrintLabel(
        surface,
        {centre.x() - surface.TextWidth(name) / 2, centre.y() + surface.TextHeight(name) / 2}, name,
        draw::kBlack);
  }

  const int category = cfg.Category;
  const int item = settings::CurrentItem(cfg);
  const bool listItem = item >= 0 && item < file_Treat::kListSlots;
  if (category::IsSteps(category)) {
    const QString steps = !listItem                      ? QString()
                          : category == category::kScale ? lists.ScaleSteps[item]
                                                         : lists.ChordSteps[item];
    DrawSteps(circle, surface, paint, cfg, steps, phrase);
  } else if (category == category::kPattern) {
    DrawPatternRings(circle, surface, paint, cfg,
                     listItem ? lists.PatternDegrees[item] : QString());
  } else if (category::IsPhraseBook(category)) {
    const QPointF at = Point(circle, kKeyMark, root);
    surface.Circle(static_cast<float>(at.x()), static_cast<float>(at.y()), 300, draw::kBlack);
    Flood(surface, paint, at, static_cast<draw::Colour>(cfg.ColorRoot));
  }
}

void HighlightStep(CircleState& circle, draw::Surface& surface, draw::Paint& paint,
                   const settings::CfgRecord& cfg, float x, float y, const QString& degree,
                   bool& first) {
  if (!PlaybackShown(cfg)) return;
  const QPointF at(x, y);
  const bool erase = !first && circle.markShown;
  if (cfg.Category == category::kPattern) {
    SetTextFont(surface, circle.TextFontSize);
    if (erase) RestoreSector(circle, surface, paint, cfg);
    // The sector's own colour, to put back afterwards; a seed on a black stroke stands for
    // a tone of the pattern.
    const draw::Colour own = surface.Point(x, y);
    circle.lastSectorColour = own == draw::kBlack ? static_cast<draw::Colour>(cfg.ColorAns) : own;
    FillSector(circle, surface, paint, at, degree, static_cast<draw::Colour>(cfg.ColorAns),
               static_cast<draw::Colour>(cfg.ColorPlayed));
    circle.lastLabel = degree;
  } else {
    if (erase) XorMark(circle, surface, circle.lastPoint);
    XorMark(circle, surface, at);
  }
  circle.lastPoint = at;
  circle.markShown = true;
  first = false;
}

void EndHighlight(CircleState& circle, draw::Surface& surface, draw::Paint& paint,
                  const settings::CfgRecord& cfg) {
  if (!PlaybackShown(cfg)) return;
  if (cfg.Category == category::kPattern) {
    SetTextFont(surface, circle.TextFontSize);
    if (circle.markShown) RestoreSector(circle, surface, paint, cfg);
  } else {
    if (circle.markShown) XorMark(circle, surface, circle.lastPoint);
    surface.DrawMode = draw::kCopyPen;
    surface.DrawWidth = 1;
  }
  circle.markShown = false;
}

void ShowPlayed(CircleState& circle, draw::Surface& surface, const settings::CfgRecord& cfg,
                int pitchClass, bool shown) {
  if (cfg.ShowDiagram == 0 || !circle.laidOut || pitchClass < 0 || pitchClass > 11) return;
  if (circle.playedShown[pitchClass] == shown) return;
  const QPointF at = circle.PitchPoint[pitchClass];
  const int mode = surface.DrawMode;
  const int width = surface.DrawWidth;
  surface.DrawWidth = 4;
  surface.DrawMode = draw::kXorPen;
  // Red on the white ground, as the keyboard's key-hit colour.
  surface.Circle(static_cast<float>(at.x()), static_cast<float>(at.y()), circle.CircleRadius / 7,
                 draw::Rgb(0, 255, 255));
  surface.DrawMode = mode;
  surface.DrawWidth = width;
  circle.playedShown[pitchClass] = shown;
}

int PointAt(const CircleState& circle, float x, float y, float radius) {
  for (int i = 0; i < 12; ++i) {
    const QPointF p = circle.CircleGeometry[kName][i];
    if (std::hypot(x - p.x(), y - p.y()) < radius) return i;
  }
  return -1;
}

}  // namespace YEN_treat
