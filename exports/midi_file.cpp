// The Standard MIDI File of an export: format 1, 480 ticks to the quarter.
#include <QStringList>
#include <algorithm>
#include <array>
#include <map>
#include <set>

#include "exports/exports.h"
#include "sound/midi1.h"
#include "sound/midi_file_writer.h"
#include "theory/MusicMethod_Treat.h"

namespace exports {
namespace {

using midifile::Event;
using midifile::MetaBytes;
using midifile::MetaType;

// Ticks of the program's grid (24 to the quarter) to the file's.
constexpr int kScale = kTicksPerQuarter / MusicMethod_Treat::TicksPerQuarter;

// Within a tick: a track's name, then program changes, note-offs, note-ons; so that a
// repeated note ends before it sounds again.
enum Order { kNameOrder = -2, kProgramOrder = -1, kNoteOffOrder = 0, kNoteOnOrder = 1 };

// One voice of the file: its channel, its track's name, its events, and the notes sounding,
// each with the tick it must end by at the latest.
struct Voice {
  int channel;
  const char* name;
  std::vector<Event> events;
  std::map<int, std::vector<std::int64_t>> sounding;

  int Written(int note) const {
    return channel == midi1::kDrumChannel ? NotatedDrumNote(note) : note;
  }
  void Add(std::int64_t tick, int order, const std::optional<sound::ShortMessage>& message) {
    if (message) events.push_back({tick, order, midifile::MessageBytes(*message)});
  }
  // Ends the earliest sounding instance of note, at tick or by its limit.
  void End(int note, std::int64_t tick) {
    std::vector<std::int64_t>& limits = sounding[note];
    if (limits.empty()) return;
    const std::int64_t at = std::min(tick, limits.front());
    limits.erase(limits.begin());
    Add(at, kNoteOffOrder,
        sound::ShortMessage::Make(sound::ShortMessage::kNoteOff | channel, Written(note), 0));
  }
  // What still sounds ends: at its limit.
  void EndAll(std::int64_t tick) {
    for (auto& [note, limits] : sounding) {
      while (!limits.empty()) End(note, tick);
    }
  }
};

// The conductor track's events: the title, the tempo asked for, 4/4, then each key's
// signature and its chord symbols as markers.
std::vector<Event> Conductor(const Export& e) {
  std::vector<Event> conductor;
  conductor.push_back({0, 0, MetaBytes(MetaType::kTrackName, e.title.toUtf8())});
  const std::uint32_t usPerQuarter = 60000000u / static_cast<std::uint32_t>(std::max(e.tempo, 1));
  conductor.push_back({0, 1, MetaBytes(MetaType::kTempo, midifile::TempoData(usPerQuarter))});
  conductor.push_back({0, 2, MetaBytes(MetaType::kTimeSignature, midifile::FourFourData())});
  std::int64_t offset = 0;
  for (const KeyPart& part : e.keys) {
    conductor.push_back({offset, 3,
                         MetaBytes(MetaType::kKeySignature,
                                   midifile::KeySignatureData(KeyFifths(e, part), part.minor))});
    std::int64_t at = offset;
    for (int i = 0; i < part.phrase.NoteCount; ++i) {
      const QString chord = part.phrase.NoteChord[i].trimmed();
      if (!chord.isEmpty())
        conductor.push_back({at, 4, MetaBytes(MetaType::kMarker, chord.toUtf8())});
      at += static_cast<std::int64_t>(part.phrase.NoteLength[i]) * kScale;
    }
    offset += part.lengthTicks;
  }
  return conductor;
}

// One key's pass into the voices, from tick offset: each note with its note-off, the melody's
// notes no longer than written (tied notes as one), program changes in the first key.
void AddKey(const KeyPart& part, std::int64_t offset, std::array<Voice, 4>& voices) {
  const std::int64_t end = offset + part.lengthTicks;
  const std::vector<std::int64_t>& written = part.writtenEnds;
  std::size_t melodyNote = 0;
  for (const auto& [tick, m] : part.events) {
    auto voice = std::find_if(voices.begin(), voices.end(),
                              [&](const Voice& v) { return v.channel == m.channel(); });
    if (voice == voices.end()) continue;
    const std::int64_t t = offset + tick;
    if (m.kind() == sound::ShortMessage::kNoteOn && !m.IsNoteOff()) {
      voice->End(m.data1(), t);
      voice->Add(t, kNoteOnOrder,
                 sound::ShortMessage::Make(m.status(), voice->Written(m.data1()), m.data2()));
      std::int64_t limit = end;
      if (voice->channel == midi1::kMelodyChannel && melodyNote < written.size()) {
        limit = std::min(end, offset + written[melodyNote++]);
      }
      voice->sounding[m.data1()].push_back(limit);
    } else if (m.IsNoteOff()) {
      voice->End(m.data1(), t);
    } else if (m.IsAllNotesOff()) {
      // Each sounding note ends with a note-off of its own.
      voice->EndAll(t);
    } else if (m.kind() == sound::ShortMessage::kProgramChange && offset == 0) {
      voice->Add(0, kProgramOrder, m);
    }
  }
  // What still sounds at the end of the key's bars ends there.
  for (Voice& v : voices) v.EndAll(end);
}

}  // namespace

int NotatedDrumNote(int note) {
  constexpr int kFirstMappedDrum = 35;
  constexpr int kLastMappedDrum = 81;
  constexpr int kSideStick = 37;
  return note < kFirstMappedDrum || note > kLastMappedDrum ? kSideStick : note;
}

QByteArray MidiFile(const Export& e) {
  std::array<Voice, 4> voices = {{{midi1::kMelodyChannel, "Melody", {}, {}},
                                  {midi1::kAccompChannel, "Accompaniment", {}, {}},
                                  {midi1::kBassChannel, "Bass", {}, {}},
                                  {midi1::kDrumChannel, "Click", {}, {}}}};
  std::int64_t offset = 0;
  for (const KeyPart& part : e.keys) {
    AddKey(part, offset, voices);
    offset += part.lengthTicks;
  }
  std::vector<QByteArray> tracks{midifile::TrackChunk(Conductor(e), offset)};
  for (Voice& v : voices) {
    if (v.events.empty()) continue;
    v.events.push_back({0, kNameOrder, MetaBytes(MetaType::kTrackName, QByteArray(v.name))});
    tracks.push_back(midifile::TrackChunk(v.events, offset));
  }
  return midifile::File(1, kTicksPerQuarter, tracks);
}

}  // namespace exports
