// Drawing helpers shared by the views: fonts, text at a point, bevelled boxes, flood fill.
#pragma once

#include <QString>
#include <cstdint>

#include "draw/paint.h"
#include "draw/surface.h"

namespace graph_treat {

using draw::Colour;
using draw::Surface;

// A remembered font; the size is kept as a whole number of points.
struct SavedFont {
  QString name;
  std::int16_t size = 0;
  bool bold = false;
  bool italic = false;
};

// Sets the surface's font when size > 0; otherwise changes nothing, not even the name.
void SetFont(Surface& surface, const QString& name, float size, bool bold, bool italic);
// Remembers the surface's font in memory (size to the nearest point, halves to even).
void SaveFont(const Surface& surface, SavedFont& memory);
// Sets the surface's font back to the remembered one.
void RestoreFont(Surface& surface, const SavedFont& memory);

// Prints text in colour with its top-left corner at (x, y).
void PrintAt(Surface& surface, float x, float y, const QString& text, Colour colour);
// The same on the preview picture of the sound settings dialog.
inline void PrintInPreview(Surface& preview, float x, float y, const QString& text, Colour colour) {
  PrintAt(preview, x, y, text, colour);
}

// Four edges of width 2: (x1, y1) is the lower-left and (x2, y2) the upper-right corner in
// a y-up scale; raised gives white top and left edges and black right and bottom edges.
void DrawBevel(Surface& surface, float x1, float y1, float x2, float y2, bool raised);

// Fills the area around (x, y) bounded by the boundary colour with the fill colour; the
// surface's brush is transparent again afterwards.
void FloodAt(Surface& surface, draw::Paint& paint, float x, float y, Colour boundary, Colour fill);
inline void FloodInPreview(Surface& preview, draw::Paint& paint, float x, float y, Colour boundary,
                           Colour fill) {
  FloodAt(preview, paint, x, y, boundary, fill);
}

}  // namespace graph_treat
