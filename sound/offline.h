// The program's work for one item without a window: the preparation followed by one
// play-once pass on a virtual clock, with every MIDI message recorded with its time; and
// the files such a pass can be written to.
#pragma once

#include "app/settings.h"
#include "material/file_Treat.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <utility>
#include <vector>

namespace offline {

using TimedMessages = std::vector<std::pair<std::int64_t, std::uint32_t>>;

struct PassResult {
  TimedMessages messages;
  QString error;        // a realisation refused with a message
  QStringList warnings;  // what was played otherwise than written (an item cut at the grid's end)
};

// Prepares the item of cfg.Category / cfg.LastItem in cfg.Root and plays it once, starting
// at time 0. cfg is changed as the program changes it (a phrase sets Root).
PassResult PlayOnce(settings::CfgRecord& cfg, const file_Treat::MaterialLists& lists);

// 44.1 kHz 16-bit stereo WAV of interleaved samples. Written whole or not at all (an
// existing file stays as it was); false with the reason in error.
bool WriteWav(const QString& path, const std::vector<std::int16_t>& samples, int rate,
              QString* error = nullptr);
// A Standard MIDI File (format 0, one tick per millisecond), written the same way.
bool WriteMidiFile(const QString& path, const TimedMessages& messages, QString* error = nullptr);

}  // namespace offline
