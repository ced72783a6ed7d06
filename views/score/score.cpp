#include "views/score/score.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

#include "core/language.h"
#include "draw/graph_treat.h"

namespace Scor_treat {

namespace ticks = MusicMethod_Treat::ticks;
namespace {

using draw::kBlack;

const QString kMaestro = QStringLiteral("MAESTRO");
const QString kGothic = QStringLiteral("ＭＳ ゴシック");
const QString kMincho = QStringLiteral("ＭＳ Ｐ明朝");
// Ledger lines and stem ends compare computed heights; allow for float rounding.
constexpr float kSlack = 1.0f;

// Where a beamed group gets its second beam (the sixteenths'), by the codes of its last
// notes: from beam note `from` to beam note `to` (-1: the group's last note), when the group
// has at least minLast + 1 notes.
struct SecondBeamRule {
  std::array<std::int16_t, 4> codes;  // the group's last notes, earliest first; 0 ends
  int from, to, minLast;
};
constexpr SecondBeamRule kSecondBeamRules[] = {
    {{group::kSixteenthFirst, group::kSixteenthMiddle, group::kSixteenthMiddle,
      group::kSixteenthLast},
     0,
     -1,
     0},
    {{group::kSixteenthTripletFirst, group::kSixteenthTripletMiddle, group::kSixteenthTripletLast},
     0,
     -1,
     0},
    {{group::kSixteenthFirst, group::kSixteenthLast}, 0, -1, 0},
    // An eighth and two sixteenths: the beam joins the two sixteenths.
    {{group::kEighthFirst, group::kSixteenthMiddle, group::kSixteenthLast}, 1, 2, 2},
    // Two sixteenths and an eighth: the beam joins the two sixteenths.
    {{group::kSixteenthFirst, group::kSixteenthMiddle, group::kEighthLast}, 0, 1, 1},
};

// One element in the making: where it starts, its notehead y and its cursor base.
struct Element {
  int index = 0;
  bool isRest = false;
  int pitch = 0;
  int length = 0;
  float x = 0;
  float y = 0;
  float cx = 0;
};

class ScoreDrawer {
 public:
  explicit ScoreDrawer(ScoreContext& ctx)
      : ctx_(ctx), st_(ctx.state), staff_(ctx.staff), s_(ctx.surface) {}

  void Draw();
  void DrawTempo(float x, float y, int tempo, const QString& suffix);

 private:
  float S() const { return staff_.LineSpacing; }
  float T() const { return staff_.StaffBottomY; }
  bool Maestro() const { return st_.MaestroActive != 0; }
  void Font(const QString& name, float size, bool bold, bool italic) {
    graph_treat::SetFont(s_, name, size, bold, italic);
  }
  void Text(float x, float y, const QString& text) {
    if (measuring_) {
      inkLeft_ = std::min(inkLeft_, x + s_.TextInk(text).left);
      return;
    }
    graph_treat::PrintAt(s_, x, y, text, kBlack);
  }
  // While measuring, texts are not printed: the left edge of their ink is kept.
  bool measuring_ = false;
  float inkLeft_ = 0;
  void Line(float x1, float y1, float x2, float y2) { s_.Line(x1, y1, x2, y2, kBlack); }
  void Ball(float x, float y) {
    s_.Circle(x, y, 45, kBlack);
    graph_treat::FloodAt(s_, ctx_.paint, x, y, kBlack, kBlack);
  }
  float Advance(const Element& e) const { return NoteAdvance(e.length, e.isRest) * st_.UnitWidth; }
  // The notehead height of any pitch; pitches outside the table continue its octaves.
  float PitchHeight(int pitch) const;
  // The notehead height of an element: by its letter when the spelling is given.
  float NoteHeight(const Element& e) const;
  const spelling::Spelled* Spelled(const Element& e) const {
    const auto* all = ctx_.spelled;
    return all && e.index >= 0 && e.index < static_cast<int>(all->size()) ? &(*all)[e.index]
                                                                          : nullptr;
  }

