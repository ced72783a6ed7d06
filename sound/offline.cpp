#include "sound/offline.h"

#include <algorithm>

#include "core/atomic_file.h"
#include "sound/midi_file_writer.h"

namespace offline {
namespace {

void Put16(QByteArray& out, int v) {
  out.append(static_cast<char>(v & 0xFF));
  out.append(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(QByteArray& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}
// A millisecond a tick: a quarter note lasts a second at 1000 ticks to it.
constexpr int kTicksPerQuarter = 1000;
constexpr int kTicksPerMs = 1;
constexpr std::uint32_t kMicrosecondsPerSecond = 1000000;

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
  // One quarter note a second at 1000 ticks to the quarter: a tick is a millisecond.
  std::vector<midifile::Event> events;
  events.push_back({0, 0,
                    midifile::MetaBytes(midifile::MetaType::kTempo,
                                        midifile::TempoData(kMicrosecondsPerSecond))});
  // In the order they were sent; one sent for an earlier time goes with the one before it.
  std::int64_t last = 0;
  for (const auto& [ms, message] : messages) {
    last = std::max(last, ms);
    events.push_back({last, static_cast<int>(events.size()), midifile::MessageBytes(message)});
  }
  // The last message's sound a second to die away.
  const QByteArray track = midifile::TrackChunk(std::move(events), last + kTicksPerMs * 1000);
  return WriteFile(path, midifile::File(0, kTicksPerQuarter, {track}), error);
}

}  // namespace offline
