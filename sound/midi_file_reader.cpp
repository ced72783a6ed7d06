#include "sound/midi_file_reader.h"

#include <algorithm>
#include <cstdint>
#include <map>

#include "sound/midi_file_writer.h"

namespace midifile {
namespace {

class Reader {
 public:
  Reader(const QByteArray& bytes, qsizetype from, qsizetype to)
      : data_(bytes), at_(from), end_(std::min(to, bytes.size())) {}
  bool Done() const { return at_ >= end_; }
  qsizetype Position() const { return at_; }
  bool Byte(int& value) {
    if (at_ >= end_) return false;
    value = static_cast<unsigned char>(data_[at_++]);
    return true;
  }
  bool Peek(int& value) const {
    if (at_ >= end_) return false;
    value = static_cast<unsigned char>(data_[at_]);
    return true;
  }
  bool Fixed(int count, std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < count; ++i) {
      int b = 0;
      if (!Byte(b)) return false;
      value = (value << 8) | static_cast<std::uint32_t>(b);
    }
    return true;
  }
  // A variable-length quantity: at most four bytes, as the standard allows.
  bool Variable(std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
      int b = 0;
      if (!Byte(b)) return false;
      value = (value << 7) | static_cast<std::uint32_t>(b & 0x7F);
      if ((b & 0x80) == 0) return true;
    }
    return false;
  }
  bool Skip(std::uint32_t count) {
    if (static_cast<qsizetype>(count) > end_ - at_) return false;
    at_ += static_cast<qsizetype>(count);
    return true;
  }
  QByteArray Take(std::uint32_t count) {
    const qsizetype n = std::min<qsizetype>(static_cast<qsizetype>(count), end_ - at_);
    const QByteArray out = data_.mid(at_, n);
    at_ += n;
    return out;
  }

 private:
  const QByteArray& data_;
  qsizetype at_;
  qsizetype end_;
};

struct TickNote {
  std::uint64_t tick;
  int order;
  int channel, note, velocity;
};

bool Fail(QString* error, const QString& why) {
  if (error) *error = why;
  return false;
}

// The chunk tags: "MThd" and "MTrk".
constexpr std::uint32_t kHeaderTag = 0x4D546864;
constexpr std::uint32_t kTrackTag = 0x4D54726B;
// The status bytes of a meta event and of the two forms of system exclusive.
constexpr int kMetaStatus = 0xFF;
constexpr int kSysExStatus = 0xF0;
constexpr int kSysExContinued = 0xF7;
// A quarter note's microseconds until the file says otherwise: 120 a minute.
constexpr std::uint32_t kDefaultTempo = 500000;

// Ticks to milliseconds: by the tempo map for ticks per quarter, fixed for SMPTE frames.
struct Timing {
  bool smpte = false;
  double secondsPerTickSmpte = 0;
  double ticksPerQuarter = 0;
  std::map<std::uint64_t, std::uint32_t> tempos;  // tick -> microseconds a quarter
};

bool ReadHeader(Reader& file, std::uint32_t& tracks, Timing& timing, QString* error) {
  std::uint32_t tag = 0;
  std::uint32_t length = 0;
  if (!file.Fixed(4, tag) || tag != kHeaderTag || !file.Fixed(4, length) || length < 6) {
    return Fail(error, QStringLiteral("not a Standard MIDI File"));
  }
  std::uint32_t format = 0;
  std::uint32_t division = 0;
  if (!file.Fixed(2, format) || !file.Fixed(2, tracks) || !file.Fixed(2, division) ||
      !file.Skip(length - 6)) {
    return Fail(error, QStringLiteral("the MIDI file's header is cut short"));
  }
  if (division == 0) return Fail(error, QStringLiteral("the MIDI file has no time division"));
  timing.smpte = (division & 0x8000) != 0;
  timing.ticksPerQuarter = static_cast<double>(division & 0x7FFF);
  if (timing.smpte) {
    const int fps = 256 - static_cast<int>((division >> 8) & 0xFF);
    const int perFrame = static_cast<int>(division & 0xFF);
    if (fps <= 0 || perFrame <= 0)
      return Fail(error, QStringLiteral("the MIDI file's SMPTE division is invalid"));
    timing.secondsPerTickSmpte = 1.0 / (fps * perFrame);
  }
  return true;
}