  void DrawElement(int i);
  // Prints a note's glyph in the symbol font and keeps where, as the note's head.
  void HeadGlyph(const Element& e, float x, float y, const QString& glyph) {
    Text(x, y, glyph);
    st_.heads[e.index] = {true, x, y, 0, 1, 0, 1, false, glyph};
  }
  void DrawChordName(const QString& text, float x);
  void DrawRestMaestro(Element& e);
  void DrawNoteMaestro(Element& e);
  void DrawRestPlain(Element& e);
  void DrawNotePlain(Element& e);
  void DrawFlags(const Element& e, float dx, bool up);
  void DrawBeamGroup(int i, float x, float y);
  // The digit of a triplet drawn without a beam, once its last note is drawn.
  void MarkUnbeamedTriplet(int i, float x, float y);
  // A beamed group's stems: up or down, their length and x offset from the heads, and where
  // each ends (the beam's line).
  struct Beams {
    bool up = true;
    float length = 0;
    float dx = 0;
    std::array<float, kBeamSlots> end{};
  };
  Beams GroupGeometry() const;
  // The group collected in the beam buffer, its last note index i: stems, beams, digit.
  void DrawGroup(int i, const Beams& g);
  // A beam from beam note `from` to `to`, moved towards the heads by `in` spaces: a band half
  // a space thick on the stems' side of its line, as engravers draw it, on the screen and
  // on paper alike.
  void DrawBeam(const Beams& g, int from, int to, float in);
  void DrawTupletDigit(const Beams& g);
  void DrawLedgerLines(const Element& e, float x, float y);
  void DrawAccidental(const Element& e, float x, float y, float yRaise);
  // The sign the note needs in its bar (none: empty); the bar's signs in force take it in.
  QString SignOf(const Element& e);
  void DrawDot(const Element& e, float y);
  void DrawTie(int length, float x1, float x2, float y);

