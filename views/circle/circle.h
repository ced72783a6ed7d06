// The circle diagram: the twelve pitch classes on a circle, the item's polygon and degree
// labels (scales and chords), the chord-scale rings of a II-V-I pattern, the key mark of a
// phrase, and the playback mark.
#pragma once

#include <QPointF>
#include <QString>
#include <array>
#include <cstdint>

#include "core/settings.h"
#include "draw/paint.h"
#include "draw/surface.h"
#include "material/file_Treat.h"
#include "theory/phrase.h"

namespace YEN_treat {

// Point sets of CircleGeometry, each indexed by pitch class 0..11 and 12 (= 0).
enum PointSet { kOutline, kName, kOuterRing, kMiddleRing, kInnerRing, kKeyMark, kPointSets };

struct CircleState {
  float CircleRadius = 0;
  float CircleCentreX = 0;
  float CircleCentreY = 0;
  std::int16_t NameFontSize = 0;
  std::int16_t TextFontSize = 0;
  std::array<std::array<QPointF, 13>, kPointSets> CircleGeometry{};
  // Where each pitch class's name is centred: clear of the circle, inside the frame.
  std::array<QPointF, 12> NameCentre{};
  // The right edge of the names on the circle's right side.
  float NamesRight = 0;
  bool laidOut = false;
  // Playback mark: where it is, its label, the colour its II-V-I sector had before, and
  // whether it is on the picture now (a redraw in the middle of a pass removes it).
  QPointF lastPoint;
  QString lastLabel;
  draw::Colour lastSectorColour = 0;
  bool markShown = false;
  // Notes held on a MIDI instrument: a ring around each pitch class's point on the circle
  // while it is held (an XOR ring, drawn and removed alike), and which rings are on the
  // picture now.
  std::array<QPointF, 12> PitchPoint{};
  std::array<bool, 12> playedShown{};
};

// What the diagram is laid out for: the window height H, the left edge of Frame2, the
// screen height in twips, and the views shown.
struct CircleFrame {
  float windowHeight = 0;
  float frame2Left = 0;
  float screenHeightTwips = 15360;
  // The lowest and the highest y the diagram's names may reach (the frame's bottom edge or
  // what is drawn under the diagram; what is drawn over it, 0: the frame's top edge): the
  // circle is moved into the band between, and made smaller where it does not fit.
  float bottom = 0;
  float top = 0;
  // The rightmost x the names may reach (0: the design's place, whatever its reach).
  float right = 0;
};

// Sizes, centre and point sets for the views shown; sets the surface's font. With the
// diagram hidden the previous values stay.
void LayoutCircle(CircleState& circle, draw::Surface& surface, const settings::CfgRecord& cfg,
                  const CircleFrame& frame);

// The ring points the II-V-I realisation stores (inner = II, middle = V, outer = I).
RingPoints RingPointsOf(const CircleState& circle);

// Draws the whole diagram for the current item. For scales and chords it also stores the
// label points in the phrase's NoteCircleX / NoteCircleY. The twelve names round the circle
// follow the key's sharps or flats; itemNames, where given, names the pitch classes of the
// item's notes as the item writes them (an empty entry keeps the key's name).
void DrawCircleDiagram(CircleState& circle, draw::Surface& surface, draw::Paint& paint,
                       const settings::CfgRecord& cfg, const file_Treat::MaterialLists& lists,
                       Phrase& phrase, const std::array<QString, 12>* itemNames = nullptr);

// The playback mark at a step's point (x, y) with its degree label; first is cleared.
void HighlightStep(CircleState& circle, draw::Surface& surface, draw::Paint& paint,
                   const settings::CfgRecord& cfg, float x, float y, const QString& degree,
                   bool& first);
void EndHighlight(CircleState& circle, draw::Surface& surface, draw::Paint& paint,
                  const settings::CfgRecord& cfg);

// Puts the held-note ring of pitchClass on the picture (shown) or takes it off.
void ShowPlayed(CircleState& circle, draw::Surface& surface, const settings::CfgRecord& cfg,
                int pitchClass, bool shown);

// The pitch class whose name point lies strictly within radius of (x, y), or -1.
int PointAt(const CircleState& circle, float x, float y, float radius = 500);

}  // namespace YEN_treat
