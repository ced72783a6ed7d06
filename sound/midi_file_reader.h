// Reads a Standard MIDI File (format 0, 1 or 2) into its note-ons with their times in ms,
// through the file's tempo map: a performance to be scored. A file that is not a MIDI file,
// or is cut short, is refused with a reason; nothing in it can make the reader read beyond
// its bytes.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace midifile {

struct NoteOn {
  double ms = 0;
  int channel = 0;
  int note = 0;
  int velocity = 0;
};

// The note-ons (velocity above 0) of all tracks, in time order; false with the reason in
// error for a file that cannot be read.
bool ReadNoteOns(const QByteArray& bytes, std::vector<NoteOn>& notes, QString* error = nullptr);

}  // namespace midifile
