#include "sound/midi_file_reader.h"

#include <algorithm>
#include <cstdint>
#include <map>

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

}  // namespace

bool ReadNoteOns(const QByteArray& bytes, std::vector<NoteOn>& notes, QString* error) {
  notes.clear();
  Reader file(bytes, 0, bytes.size());
  std::uint32_t tag = 0;
  std::uint32_t length = 0;
  if (!file.Fixed(4, tag) || tag != 0x4D546864 || !file.Fixed(4, length) || length < 6) {
    return Fail(error, QStringLiteral("not a Standard MIDI File"));
  }
  std::uint32_t format = 0;
  std::uint32_t tracks = 0;
  std::uint32_t division = 0;
  if (!file.Fixed(2, format) || !file.Fixed(2, tracks) || !file.Fixed(2, division) ||
      !file.Skip(length - 6)) {
    return Fail(error, QStringLiteral("the MIDI file's header is cut short"));
  }
  if (division == 0) return Fail(error, QStringLiteral("the MIDI file has no time division"));
  // Ticks to seconds: by the tempo map for ticks per quarter, fixed for SMPTE frames.
  const bool smpte = (division & 0x8000) != 0;
  double secondsPerTickSmpte = 0;
  if (smpte) {
    const int fps = 256 - static_cast<int>((division >> 8) & 0xFF);
    const int perFrame = static_cast<int>(division & 0xFF);
    if (fps <= 0 || perFrame <= 0)
      return Fail(error, QStringLiteral("the MIDI file's SMPTE division is invalid"));
    secondsPerTickSmpte = 1.0 / (fps * perFrame);
  }
  std::map<std::uint64_t, std::uint32_t> tempos;  // tick -> microseconds a quarter
  std::vector<TickNote> found;
  int order = 0;
  for (std::uint32_t t = 0; t < tracks && !file.Done(); ++t) {
    if (!file.Fixed(4, tag) || !file.Fixed(4, length)) {
      return Fail(error, QStringLiteral("the MIDI file is cut short"));
    }
    const qsizetype start = file.Position();
    if (!file.Skip(length))
      return Fail(error, QStringLiteral("a track of the MIDI file is cut short"));
    if (tag != 0x4D54726B) continue;  // an unknown chunk is passed over
    Reader track(bytes, start, start + length);
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
        status = running;
      } else {
        return Fail(error, QStringLiteral("a track of the MIDI file is damaged"));
      }
      if (status == 0xFF) {
        int type = 0;
        std::uint32_t size = 0;
        if (!track.Byte(type) || !track.Variable(size)) {
          return Fail(error, QStringLiteral("a track of the MIDI file is damaged"));
        }
        const QByteArray data = track.Take(size);
        if (static_cast<std::uint32_t>(data.size()) != size) {
          return Fail(error, QStringLiteral("a track of the MIDI file is cut short"));
        }
        if (type == 0x51 && size == 3) {
          const std::uint32_t us =
              (static_cast<std::uint32_t>(static_cast<unsigned char>(data[0])) << 16) |
              (static_cast<std::uint32_t>(static_cast<unsigned char>(data[1])) << 8) |
              static_cast<unsigned char>(data[2]);
          if (us > 0) tempos[tick] = us;
        }
        if (type == 0x2F) break;
        continue;
      }
      if (status == 0xF0 || status == 0xF7) {
        std::uint32_t size = 0;
        if (!track.Variable(size) || !track.Skip(size)) {
          return Fail(error, QStringLiteral("a track of the MIDI file is cut short"));
        }
        continue;
      }
      if (status >= 0xF0) continue;  // other system messages carry no data in a file
      running = status;
      const int kind = status & 0xF0;
      int d1 = 0;
      int d2 = 0;
      if (!track.Byte(d1) || (kind != 0xC0 && kind != 0xD0 && !track.Byte(d2))) {
        return Fail(error, QStringLiteral("a track of the MIDI file is cut short"));
      }
      if (kind == 0x90 && (d2 & 0x7F) > 0) {
        found.push_back({tick, order++, status & 0x0F, d1 & 0x7F, d2 & 0x7F});
      }
    }
  }
  std::stable_sort(found.begin(), found.end(), [](const TickNote& a, const TickNote& b) {
    return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
  });
  // Walk the tempo map along the notes.
  std::uint64_t mapTick = 0;
  double mapSeconds = 0;
  std::uint32_t tempo = 500000;  // 120 a minute until the file says otherwise
  auto next = tempos.begin();
  const double ticksPerQuarter = static_cast<double>(division & 0x7FFF);
  for (const TickNote& n : found) {
    double seconds = 0;
    if (smpte) {
      seconds = static_cast<double>(n.tick) * secondsPerTickSmpte;
    } else {
      while (next != tempos.end() && next->first <= n.tick) {
        mapSeconds += static_cast<double>(next->first - mapTick) * tempo / 1e6 / ticksPerQuarter;
        mapTick = next->first;
        tempo = next->second;
        ++next;
      }
      seconds = mapSeconds + static_cast<double>(n.tick - mapTick) * tempo / 1e6 / ticksPerQuarter;
    }
    notes.push_back({seconds * 1000.0, n.channel, n.note, n.velocity});
  }
  return true;
}

}  // namespace midifile
