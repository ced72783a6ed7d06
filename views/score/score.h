// The score: the realised item as one line of music on the treble staff, with chord names,
// bar lines, beams, tuplet digits, ties, dots, ledger lines and accidentals; drawn with the
// MAESTRO symbol font when it is chosen, otherwise with plain drawn symbols. Also the tempo
// line and the playback cursor.
#pragma once

#include <QCoreApplication>
#include <array>
#include <cstdint>
#include <functional>

#include "core/settings.h"
#include "draw/paint.h"
#include "draw/surface.h"
#include "theory/phrase.h"
#include "theory/spelling.h"
#include "views/score/staff.h"

namespace Scor_treat {

inline constexpr const char* kTooShort =
    QT_TRANSLATE_NOOP("score", "　クリシェデータがありません！！　");
inline constexpr draw::Colour kCursorColour = draw::Rgb(0, 255, 0);
inline constexpr int kBeamSlots = 11;

struct BeamEntry {
  float x = 0, y = 0;
  std::int16_t code = 0;
};

// Running state of one drawing, kept afterwards as the last element left it.
struct ScoreState {
  float UnitWidth = 0;
  float PenX = 0;
  std::int16_t AdvanceTotal = 0;
  std::int16_t TickTotal = 0;
  std::int16_t MaestroActive = 0;
  std::array<BeamEntry, kBeamSlots> beam{};
  int beamLast = -1;
  float beamX0 = 0, beamY0 = 0;
  // An unbeamed triplet being drawn (quarter triplets, the shuffle's quarter and eighth):
  // where its first note stands and the highest head so far, for its digit.
  float tripletX0 = 0, tripletTop = 0;
  float LastCursorX = 0;
  // Whether the cursor line at LastCursorX is on the picture now. A redraw of the window
  // in the middle of a pass (a circle click, a view switch) clears it, and removing the
  // XOR line from a fresh picture would draw a stray one instead.
  bool CursorShown = false;
  // Where the last drawing put each note's head, so that listen mode can paint it again in
  // the colour of its verdict: the centre and size of a drawn head (with the size of its
  // hole for half and whole notes), or the symbol-font glyph and where it was printed.
  struct Head {
    bool drawn = false;
    float x = 0, y = 0, radius = 0, aspect = 1;
    float hole = 0, holeAspect = 1;  // the hole's radius across (0: a filled head)
    bool onLine = false;             // a staff or ledger line runs through its hole
    QString glyph;
  };
  std::array<Head, kNoteSlots> heads{};
};

// What the score draws with and on.
struct ScoreContext {
  ScoreState& state;
  StaffLayout& staff;
  draw::Surface& surface;
  draw::Paint& paint;
  const settings::CfgRecord& cfg;
  Phrase& phrase;
  // Shows or hides the clef picture Image1.
  std::function<void(bool)> showClef;
  // Shows "　クリシェデータがありません！！　".
  settings::Reporter report;
  // How each note is written (the shared spelling, one entry per note of the phrase); the
  // notes are placed by their letters then. Without it, by the key's pitch tables.
  const std::vector<spelling::Spelled>* spelled = nullptr;
};

// Draws the whole item over whatever the window shows; sets the phrase's NoteCursorX.
void DrawScore(ScoreContext& ctx);

// The tempo line: "Tempo= 120  suffix" (plain) or a quarter-note glyph and "= 120  suffix".
void DrawTempoLine(ScoreContext& ctx, float x, float y, int tempo, const QString& suffix);

// Line drawing in a mode: "BF" filled box, "B" box, "X" XOR line, otherwise a line and the
// point at its end.
void XorLine(draw::Surface& surface, float x1, float y1, float x2, float y2, draw::Colour colour,
             const QString& mode);

// Paints the head of note index again in colour, where the last drawing put it (nothing
// for a rest, a note without a head or an index the drawing did not reach).
void PaintNoteHead(const ScoreState& state, draw::Surface& surface, int index, draw::Colour colour);

// The playback cursor, an XOR line over the staff at x; first draws without removing. A
// line that is no longer on the picture (CursorShown off) is not removed.
void MoveCursor(ScoreContext& ctx, float x, bool first);
void EraseCursor(ScoreContext& ctx);

}  // namespace Scor_treat
