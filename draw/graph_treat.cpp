#include "draw/graph_treat.h"

#include <cmath>

namespace graph_treat {

void SetFont(Surface& surface, const QString& name, float size, bool bold, bool italic) {
  if (!(size > 0)) return;
  surface.SetFontName(name);
  surface.SetFontSize(size);
  surface.SetFontBold(bold);
  surface.SetFontItalic(italic);
}

void SaveFont(const Surface& surface, SavedFont& memory) {
  memory.name = surface.FontName();
  memory.size = static_cast<std::int16_t>(std::lrint(surface.FontSize()));
  memory.bold = surface.FontBold();
  memory.italic = surface.FontItalic();
}

void RestoreFont(Surface& surface, const SavedFont& memory) {
  SetFont(surface, memory.name, memory.size, memory.bold, memory.italic);
}

void PrintAt(Surface& surface, float x, float y, const QString& text, Colour colour) {
  surface.ForeColor = colour;
  surface.CurrentX = x;
  surface.CurrentY = y;
  surface.Print(text);
}

void DrawBevel(Surface& surface, float x1, float y1, float x2, float y2, bool raised) {
  surface.DrawWidth = 2;
  const Colour first = raised ? draw::kWhite : draw::kBlack;
  const Colour second = raised ? draw::kBlack : draw::kWhite;
  surface.Line(x1, y2, x2, y2, first);
  surface.Line(x2, y2, x2, y1, second);
  surface.Line(x2, y1, x1, y1, second);
  surface.Line(x1, y1, x1, y2, first);
  surface.DrawWidth = 1;
}

void FloodAt(Surface& surface, draw::Paint& paint, float x, float y, Colour boundary, Colour fill) {
  surface.FillStyle = draw::kSolidFill;
  surface.FillColor = fill;
  surface.ForeColor = boundary;
  paint.Device(surface);
  paint.Flood(x, y);
  surface.FillStyle = draw::kTransparentFill;
}

}  // namespace graph_treat
