// The files a pass rendered without a window is written to: a WAV file of its sound and
// a Standard MIDI File of its messages.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "sound/midi_out.h"

namespace offline {

// 44.1 kHz 16-bit stereo WAV of interleaved samples. Written whole or not at all (an
// existing file stays as it was); false with the reason in error.
bool WriteWav(const QString& path, const std::vector<std::int16_t>& samples, int rate,
              QString* error = nullptr);
// A Standard MIDI File (format 0, one tick per millisecond), written the same way.
bool WriteMidiFile(const QString& path, const sound::TimedMessages& messages,
                   QString* error = nullptr);

}  // namespace offline
