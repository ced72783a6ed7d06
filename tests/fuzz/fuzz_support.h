// What the fuzz targets share: the item of a category realised in a key as the program
// realises it, then laid out on the step grid, by a practice engine without a window.
#pragma once

#include "engine/practice_engine.h"

namespace fuzz {

// One program's worth of records, made once: the grid and the phrase are large.
struct World {
  practice::OfflineEngine offline{settings::DefaultRecord()};
  practice::Engine& engine = offline.engine;
  settings::CfgRecord& cfg = offline.cfg;
  file_Treat::MaterialLists& lists = engine.lists();
  const Phrase& phrase = engine.phrase();

  // Realises item of category in key (as a fresh choice), then builds the step grid.
  void RealiseAndLayOut(int category, int item, int key) {
    engine.Select(category, item, key);
    Prepare(false);
  }
  // The preparation (a key change only: the phrase transposed), then the step grid. The
  // recorded program changes are dropped, so that the record does not grow run after run.
  void Prepare(bool keyChangeOnly) {
    engine.Prepare(keyChangeOnly, nullptr, {});
    offline.capture.messages.clear();
    engine.sequencer().BuildStepGrid();
  }
};

}  // namespace fuzz