  ScoreContext& ctx_;
  ScoreState& st_;
  StaffLayout& staff_;
  draw::Surface& s_;
};

float ScoreDrawer::PitchHeight(int pitch) const {
  if (pitch >= 0 && pitch < kPitchSlots) return staff_.PitchY[pitch];
  const int inTable = pitch < 0 ? ((pitch % 12) + 12) % 12 : 88 + (pitch - 88) % 12;
  return staff_.PitchY[inTable] + (pitch - inTable) / 12 * 3.5f * S();
}

float ScoreDrawer::NoteHeight(const Element& e) const {
  if (const spelling::Spelled* spelled = Spelled(e)) {
    return LetterHeight(staff_, spelled->step, spelled->octave);
  }
  return PitchHeight(e.pitch);
}

void ScoreDrawer::Draw() {
  const Phrase& ph = ctx_.phrase;
  const int count = std::clamp<int>(ph.NoteCount, 0, kNoteSlots);
  int total = 0;
  for (int i = 0; i < count; ++i) total += NoteAdvance(ph.NoteLength[i], ph.NoteIsRest[i] == 1);
  if (count < 2) {
    if (ctx_.report) ctx_.report(QCoreApplication::translate("score", kTooShort));
    return;
  }
  // Lengths outside the advance table give no units; such an item stands at one x.
  st_.UnitWidth = total > 0 ? ((staff_.StaffWidth - staff_.ClefWidth) / total) / 1.1f : 0.0f;
  const float right = staff_.StaffLeftX + staff_.StaffWidth;
  Line(right, T(), right, T() + 4 * S());
  Line(staff_.StaffLeftX, T(), staff_.StaffLeftX, T() + 4 * S());
  st_.AdvanceTotal = 0;
  st_.TickTotal = 0;
  st_.PenX = staff_.StaffLeftX + 4 * S();
  st_.MaestroActive = ctx_.cfg.UseMaestroFont != 0 ? -1 : 0;
  graph_treat::SavedFont saved;
  graph_treat::SaveFont(s_, saved);
  if (Maestro()) {
    Font(kMaestro, 26, false, false);
    Text(staff_.StaffLeftX, T() + 6.4f * S(), QString(QChar(38)));
    if (ctx_.showClef) ctx_.showClef(false);
  } else if (ctx_.showClef) {
    ctx_.showClef(true);
  }
  ClearAccidentals(staff_);
  // A sign before the first note would stand under the clef (whose picture reaches a
  // little beyond its two spaces): the notes begin as much further right as it needs.
  if (ph.NoteIsRest[0] != 1) {
    Element first;
    first.index = 0;
    first.pitch = ph.NotePitch[0];
    first.length = ph.NoteLength[0];
    first.x = st_.PenX;
    first.y = NoteHeight(first);
    measuring_ = true;
    inkLeft_ = first.x;
    DrawAccidental(first, first.x, first.y, 0);
    measuring_ = false;
    ClearAccidentals(staff_);
    const float clear = staff_.ClefLeft + 2.8f * S();
    if (inkLeft_ < clear) st_.PenX += clear - inkLeft_;
  }
  st_.heads.fill({});
  for (int i = 0; i < count; ++i) DrawElement(i);
  graph_treat::RestoreFont(s_, saved);
  for (int k = 0; k <= 4; ++k) Line(staff_.StaffLeftX, T() + k * S(), right, T() + k * S());
  s_.DrawWidth = 1;
}

void ScoreDrawer::DrawElement(int i) {
  Phrase& ph = ctx_.phrase;
  Element e;
  e.index = i;
  e.isRest = ph.NoteIsRest[i] == 1;
  e.pitch = ph.NotePitch[i];
  e.length = ph.NoteLength[i];
  e.x = st_.PenX;
  if (!category::IsSteps(ctx_.cfg.Category) && st_.TickTotal % ticks::kWhole == 0 &&
      st_.TickTotal > 0) {
    Line(e.x, T(), e.x, T() + 4 * S());
    e.x += NoteAdvance(3, false) * st_.UnitWidth * (Maestro() ? 1.5f : 1.8f);
    ClearAccidentals(staff_);
  }
  DrawChordName(ph.NoteChord[i], e.x);
  e.cx = e.x;
  e.y = T() + 1.5f * S();
  if (Maestro()) {
    e.isRest ? DrawRestMaestro(e) : DrawNoteMaestro(e);
  } else {
    e.isRest ? DrawRestPlain(e) : DrawNotePlain(e);
  }
  const int units = NoteAdvance(e.length, e.isRest);
  st_.PenX = e.x + units * st_.UnitWidth;
  st_.AdvanceTotal = static_cast<std::int16_t>(st_.AdvanceTotal + units);
  st_.TickTotal = static_cast<std::int16_t>(st_.TickTotal + e.length);
  ph.NoteCursorX[i] = Maestro() ? e.cx + 0.5f * S() : e.cx;
  if (ph.NoteTie[i] == 1 && i > 0) DrawTie(e.length, ph.NoteCursorX[i - 1], ph.NoteCursorX[i], e.y);
  DrawDot(e, e.y);
  MarkUnbeamedTriplet(i, ph.NoteCursorX[i], e.isRest ? T() : NoteHeight(e));
}

void ScoreDrawer::MarkUnbeamedTriplet(int i, float x, float y) {
  const int code = ctx_.phrase.NoteGroup(i);
  if (!group::IsUnbeamedTriplet(code)) return;
  if (group::IsFirst(code)) {
    st_.tripletX0 = x;
    st_.tripletTop = y;
    return;
  }
  st_.tripletTop = std::max(st_.tripletTop, y);
  if (!group::IsLast(code)) return;
  // A "3" over the group, clear of the stems that rise from its highest head (up is a
  // larger y), below the chord names.
  Font(kGothic, 12, true, false);
  const float s = S();
  Text((st_.tripletX0 + x) / 2, std::max(st_.tripletTop + 4.8f * s, T() + 5 * s),
       QStringLiteral("3"));
}

void ScoreDrawer::DrawChordName(const QString& text, float x) {
  const QString name = language::WithSigns(text.trimmed());
  if (name.isEmpty()) return;
  Font(kGothic, 16, true, false);
  Text(x, T() + 10 * S(), name);
}

void ScoreDrawer::DrawRestMaestro(Element& e) {
  const float x = e.x;
  Font(kMaestro, 26, false, false);
  switch (e.length) {
    case 3:
      Text(x, T() + 7.75f * S(), QStringLiteral("s"));
      break;
    case 6:
    case 9:
      Text(x, T() + 7.75f * S(), QString(QChar(197)));
      break;
    case 12:
    case 18:
      Text(x, T() + 8.25f * S(), QString(QChar(197)));
      // Removes the glyph's upper flag.
      s_.FilledBox(x, T() + 2.85f * S(), x + 180, T() + 4.25f * S(), s_.BackColor);
      break;
    case 24:
    case 36:
      Text(x, T() + 7.3f * S(), QString(QChar(206)));
      break;
    case 48:
    case 72:
      s_.FilledBox(x, T() + 2 * S(), x + 1.5f * S(), T() + 2.5f * S(), kBlack);
      e.cx = x + 0.5f * S();
      break;
    case 96:
      e.cx = x + Advance(e) * 0.24f;
      s_.FilledBox(e.cx, T() + 3 * S(), e.cx + 1.5f * S(), T() + 2.5f * S(), kBlack);
      break;
    default:
      break;
  }
}

void ScoreDrawer::DrawNoteMaestro(Element& e) {
  const float x = e.x;
  Font(kMaestro, 28, false, false);
  e.y = NoteHeight(e);
  const bool low = e.y <= staff_.StemThresholdY;
  const float gx = x + 0.06f * S();
  const float gy = e.y + 4.8f * S() + staff_.GlyphRaise;
  const auto glyph = [low](char16_t lower) {
    return QString(low ? QChar(lower) : QChar(lower).toUpper());
  };
  const bool beamed = group::IsBeamed(ctx_.phrase.NoteGroup(e.index));
  switch (e.length) {
    case 4:
    case 6:
    case 9:
    case 8:
    case 12:
    case 18:
      if (beamed) {
        HeadGlyph(e, gx, gy + 0.65f * S(), QString(QChar(207)));
        DrawBeamGroup(e.index, x + 0.6f * S(), e.y);
      } else {
        HeadGlyph(e, gx, gy,
                  glyph(e.length == 8 || e.length == 12 || e.length == 18 ? u'e' : u'x'));
      }
      break;
    case 16:
    case 24:
    case 36:
      HeadGlyph(e, gx, gy, glyph(u'q'));
      break;
    case 48:
    case 72:
      HeadGlyph(e, gx, gy + 7, glyph(u'h'));
      break;
    case 96:
      e.cx = x + Advance(e) * 0.35f;
      HeadGlyph(e, e.cx + 0.06f * S() - 0.2f * S(), gy + 0.5f * S() + 15, QStringLiteral("w"));
      break;
    default:
      // A 32nd note has no glyph of its own: its ledger lines and accidental remain.
      break;
  }
  DrawLedgerLines(e, x, e.y);
  DrawAccidental(e, x, e.y, 4.8f * S());
}

void ScoreDrawer::DrawRestPlain(Element& e) {
  const float x = e.x;
  Font(kMincho, 20, true, true);
  const float t = T();
  const float s = S();
  switch (e.length) {
    case 3:
      Line(x + 100, t + 0.2f * s, x + 180, t + 3 * s);
      Line(x + 20, t + 2.3f * s, x + 180, t + 3 * s);
      Line(x + 20, t + 1.3f * s, x + 140, t + 2 * s);
      Line(x + 10, t + 0.3f * s, x + 120, t + s);
      Ball(x + 40, t + 2.3f * s + 45);
      Ball(x + 20, t + 1.3f * s + 45);
      Ball(x + 5, t + 0.3f * s + 45);
      break;
    case 6:
    case 9:
      Line(x + 100, t + 0.5f * s, x + 180, t + 3 * s);
      Line(x + 20, t + 2.3f * s, x + 180, t + 3 * s);
      Line(x + 20, t + 1.3f * s, x + 140, t + 2 * s);
      Ball(x + 40, t + 2.3f * s + 45);
      Ball(x + 20, t + 1.3f * s + 45);
      break;
    case 12:
    case 18:
      Line(x + 100, t + s, x + 180, t + 3 * s);
      Line(x + 20, t + 2.3f * s, x + 180, t + 3 * s);
      Ball(x + 40, t + 2.3f * s + 45);
      break;
    case 24:
    case 36:
      for (int i = 0; i <= 30; i += 2) {
        s_.Polyline({{x, t + 3.5f * s},
                     {x + i + 60, t + 2.9f * s},
                     {x + i, t + 2.3f * s},
                     {x + i + 60, t + 1.7f * s},
                     {x + i, t + 1.1f * s},
                     {x + 60, t + 0.5f * s}},
                    kBlack);
      }
      break;
    case 48:
    case 72:
      s_.FilledBox(x, t + 2.5f * s, x + 1.5f * s, t + 2 * s, kBlack);
      e.cx = x + 1.75f * s;
      break;
    case 96:
      e.cx = x + Advance(e) * 0.25f;
      s_.FilledBox(e.cx, t + 2.5f * s, e.cx + 1.5f * s, t + 3 * s, kBlack);
      break;
    default:
      break;
  }
}

void ScoreDrawer::DrawNotePlain(Element& e) {
  const float x = e.x;
  const float s = S();
  e.y = NoteHeight(e);
  const float y = e.y;
  const bool low = y <= staff_.StemThresholdY;
  const float dx = low ? staff_.StemOffset : -staff_.StemOffset;
  const float v = low ? staff_.StemLength : -staff_.StemLength;
  const int len = e.length;
  const bool flagged =
      len == 3 || len == 4 || len == 6 || len == 8 || len == 9 || len == 12 || len == 18;
  const bool plainHead = flagged || len == 16 || len == 24 || len == 36;
  ScoreState::Head& head = st_.heads[e.index];
  // Every head is as tall as a filled one (nine tenths of a space), as engravers draw them:
  // a half note's with a narrow hole along it, a whole note's wider, with a round hole.
  const bool onLine = std::abs(std::remainder(y - T(), s)) < 0.1f * s;
  if (plainHead) {
    head = {true, x, y, 0.5f * s, 0.9f, 0, 1, false, {}};
  } else if (len == 48 || len == 72) {
    head = {true, x, y, 0.5f * s, 0.9f, 0.4f * s, 0.4f, onLine, {}};
  } else if (len == ticks::kWhole) {
    e.cx = x + Advance(e) * 0.35f;
    head = {true, e.cx, y, 0.7f * s, 0.9f * 0.5f / 0.7f, 0.28f * s, 1.15f, onLine, {}};
  }
  if (head.drawn) PaintNoteHead(st_, s_, e.index, kBlack);
  const bool beamable = len == 4 || len == 6 || len == 8 || len == 9 || len == 12 || len == 18;
  if (beamable && group::IsBeamed(ctx_.phrase.NoteGroup(e.index))) {
    DrawBeamGroup(e.index, x, y);
  } else if (plainHead || len == 48 || len == 72) {
    Line(x + dx, y, x + dx, y + v);
    if (flagged) DrawFlags(e, dx, low);
  }
  DrawLedgerLines(e, x, y);
  DrawAccidental(e, x, y, 0);
}

void ScoreDrawer::DrawFlags(const Element& e, float dx, bool up) {
  const float L = staff_.StemLength;
  int flags = 1;
  constexpr float kPi = draw::kViewPi;
  float start = kPi / 7;
  int bound = 100;
  if (e.length == 4 || e.length == 6 || e.length == 9) {
    flags = 2, start = kPi / 6, bound = 50;
  } else if (e.length == 3) {
    flags = 3, start = kPi / 6, bound = 40;
  }
  const float distances[] = {0, e.length == 3 ? 0.25f * L : 0.3f * L, 0.5f * L};
  for (int f = 0; f < flags; ++f) {
    const float d = distances[f];
    for (int j = 0; j <= bound; j += 2) {
      if (up) {
        s_.Arc(e.x + dx, e.y - j - d, 0.92f * L, start, kPi / 2, kBlack, 4);
      } else {
        s_.Arc(e.x + dx, e.y - j + d, 0.8f * L, 1.5f * kPi, 1.5f * kPi + kPi / 2.5f, kBlack, 3);
      }
    }
  }
}

void ScoreDrawer::DrawBeamGroup(int i, float x, float y) {
  const int code = ctx_.phrase.NoteGroup(i);
  if (group::IsFirst(code)) {
    st_.beamLast = 0;
    st_.beam[0] = {x, y, static_cast<std::int16_t>(code)};
    st_.beamX0 = x;
    st_.beamY0 = y;
    return;
  }
  if (group::IsMiddle(code)) {
    // A group longer than the buffer keeps its first eleven notes.
    if (st_.beamLast >= 0 && st_.beamLast < kBeamSlots - 1) {
      st_.beam[++st_.beamLast] = {x, y, static_cast<std::int16_t>(code)};
    }
    return;
  }
  if (!group::IsLast(code)) return;
  if (st_.beamLast < 0) {
    // A last note without a first one: a group of its own.
    st_.beamX0 = x;
    st_.beamY0 = y;
  }
  st_.beamLast = std::min(st_.beamLast + 1, kBeamSlots - 1);
  st_.beam[st_.beamLast] = {x, y, static_cast<std::int16_t>(code)};
  DrawGroup(i, GroupGeometry());
  st_.beamLast = -1;
}

ScoreDrawer::Beams ScoreDrawer::GroupGeometry() const {
  const int n = st_.beamLast;
  const auto& b = st_.beam;
  const float s = S();
  const float y0 = st_.beamY0;
  const float yl = b[n].y;
  float maxY = b[0].y;
  float minY = b[0].y;
  for (int k = 0; k <= n; ++k) {
    maxY = std::max(maxY, b[k].y);
    minY = std::min(minY, b[k].y);
  }
  Beams g;
  g.length = (maxY - minY) + 2 * s <= 3.5f * s ? 3.5f * s : 2 * s + (maxY - minY);
  g.up = maxY <= staff_.StemThresholdY;
  g.dx = 0.45f * s;
  if (!g.up) {
    g.length = -g.length;
    g.dx = -0.5f * s;
  }
  for (int k = 0; k <= n; ++k) g.end[k] = y0 + g.length + (n > 0 ? k * (yl - y0) / n : 0);
  if (n >= 1 && b[1].code == group::kSixteenthMiddle) {
    g.end[1] =
        y0 + g.length + (b[0].code == group::kSixteenthFirst ? (yl - y0) / 3 : 2 * (yl - y0) / 3);
  }
  return g;
}

void ScoreDrawer::DrawBeam(const Beams& g, int from, int to, float in) {
  const auto& b = st_.beam;
  const float s = S();
  const float towardHeads = g.up ? -1.0f : 1.0f;
  const float shift = towardHeads * in * s;
  const float thick = towardHeads * 0.5f * s;
  s_.FilledPolygon({{b[from].x + g.dx, g.end[from] + shift},
                    {b[to].x + g.dx, g.end[to] + shift},
                    {b[to].x + g.dx, g.end[to] + shift + thick},
                    {b[from].x + g.dx, g.end[from] + shift + thick}},
                   kBlack);
}

void ScoreDrawer::DrawGroup(int i, const Beams& g) {
  const Phrase& ph = ctx_.phrase;
  const int n = st_.beamLast;
  const auto& b = st_.beam;
  for (int k = 0; k <= n; ++k) Line(b[k].x + g.dx, b[k].y, b[k].x + g.dx, g.end[k]);
  DrawBeam(g, 0, n, 0);
  const auto c = [&ph, i](int back) { return static_cast<int>(ph.NoteGroup(i - back)); };
  for (const SecondBeamRule& rule : kSecondBeamRules) {
    int count = 0;
    while (count < 4 && rule.codes[count] != 0) ++count;
    bool matches = n >= rule.minLast;
    for (int k = 0; k < count && matches; ++k) matches = c(count - 1 - k) == rule.codes[k];
    if (!matches) continue;
    // The second beam three quarters of a space nearer the heads: a quarter space clear of
    // the first.
    DrawBeam(g, rule.from, rule.to < 0 ? n : rule.to, 0.75f);
    break;
  }
  s_.DrawWidth = 1;
  if (group::IsTriplet(c(0)) && n >= 1) DrawTupletDigit(g);
}

void ScoreDrawer::DrawTupletDigit(const Beams& g) {
  const auto& b = st_.beam;
  const float s = S();
  Font(kGothic, 12, true, false);
  // Over the middle note, its ink a third of a space beyond the beam.
  const draw::Surface::Ink ink = s_.TextInk(QStringLiteral("3"));
  const float x = b[1].x + g.dx - (ink.left + ink.right) / 2;
  const float clear = 0.35f * s;
  Text(x, g.up ? g.end[1] + clear + ink.bottom : g.end[1] - clear + ink.below, QStringLiteral("3"));
  Font(kMaestro, 22, false, false);
}

void ScoreDrawer::DrawLedgerLines(const Element& e, float x, float y) {
  const float s = S();
  const float hw = Maestro() ? 1.15f * s : 1.1f * s;
  const float a = Maestro() ? 0.55f * s : 0.0f;
  float left = x - hw + a;
  float right = x + hw + a;
  if (e.length == ticks::kWhole) {
    left += Advance(e) * 0.35f;
    right += Advance(e) * 0.35f;
  }
  for (const float ly : LedgerLines(staff_, y, kSlack)) Line(left, ly, right, ly);
}

QString ScoreDrawer::SignOf(const Element& e) {
  const spelling::Spelled* spelled = Spelled(e);
  const Phrase& ph = ctx_.phrase;
  const int i = e.index;
  const bool tiedOver = i > 0 && ph.NoteTie[i] != 0 && ph.NoteIsRest[i - 1] == 0 &&
                        ph.NotePitch[i - 1] == ph.NotePitch[i];
  return spelled
             ? AccidentalToDraw(staff_, spelled->step, spelled->alter, spelled->octave, tiedOver)
             : AccidentalToDraw(staff_, e.pitch);
}

void ScoreDrawer::DrawAccidental(const Element& e, float x, float y, float yRaise) {
  const QString sign = SignOf(e);
  if (sign.isEmpty()) return;
  const float s = S();
  if (Maestro()) {
    Font(kMaestro, 22, false, false);
    const float ax = e.length == ticks::kWhole ? x + Advance(e) * 0.35f - 1.3f * s : x - 0.7f * s;
    const QString glyph = sign == QStringLiteral("N") ? QStringLiteral("n") : sign;
    // A double flat is two flats side by side.
    Text(ax - (sign == QStringLiteral("bb") ? 0.7f * s : 0.0f), y + yRaise + 0.15f * s - 0.5f * s,
         glyph);
    return;
  }
  // The sign stands clear of its notehead and of the note's ledger lines: its ink ends a
  // little left of whichever reaches further left.
  const float head = e.length == ticks::kWhole ? x + Advance(e) * 0.35f : x;
  const bool ledger = y >= T() + 5 * s - kSlack || y <= T() - s + kSlack;
  const float clearOf =
      ledger ? head - 1.1f * s : head - (e.length == ticks::kWhole ? 0.7f : 0.5f) * s;
  const float limit = clearOf - 0.3f * s;
  const auto place = [&](const QString& text, float designX) {
    // The x at which the text's ink ends at limit, unless the design's place is further left.
    return std::min(designX, limit - s_.TextInk(text).right);
  };
  const float xa = head - (e.length == ticks::kWhole ? s : 0.8f * s);
  if (sign == QStringLiteral("#")) {
    Font(kMincho, 14, false, false);
    const float ax = place("＃", xa + 0.2f * s - 1.5f * s);
    for (int k = 0; k <= 30; k += 5) Text(ax, y + s + k, "＃");
  } else if (sign == QStringLiteral("b")) {
    Font(kMincho, 18, false, false);
    const float ax = place("♭", xa - 1.5f * s);
    for (int k = 0; k <= 30; k += 5) Text(ax, y + 1.8f * s + k, "♭");
  } else if (sign == QStringLiteral("bb")) {
    Font(kMincho, 18, false, false);
    const float ax = place("♭♭", xa - 2.3f * s);
    for (int k = 0; k <= 30; k += 5) Text(ax, y + 1.8f * s + k, "♭♭");
  } else if (sign == QStringLiteral("x")) {
    // The double sharp: a bold x at the notehead's height.
    Font(kGothic, 14, true, false);
    const float ax = place("x", xa + 0.2f * s - 1.3f * s);
    Text(ax, y + 0.9f * s, "x");
  } else {
    Font(kMincho, 20, false, false);
    // The two halves of the natural keep their places to each other.
    const float right = xa + 0.2f * s - s;
    const float shift = place("」", right) - right;
    for (int k = 0; k <= 50; k += 5) {
      Text(right + shift, y + 2 * s + k, "」");
      Text(xa + 0.2f * s - 1.4f * s + shift, y + 0.5f * s + k, "「");
    }
  }
  Font(kMincho, 20, true, true);
}

void ScoreDrawer::DrawDot(const Element& e, float y) {
  if (e.length != 9 && e.length != 18 && e.length != 36 && e.length != 72) return;
  const float s = S();
  float dx = 1.5f * s;
  float dy = 0;
  if (!e.isRest) {
    dx = Maestro() ? 2 * s : 1.3f * s;
    const float steps = std::abs(e.y - T()) / (0.5f * s);
    const bool onLine = std::lround(steps) % 2 == 0 && std::abs(steps - std::round(steps)) < 0.02f;
    dy = (Spelled(e) ? onLine : IsOnLine(staff_, e.pitch)) ? -0.5f * s : 0.0f;
  }
  // A filled dot of radius 6, but never less than 1.5 pixels: it stays visible (3 pixels
  // across or more) on every screen.
  const double perPixel = s_.PixelsPerUnitX();
  const float radius = std::max(6.0f, perPixel > 0 ? static_cast<float>(1.5 / perPixel) : 6.0f);
  const auto style = s_.FillStyle;
  const draw::Colour fill = s_.FillColor;
  s_.FillStyle = draw::kSolidFill;
  s_.FillColor = kBlack;
  s_.Circle(e.x + dx, y + dy, radius, kBlack);
  s_.FillStyle = style;
  s_.FillColor = fill;
}

void ScoreDrawer::DrawTie(int length, float x1, float x2, float y) {
  if (x1 > x2) std::swap(x1, x2);
  if (x2 - x1 <= 0) return;  // two elements at one x: no arc between them
  const float s = S();
  const float r = (x2 - x1) / 2;
  const float aspect = 2 * s / (x2 - x1);
  if (y > staff_.StemThresholdY || length == ticks::kWhole) {
    s_.Arc((x1 + x2) / 2, y + s, r, 0, draw::kViewPi, kBlack, aspect);
  } else {
    s_.Arc((x1 + x2) / 2, y - s, r, draw::kViewPi, 2 * draw::kViewPi, kBlack, aspect);
  }
}

void ScoreDrawer::DrawTempo(float x, float y, int tempo, const QString& suffix) {
  const QString n = u' ' + QString::number(tempo);
  if (Maestro()) {
    graph_treat::SavedFont saved;
    graph_treat::SaveFont(s_, saved);
    Font(kMaestro, 26, false, false);
    s_.FilledBox(x, y + 200, x + 3000, y - 400, s_.BackColor);
    Text(x, y + 400, QStringLiteral("q"));
    Font(kGothic, 16, false, false);
    Text(x + 300, y, u'=' + n + QStringLiteral("  ") + suffix);
    graph_treat::RestoreFont(s_, saved);
  } else {
    s_.FilledBox(x, y + 200, x + 3000, y - 400, s_.BackColor);
    Font(kGothic, 16, false, false);
    Text(x + 200, y, QStringLiteral("Tempo=") + n + QStringLiteral("  ") + suffix);
  }
}

}  // namespace

void DrawScore(ScoreContext& ctx) {
  ScoreDrawer(ctx).Draw();
}

void DrawTempoLine(ScoreContext& ctx, float x, float y, int tempo, const QString& suffix) {
  ScoreDrawer(ctx).DrawTempo(x, y, tempo, suffix);
}

void XorLine(draw::Surface& surface, float x1, float y1, float x2, float y2, draw::Colour colour,
             const QString& mode) {
  surface.DrawMode = draw::kCopyPen;
  if (mode == QStringLiteral("BF")) {
    surface.FilledBox(x1, y1, x2, y2, colour);
  } else if (mode == QStringLiteral("B")) {
    surface.Box(x1, y1, x2, y2, colour);
  } else if (mode == QStringLiteral("X")) {
    surface.DrawMode = draw::kXorPen;
    surface.Line(x1, y1, x2, y2, colour);
    surface.DrawMode = draw::kCopyPen;
  } else {
    surface.Line(x1, y1, x2, y2, colour);
    surface.PSet(x2, y2, colour);
  }
}

void PaintNoteHead(const ScoreState& state, draw::Surface& s, int index, draw::Colour colour) {
  if (index < 0 || index >= kNoteSlots) return;
  const ScoreState::Head& head = state.heads[index];
  if (!head.drawn) return;
  if (!head.glyph.isEmpty()) {
    graph_treat::SavedFont saved;
    graph_treat::SaveFont(s, saved);
    graph_treat::SetFont(s, kMaestro, 28, false, false);
    graph_treat::PrintAt(s, head.x, head.y, head.glyph, colour);
    graph_treat::RestoreFont(s, saved);
    return;
  }
  const int width = s.DrawWidth;
  s.DrawWidth = 1;
  s.FillStyle = draw::kSolidFill;
  s.FillColor = colour;
  s.Circle(head.x, head.y, head.radius, colour, head.aspect);
  if (head.hole > 0) {
    s.FillColor = s.BackColor;
    s.Circle(head.x, head.y, head.hole, s.BackColor, head.holeAspect);
    // The line the note sits on shows through the hole.
    if (head.onLine) s.Line(head.x - head.hole, head.y, head.x + head.hole, head.y, draw::kBlack);
  }
  s.FillStyle = draw::kTransparentFill;
  s.DrawWidth = width;
}

namespace {
void CursorLine(ScoreContext& ctx, float x) {
  const float s = ctx.staff.LineSpacing;
  const float t = ctx.staff.StaffBottomY;
  XorLine(ctx.surface, x, t - 2 * s, x, t + 6 * s, kCursorColour, QStringLiteral("X"));
}
}  // namespace

void MoveCursor(ScoreContext& ctx, float x, bool first) {
  if (ctx.cfg.ShowScore == 0) return;
  if (!first && ctx.state.CursorShown) CursorLine(ctx, ctx.state.LastCursorX);
  CursorLine(ctx, x);
  ctx.state.LastCursorX = x;
  ctx.state.CursorShown = true;
}

void EraseCursor(ScoreContext& ctx) {
  if (ctx.cfg.ShowScore == 0) return;
  if (ctx.state.CursorShown) CursorLine(ctx, ctx.state.LastCursorX);
  ctx.state.CursorShown = false;
}

}  // namespace Scor_treat
