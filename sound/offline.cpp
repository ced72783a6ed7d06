#include "sound/offline.h"

#include <algorithm>

#include "core/atomic_file.h"
#include "sound/short_message.h"

namespace offline {
namespace {

void Put16(QByteArray& out, int v) {
  out.append(static_cast<char>(v & 0xFF));
  out.append(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(QByteArray& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void Put32BigEndian(QByteArray& out, std::uint32_t v) {
  for (int i = 3; i >= 0; --i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void PutVariableLength(QByteArray& out, std::uint32_t v) {
  char bytes[5];
  int n = 0;
  bytes[n++] = static_cast<char>(v & 0x7F);
  while ((v >>= 7) != 0) bytes[n++] = static_cast<char>((v & 0x7F) | 0x80);
  while (n > 0) out.append(bytes[--n]);
}

bool WriteFile(const QString& path, const QByteArray& bytes, QString* error) {
  return atomic_file::Write(path, bytes, error);
}

}  // namespace

bool WriteWav(const QString& path, const std::vector<std::int16_t>& samples, int rate,
              QString* error) {
  QByteArray out;
  const std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
  out.append("RIFF");
  Put32(out, 36 + dataBytes);
  out.append("WAVEfmt ");
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, 2);  // stereo
  Put32(out, static_cast<std::uint32_t>(rate));
  Put32(out, static_cast<std::uint32_t>(rate * 4));
  Put16(out, 4);
  Put16(out, 16);
  out.append("data");
  Put32(out, dataBytes);
  for (std::int16_t s : samples) Put16(out, s);
  return WriteFile(path, out, error);
}

bool WriteMidiFile(const QString& path, const sound::TimedMessages& messages, QString* error) {
  QByteArray track;
  // One quarter note a second at 1000 ticks to the quarter: a tick is a millisecond.
  PutVariableLength(track, 0);
  track.append("\xFF\x51\x03\x0F\x42\x40", 6);
  std::int64_t last = 0;
  for (const auto& [ms, message] : messages) {
    PutVariableLength(track, static_cast<std::uint32_t>(std::max<std::int64_t>(ms - last, 0)));
    last = std::max(last, ms);
    const sound::ShortMessage shortMessage = sound::ShortMessage::Unpack(message);
    const auto bytes = shortMessage.bytes();
    track.append(reinterpret_cast<const char*>(bytes.data()), shortMessage.size());
  }
  PutVariableLength(track, 1000);
  track.append("\xFF\x2F\x00", 3);
  QByteArray out("MThd", 4);
  Put32BigEndian(out, 6);
  out.append("\x00\x00\x00\x01\x03\xE8", 6);  // format 0, one track, 1000 ticks per quarter
  out.append("MTrk", 4);
  Put32BigEndian(out, static_cast<std::uint32_t>(track.size()));
  out.append(track);
  return WriteFile(path, out, error);
}

}  // namespace offline
