// Fuzz target: any bytes as a performance's MIDI file; every note read is scored against a
// scale as listen mode scores it, however many there are. Reading never goes beyond the
// bytes, times never run backwards, and the judge accounts for every note (those past what
// a pass could hold as not judged).
#include <QByteArray>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/listen.h"
#include "sound/midi_file_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  std::vector<midifile::NoteOn> notes;
  QString error;
  if (!midifile::ReadNoteOns(bytes, notes, &error)) {
    if (error.isEmpty()) std::abort();
    return 0;
  }
  std::vector<listen::Played> played;
  double last = 0;
  for (const midifile::NoteOn& n : notes) {
    if (!(n.ms >= last) || !std::isfinite(n.ms) || n.note < 0 || n.note > 127) std::abort();
    last = n.ms;
    played.push_back({n.note, n.ms});
  }
  std::vector<listen::Expected> expected;
  for (int i = 0; i < 16; ++i) expected.push_back({i, 60 + i, 250.0 * i});
  const listen::Result result = listen::Match(expected, played, {});
  const listen::Summary& s = result.summary;
  if (s.hit + s.wrong + s.missed != 16 ||
      s.hit + s.wrong + s.extra + result.notJudged != static_cast<int>(played.size()) ||
      (result.notJudged > 0 && played.size() - result.notJudged != listen::MostPlayed(16))) {
    std::abort();
  }
  return 0;
}