// A meta event: a tempo goes into the map, the end of the track sets ended; false when the
// event is damaged.
bool ReadMeta(Reader& track, std::uint64_t tick, Timing& timing, bool& ended, QString* error) {
  int type = 0;
  std::uint32_t size = 0;
  if (!track.Byte(type) || !track.Variable(size)) {
    return Fail(error, QStringLiteral("a track of the MIDI file is damaged"));
  }
  const QByteArray data = track.Take(size);
  if (static_cast<std::uint32_t>(data.size()) != size) {
    return Fail(error, QStringLiteral("a track of the MIDI file is cut short"));
  }
  if (type == static_cast<int>(MetaType::kTempo) && size == 3) {
    const std::uint32_t us =
        (static_cast<std::uint32_t>(static_cast<unsigned char>(data[0])) << 16) |
        (static_cast<std::uint32_t>(static_cast<unsigned char>(data[1])) << 8) |
        static_cast<unsigned char>(data[2]);
    if (us > 0) timing.tempos[tick] = us;
  }
  ended = type == static_cast<int>(MetaType::kEndOfTrack);
  return true;
}

// One track's note-ons, each with its tick and its place in the file, and its tempos.
bool ReadTrack(Reader& track, Timing& timing, std::vector<TickNote>& found, int& order,
               QString* error) {
  std::uint64_t tick = 0;
  int running = 0;
  while (!track.Done()) {
    std::uint32_t delta = 0;
    if (!track.Variable(delta))
      return Fail(error, QStringLiteral("a track of the MIDI file is damaged"));
    tick += delta;
    int status = 0;
    if (!track.Peek(status))
      return Fail(error, QStringLiteral("a track of the MIDI file is cut short"));
    if (status >= 0x80) {
      track.Byte(status);
    } else if (running != 0) {
      status = running;  // running status: the last channel message's
    } else {
      return Fail(error, QStringLiteral("a track of the MIDI file is damaged"));
    }
    if (status == kMetaStatus) {
      bool ended = false;
      if (!ReadMeta(track, tick, timing, ended, error)) return false;
      if (ended) break;
      continue;
    }
    if (status == kSysExStatus || status == kSysExContinued) {
      std::uint32_t size = 0;
      if (!track.Variable(size) || !track.Skip(size)) {
        return Fail(error, QStringLiteral("a track of the MIDI file is cut short"));
      }
      continue;
    }
    if (status >= kSysExStatus) continue;  // other system messages carry no data in a file
    running = status;
    int d1 = 0;
    int d2 = 0;
    if (!track.Byte(d1) || (sound::DataByteCount(status) == 2 && !track.Byte(d2))) {
      return Fail(error, QStringLiteral("a track of the MIDI file is cut short"));
    }
    if ((status & 0xF0) == sound::ShortMessage::kNoteOn && (d2 & 0x7F) > 0) {
      found.push_back({tick, order++, status & 0x0F, d1 & 0x7F, d2 & 0x7F});
    }
  }
  return true;
}

// The notes in time order, their times walked along the tempo map.
void TimeNotes(std::vector<TickNote>& found, const Timing& timing, std::vector<NoteOn>& notes) {
  std::stable_sort(found.begin(), found.end(), [](const TickNote& a, const TickNote& b) {
    return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
  });
  std::uint64_t mapTick = 0;
  double mapSeconds = 0;
  std::uint32_t tempo = kDefaultTempo;
  auto next = timing.tempos.begin();
  for (const TickNote& n : found) {
    double seconds = 0;
    if (timing.smpte) {
      seconds = static_cast<double>(n.tick) * timing.secondsPerTickSmpte;
    } else {
      while (next != timing.tempos.end() && next->first <= n.tick) {
        mapSeconds +=
            static_cast<double>(next->first - mapTick) * tempo / 1e6 / timing.ticksPerQuarter;
        mapTick = next->first;
        tempo = next->second;
        ++next;
      }
      seconds =
          mapSeconds + static_cast<double>(n.tick - mapTick) * tempo / 1e6 / timing.ticksPerQuarter;
    }
    notes.push_back({seconds * 1000.0, n.channel, n.note, n.velocity});
  }
}

}  // namespace

bool ReadNoteOns(const QByteArray& bytes, std::vector<NoteOn>& notes, QString* error) {
  notes.clear();
  Reader file(bytes, 0, bytes.size());
  std::uint32_t tracks = 0;
  Timing timing;
  if (!ReadHeader(file, tracks, timing, error)) return false;
  std::vector<TickNote> found;
  int order = 0;
  for (std::uint32_t t = 0; t < tracks && !file.Done(); ++t) {
    std::uint32_t tag = 0;
    std::uint32_t length = 0;
    if (!file.Fixed(4, tag) || !file.Fixed(4, length)) {
      return Fail(error, QStringLiteral("the MIDI file is cut short"));
    }
    const qsizetype start = file.Position();
    if (!file.Skip(length))
      return Fail(error, QStringLiteral("a track of the MIDI file is cut short"));
    if (tag != kTrackTag) continue;  // an unknown chunk is passed over
    Reader track(bytes, start, start + length);
    if (!ReadTrack(track, timing, found, order, error)) return false;
  }
  TimeNotes(found, timing, notes);
  return true;
}

}  // namespace midifile
