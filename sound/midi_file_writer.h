// Writes Standard MIDI Files: the header, track chunks of events with their delta times as
// variable-length numbers, short messages and named meta events. The rendered pass's file
// and the exports are made with it; its reader is midi_file_reader.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

#include "sound/short_message.h"

namespace midifile {

// The meta events the program writes.
enum class MetaType : std::uint8_t {
  kTrackName = 0x03,
  kMarker = 0x06,
  kEndOfTrack = 0x2F,
  kTempo = 0x51,
  kTimeSignature = 0x58,
  kKeySignature = 0x59,
};

// One event of a track: its tick, its place among the events of the same tick (lower
// first) and its bytes.
struct Event {
  std::int64_t tick = 0;
  int order = 0;
  QByteArray bytes;
  bool operator<(const Event& o) const { return tick != o.tick ? tick < o.tick : order < o.order; }
};

// The bytes of a short message, and of a meta event with its data.
QByteArray MessageBytes(const sound::ShortMessage& message);
QByteArray MetaBytes(MetaType type, const QByteArray& data);
// The data of a tempo (microseconds a quarter note), a time signature of beats over a
// quarter note, and a key signature (sharps positive, flats negative; minor or major).
QByteArray TempoData(std::uint32_t microsecondsPerQuarter);
QByteArray FourFourData();
QByteArray KeySignatureData(int fifths, bool minor);

// A track chunk: the events in order of tick (and of their order within a tick, the order
// they came in where both are equal), then the end of the track at tick end (or at the last
// event, if later).
QByteArray TrackChunk(std::vector<Event> events, std::int64_t end);
// A whole file of format 0 or 1 with its tracks.
QByteArray File(int format, int ticksPerQuarter, const std::vector<QByteArray>& tracks);

}  // namespace midifile
