// What the fuzz targets share: the item of a category realised in a key as the program
// realises it, then laid out on the step grid.
#pragma once

#include "app/clock.h"
#include "app/kihon.h"
#include "app/runstate.h"
#include "app/settings.h"
#include "sound/Sound_Treat.h"
#include "sound/midi1.h"
#include "sound/midi_out.h"
#include "theory/phrase.h"

#include <memory>

namespace fuzz {

// One program's worth of records, made once: the grid and the phrase are large.
struct World {
  settings::CfgRecord cfg = settings::DefaultRecord();
  RunState state;
  kihon::VirtualClock clock;
  kihon::Waits waits{clock, state.StopRequested};
  sound::CaptureMidiOut capture{[this] { return clock.NowMs(); }};
  midi1::Midi midi{cfg, capture};
  Phrase phrase;
  Sound_Treat::NoWindowHost host;
  Sound_Treat::Sequencer sequencer{cfg, state, phrase, midi, waits, host};
  file_Treat::MaterialLists lists;

  // Realises item of category in key (as a fresh choice), then builds the step grid.
  void RealiseAndLayOut(int category, int item, int key) {
    cfg.Category = static_cast<std::int16_t>(category);
    cfg.LastItem[category] = static_cast<std::int16_t>(item);
    cfg.Root = static_cast<std::int16_t>(key);
    RealiseContext ctx{cfg, lists, phrase, nullptr, {}};
    std::int16_t previous = cfg.Root;
    RealiseItem(ctx, false, previous);
    sequencer.BuildStepGrid();
  }
};

}  // namespace fuzz
