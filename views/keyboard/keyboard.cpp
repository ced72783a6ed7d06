#include "views/keyboard/keyboard.h"

#include <cmath>

#include "draw/graph_treat.h"

namespace KB_Treat {
namespace {

constexpr draw::Colour kRed = draw::Rgb(255, 0, 0);

std::int32_t Nearest(float v) {
  return static_cast<std::int32_t>(std::nearbyint(v));
}

bool Valid(const KeyboardState& kb, int k) {
  return k >= 1 && k <= kb.KeyCount && k < kKeySlots;
}

void Fill(draw::Surface& s, const KeyRectangle& r, draw::Colour colour) {
  s.FilledBox(static_cast<float>(r.left), static_cast<float>(r.bottom), static_cast<float>(r.right),
              static_cast<float>(r.top), colour);
}

void Outline(draw::Surface& s, const KeyRectangle& r) {
  s.Box(static_cast<float>(r.left), static_cast<float>(r.bottom), static_cast<float>(r.right),
        static_cast<float>(r.top), draw::kBlack);
}

bool Marked(const KeyboardState& kb, int k) {
  return k >= 0 && k < kMarkSlots && kb.EntryMark[k] != 0;
}

// All visible keys, white ones first; marked keys in the entry colour when withMarks, and
// then every black key outlined too.
void PaintKeys(const KeyboardState& kb, draw::Surface& s, const settings::CfgRecord& cfg,
               bool withMarks) {
  const int last = std::min<int>(kb.KeyCount - 1, kKeySlots - 1);
  const auto entry = static_cast<draw::Colour>(cfg.ColorKeyEntry);
  for (int k = 1; k <= last; ++k) {
    const KeyRectangle& r = kb.KeyRect[k];
    if (!r.IsWhite()) continue;
    Fill(s, r, withMarks && Marked(kb, k) ? entry : draw::kWhite);
    Outline(s, r);
  }
  for (int k = 1; k <= last; ++k) {
    const KeyRectangle& r = kb.KeyRect[k];
    if (r.IsWhite()) continue;
    Fill(s, r, withMarks && Marked(kb, k) ? entry : draw::kBlack);
    if (withMarks) Outline(s, r);
  }
}

}  // namespace

void InitKeyboard(KeyboardState& kb, float frame2Left) {
  kb.KeyCount = 56;
  kb.Origin = 0;
  kb.KeyHeight = 1800;
  kb.FirstKeyOffset = 5;
  kb.KeyWidth = frame2Left / kb.KeyCount * 1.62f;
  kb.KeyRect.fill(KeyRectangle{});
  const float w = kb.KeyWidth;
  int c = 0;
  for (int p = 1; p <= kb.KeyCount; ++p) {
    KeyRectangle& r = kb.KeyRect[p];
    if (!MusicMethod_Treat::IsBlackKey((p + 4) % 12)) {
      ++c;
      r.left = Nearest(kb.Origin + w * c);
      r.right = Nearest(kb.Origin + w * (c + 1));
      r.bottom = 100;
      r.top = Nearest(100.0f + kb.KeyHeight - 2);
      r.kind = kWhiteKind;
    } else {
      r.left = Nearest(kb.Origin + w * c + 0.6f * w);
      r.right = Nearest(kb.Origin + w * (c + 1) + 0.3f * w);
      r.bottom = Nearest(2.0f * kb.KeyHeight / 5 + 100);
      r.top = Nearest(kb.KeyHeight + 98.0f);
      r.kind = 0;
    }
  }
}

void DrawKeyboard(const KeyboardState& kb, draw::Surface& surface, const settings::CfgRecord& cfg) {
  const KeyRectangle& first = kb.KeyRect[1];
  const KeyRectangle& last = kb.KeyRect[std::min<int>(kb.KeyCount, kKeySlots - 1)];
  graph_treat::DrawBevel(
      surface, static_cast<float>(first.left - 300), static_cast<float>(first.bottom - 50),
      static_cast<float>(last.right - 150), static_cast<float>(last.top + 500), true);
  DrawKeys(kb, surface, cfg);
}

void DrawKeys(const KeyboardState& kb, draw::Surface& surface, const settings::CfgRecord& cfg) {
  if (cfg.ShowKeyboard == 0) return;
  PaintKeys(kb, surface, cfg, false);
}

void ComputeEntryMarks(KeyboardState& kb, const settings::CfgRecord& cfg, const Phrase& phrase) {
  if (cfg.ShowKeyboard == 0) return;
  kb.EntryMark.fill(0);
  if (cfg.ShowEntry != 1) return;
  const int count = std::clamp<int>(phrase.NoteCount, 0, kNoteSlots);
  for (int j = 0; j < count; ++j) {
    if (phrase.NoteIsRest[j] == 1) continue;
    const int k = PositionOfPitch(phrase.NotePitch[j]);
    if (k >= 0 && k < kMarkSlots) kb.EntryMark[k] = -1;
  }
}

void PaintEntryMarks(const KeyboardState& kb, draw::Surface& surface,
                     const settings::CfgRecord& cfg) {
  if (cfg.ShowKeyboard == 0) return;
  PaintKeys(kb, surface, cfg, true);
}

void HighlightKeyForNote(const KeyboardState& kb, draw::Surface& surface,
                         const settings::CfgRecord& cfg, int pitch) {
  if (cfg.ShowKeyboard == 0) return;
  const int k = PositionOfPitch(pitch);
  if (!Valid(kb, k)) return;
  const KeyRectangle& r = kb.KeyRect[k];
  Fill(surface, r, static_cast<draw::Colour>(cfg.ColorKeyHit));
  Outline(surface, r);
  if (!r.IsWhite()) return;
  // The fill covered the lower ends of the black neighbours: paint them again.
  for (const int n : {k - 1, k + 1}) {
    if (n <= 0 || n >= kb.KeyCount || kb.KeyRect[n].IsWhite()) continue;
    Fill(surface, kb.KeyRect[n],
         Marked(kb, n) ? static_cast<draw::Colour>(cfg.ColorKeyEntry) : draw::kBlack);
    Outline(surface, kb.KeyRect[n]);
  }
}

void HighlightStepKey(const KeyboardState& kb, draw::Surface& surface,
                      const settings::CfgRecord& cfg, int melodyPitch) {
  if (cfg.ShowKeyboard == 0) return;
  surface.DrawMode = draw::kCopyPen;
  PaintEntryMarks(kb, surface, cfg);
  HighlightKeyForNote(kb, surface, cfg, melodyPitch);
}

void EndKeyHighlight(const KeyboardState& kb, draw::Surface& surface,
                     const settings::CfgRecord& cfg) {
  surface.DrawMode = draw::kCopyPen;
  if (cfg.ShowKeyboard != 0 && category::IsList(cfg.Category)) PaintEntryMarks(kb, surface, cfg);
}

void PaintKeyAt(const KeyboardState& kb, draw::Surface& surface, int k) {
  if (!Valid(kb, k)) return;
  const KeyRectangle& r = kb.KeyRect[k];
  Fill(surface, r, kRed);
  if (!r.IsWhite()) return;
  for (const int n : {k - 1, k + 1}) {
    if (n <= 0 || n >= kb.KeyCount || kb.KeyRect[n].IsWhite()) continue;
    Fill(surface, kb.KeyRect[n], draw::kBlack);
  }
}

std::optional<int> KeyAt(const KeyboardState& kb, float x, float y) {
  const int last = std::min<int>(kb.KeyCount - 1, kKeySlots - 1);
  for (const bool white : {false, true}) {
    for (int k = 1; k <= last; ++k) {
      const KeyRectangle& r = kb.KeyRect[k];
      if (r.IsWhite() != white) continue;
      if (r.left < x && x < r.right && r.bottom < y && y < r.top) return k;
    }
  }
  return std::nullopt;
}

}  // namespace KB_Treat
