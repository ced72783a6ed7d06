// Run-time state of the main window that is not part of the settings record.
#pragma once

#include <cstdint>

struct RunState {
  std::int16_t Initialising = 0;   // boolean: on while the main window is being built
  std::int16_t StopRequested = 0;  // boolean: on asks running playback loops to end
  std::int16_t PreviousRoot = 0;   // Root at the last realisation of a phrase-book item
  std::int16_t SoundingKey = 0;    // key position sounding from a mouse press, 0 = none
  std::int16_t KeyPressed = 0;     // boolean: a mouse press hit a key and is not released
  std::int16_t SavedTempo = 0;     // Tempo at the start of a playback run
};
