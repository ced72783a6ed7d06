#include "sound/midi_file_writer.h"

#include <algorithm>

namespace midifile {
namespace {

void PutBigEndian(QByteArray& out, std::uint32_t value, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) {
    out.append(static_cast<char>((value >> shift) & 0xFF));
  }
}

// A number as MIDI files write lengths and delta times: seven bits a byte, the high bit set
// on every byte but the last.
void PutVariableLength(QByteArray& out, std::uint32_t value) {
  char bytes[5];
  int n = 0;
  bytes[n++] = static_cast<char>(value & 0x7F);
  while ((value >>= 7) != 0) bytes[n++] = static_cast<char>(0x80 | (value & 0x7F));
  while (n > 0) out.append(bytes[--n]);
}

}  // namespace

QByteArray MessageBytes(const sound::ShortMessage& message) {
  const auto bytes = message.bytes();
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), message.size());
}

QByteArray MetaBytes(MetaType type, const QByteArray& data) {
  QByteArray bytes;
  bytes.append(static_cast<char>(0xFF));
  bytes.append(static_cast<char>(type));
  PutVariableLength(bytes, static_cast<std::uint32_t>(data.size()));
  bytes.append(data);
  return bytes;
}

QByteArray TempoData(std::uint32_t microsecondsPerQuarter) {
  QByteArray data;
  PutBigEndian(data, microsecondsPerQuarter, 3);
  return data;
}

QByteArray FourFourData() {
  // Four quarter notes, 24 clocks a click, eight 32nd notes to the quarter.
  return QByteArray("\x04\x02\x18\x08", 4);
}

QByteArray KeySignatureData(int fifths, bool minor) {
  QByteArray data;
  data.append(static_cast<char>(static_cast<std::int8_t>(fifths)));
  data.append(minor ? '\1' : '\0');
  return data;
}

QByteArray TrackChunk(std::vector<Event> events, std::int64_t end) {
  std::stable_sort(events.begin(), events.end());
  QByteArray data;
  std::int64_t last = 0;
  for (const Event& e : events) {
    PutVariableLength(data, static_cast<std::uint32_t>(std::max<std::int64_t>(e.tick - last, 0)));
    last = std::max(last, e.tick);
    data.append(e.bytes);
  }
  PutVariableLength(data, static_cast<std::uint32_t>(std::max<std::int64_t>(end - last, 0)));
  data.append(MetaBytes(MetaType::kEndOfTrack, {}));
  QByteArray track("MTrk", 4);
  PutBigEndian(track, static_cast<std::uint32_t>(data.size()), 4);
  track.append(data);
  return track;
}

QByteArray File(int format, int ticksPerQuarter, const std::vector<QByteArray>& tracks) {
  QByteArray file("MThd", 4);
  PutBigEndian(file, 6, 4);
  PutBigEndian(file, static_cast<std::uint32_t>(format), 2);
  PutBigEndian(file, static_cast<std::uint32_t>(tracks.size()), 2);
  PutBigEndian(file, static_cast<std::uint32_t>(ticksPerQuarter), 2);
  for (const QByteArray& track : tracks) file.append(track);
  return file;
}

}  // namespace midifile
