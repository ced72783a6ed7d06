// The on-screen piano keyboard along the bottom of the main window: entry marks for the
// notes of the current item, the playback highlight and the key struck with the mouse.
// Keys are rectangles in a fixed table (window units, y upwards), which also serves the
// hit test.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "core/settings.h"
#include "draw/surface.h"
#include "theory/phrase.h"

namespace KB_Treat {

inline constexpr int kKeySlots = 145;   // positions 0..144
inline constexpr int kMarkSlots = 101;  // entry marks of positions 0..100
inline constexpr int kWhiteKind = 1000;

struct KeyRectangle {
  std::int32_t left = 0, bottom = 0, right = 0, top = 0, kind = 0;
  bool IsWhite() const { return kind == kWhiteKind; }
};

struct KeyboardState {
  std::int16_t KeyCount = 56;
  std::int16_t FirstKeyOffset = 5;
  std::int32_t KeyHeight = 1800;
  float KeyWidth = 0;
  float Origin = 0;
  std::array<KeyRectangle, kKeySlots> KeyRect{};
  std::array<std::int16_t, kMarkSlots> EntryMark{};
};

// Computes the key table; frame2Left is the left edge of the control frame Frame2.
void InitKeyboard(KeyboardState& kb, float frame2Left);

// The position of a pitch (position 1 is F, pitch 5).
inline int PositionOfPitch(int pitch) {
  return pitch - 4;
}

// Frame and plain keys. Drawing happens only while cfg.ShowKeyboard is on, except the frame
// of DrawKeyboard and PaintKeyAt.
void DrawKeyboard(const KeyboardState& kb, draw::Surface& surface, const settings::CfgRecord& cfg);
void DrawKeys(const KeyboardState& kb, draw::Surface& surface, const settings::CfgRecord& cfg);
void ComputeEntryMarks(KeyboardState& kb, const settings::CfgRecord& cfg, const Phrase& phrase);
void PaintEntryMarks(const KeyboardState& kb, draw::Surface& surface,
                     const settings::CfgRecord& cfg);
void HighlightKeyForNote(const KeyboardState& kb, draw::Surface& surface,
                         const settings::CfgRecord& cfg, int pitch);
// The playback highlight of a step whose melody pitch is melodyPitch (negative for a rest).
void HighlightStepKey(const KeyboardState& kb, draw::Surface& surface,
                      const settings::CfgRecord& cfg, int melodyPitch);
void EndKeyHighlight(const KeyboardState& kb, draw::Surface& surface,
                     const settings::CfgRecord& cfg);
void PaintKeyAt(const KeyboardState& kb, draw::Surface& surface, int position);
// The key position under a point, black keys first; none on an edge or between keys.
std::optional<int> KeyAt(const KeyboardState& kb, float x, float y);

}  // namespace KB_Treat
