// The Standard MIDI File of an export: format 1, 480 ticks to the quarter.
#include <QStringList>
#include <algorithm>
#include <array>
#include <map>
#include <set>

#include "exports/exports.h"
#include "sound/midi1.h"
#include "theory/MusicMethod_Treat.h"

namespace exports {
namespace {

void Put32(QByteArray& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.append(static_cast<char>((v >> shift) & 0xFF));
}

void PutVariable(QByteArray& out, std::uint32_t v) {
  std::array<char, 5> bytes{};
  int n = 0;
  bytes[n++] = static_cast<char>(v & 0x7F);
  while ((v >>= 7) != 0) bytes[n++] = static_cast<char>(0x80 | (v & 0x7F));
  while (n > 0) out.append(bytes[--n]);
}

// A track's events before they are written: (tick, order, bytes). Within a tick note-offs
// go first, so that a repeated note ends before it sounds again.
struct Event {
  std::int64_t tick;
  int order;
  QByteArray bytes;
  bool operator<(const Event& o) const { return tick != o.tick ? tick < o.tick : order < o.order; }
};

QByteArray Meta(int type, const QByteArray& data) {
  QByteArray bytes;
  bytes.append(static_cast<char>(0xFF));
  bytes.append(static_cast<char>(type));
  PutVariable(bytes, static_cast<std::uint32_t>(data.size()));
  bytes.append(data);
  return bytes;
}

QByteArray Track(std::vector<Event> events, std::int64_t end) {
  std::stable_sort(events.begin(), events.end());
  QByteArray data;
  std::int64_t last = 0;
  for (const Event& e : events) {
    PutVariable(data, static_cast<std::uint32_t>(e.tick - last));
    last = e.tick;
    data.append(e.bytes);
  }
  PutVariable(data, static_cast<std::uint32_t>(std::max<std::int64_t>(end - last, 0)));
  data.append("\xFF\x2F\x00", 3);
  QByteArray track("MTrk", 4);
  Put32(track, static_cast<std::uint32_t>(data.size()));
  track.append(data);
  return track;
}

QByteArray NoteBytes(int status, int note, int velocity) {
  QByteArray b;
  b.append(static_cast<char>(status));
  b.append(static_cast<char>(note));
  b.append(static_cast<char>(velocity));
  return b;
}

}  // namespace

QByteArray MidiFile(const Export& e) {
  // Ticks of the program's grid (24 to the quarter) to the file's.
  constexpr int kScale = kTicksPerQuarter / MusicMethod_Treat::TicksPerQuarter;
  std::vector<Event> conductor;
  const QByteArray title = e.title.toUtf8();
  conductor.push_back({0, 0, Meta(0x03, title)});
  const std::uint32_t usPerQuarter = 60000000u / static_cast<std::uint32_t>(std::max(e.tempo, 1));
  QByteArray tempo;
  for (int shift = 16; shift >= 0; shift -= 8)
    tempo.append(static_cast<char>((usPerQuarter >> shift) & 0xFF));
  conductor.push_back({0, 1, Meta(0x51, tempo)});
  conductor.push_back({0, 2, Meta(0x58, QByteArray("\x04\x02\x18\x08", 4))});

  // The voices by channel, as the program sends them.
  struct Voice {
    int channel;
    const char* name;
    std::vector<Event> events;
    // The notes sounding, each with the tick it must end by at the latest.
    std::map<int, std::vector<std::int64_t>> sounding;
  };
  // The click's drum note in the General MIDI percussion map (35..81) that notation
  // programs know; the program's default click (33, a metronome click of later sound sets)
  // is written as the side stick.
  const auto ClickNote = [](const Voice& v, int note) {
    return v.channel == midi1::kDrumChannel && (note < 35 || note > 81) ? 37 : note;
  };
  std::array<Voice, 4> voices = {{{midi1::kMelodyChannel, "Melody", {}, {}},
                                  {midi1::kAccompChannel, "Accompaniment", {}, {}},
                                  {midi1::kBassChannel, "Bass", {}, {}},
                                  {midi1::kDrumChannel, "Click", {}, {}}}};
  std::int64_t offset = 0;
  for (const KeyPart& part : e.keys) {
    QByteArray signature;
    signature.append(static_cast<char>(static_cast<std::int8_t>(KeyFifths(e, part))));
    signature.append(part.minor ? '\1' : '\0');
    conductor.push_back({offset, 3, Meta(0x59, signature)});
    std::int64_t at = offset;
    for (int i = 0; i < part.phrase.NoteCount; ++i) {
      const QString chord = part.phrase.NoteChord[i].trimmed();
      if (!chord.isEmpty()) conductor.push_back({at, 4, Meta(0x06, chord.toUtf8())});
      at += static_cast<std::int64_t>(part.phrase.NoteLength[i]) * kScale;
    }
    const std::int64_t end = offset + part.lengthTicks;
    // The melody's notes as written, tied notes as one: a note sounds no longer than its
    // value (the last note of a pass is otherwise held to the pass's end).
    std::vector<std::int64_t> written;
    for (const SoundingNote& n : SoundingNotes(part.phrase)) {
      written.push_back(static_cast<std::int64_t>(n.length) * kScale);
    }
    std::size_t melodyNote = 0;
    for (const auto& [tick, packed] : part.events) {
      const sound::ShortMessage m = sound::ShortMessage::Unpack(packed);
      auto voice = std::find_if(voices.begin(), voices.end(),
                                [&](const Voice& v) { return v.channel == m.channel(); });
      if (voice == voices.end()) continue;
      const std::int64_t t = offset + tick;
      // Ends the earliest sounding instance of note, now or by its limit.
      auto noteOff = [&](int note) {
        std::vector<std::int64_t>& limits = voice->sounding[note];
        if (limits.empty()) return;
        const std::int64_t at = std::min(t, limits.front());
        limits.erase(limits.begin());
        voice->events.push_back(
            {at, 0, NoteBytes(0x80 | voice->channel, ClickNote(*voice, note), 0)});
      };
      if (m.kind() == sound::ShortMessage::kNoteOn && !m.IsNoteOff()) {
        noteOff(m.data1());
        voice->events.push_back(
            {t, 1, NoteBytes(m.status(), ClickNote(*voice, m.data1()), m.data2())});
        std::int64_t limit = end;
        if (voice->channel == midi1::kMelodyChannel && melodyNote < written.size()) {
          limit = std::min(end, t + written[melodyNote++]);
        }
        voice->sounding[m.data1()].push_back(limit);
      } else if (m.IsNoteOff()) {
        noteOff(m.data1());
      } else if (m.kind() == sound::ShortMessage::kControlChange && m.data1() == 123) {
        // All notes off: each sounding note ends with a note-off of its own.
        for (auto& [note, limits] : voice->sounding) {
          while (!limits.empty()) noteOff(note);
        }
      } else if (m.kind() == sound::ShortMessage::kProgramChange) {
        if (offset == 0) {
          QByteArray b;
          b.append(static_cast<char>(m.status()));
          b.append(static_cast<char>(m.data1()));
          voice->events.push_back({0, -1, b});
        }
      }
    }
    // What still sounds at the end of the key's bars ends there.
    for (Voice& v : voices) {
      for (auto& [note, limits] : v.sounding) {
        for (const std::int64_t limit : limits) {
          v.events.push_back({limit, 0, NoteBytes(0x80 | v.channel, ClickNote(v, note), 0)});
        }
        limits.clear();
      }
    }
    offset = end;
  }
  QByteArray file("MThd", 4);
  Put32(file, 6);
  int tracks = 1;
  QByteArray body = Track(conductor, offset);
  for (Voice& v : voices) {
    if (v.events.empty()) continue;
    v.events.push_back({0, -2, Meta(0x03, QByteArray(v.name))});
    body.append(Track(v.events, offset));
    ++tracks;
  }
  file.append("\x00\x01", 2);
  file.append(static_cast<char>(tracks >> 8));
  file.append(static_cast<char>(tracks & 0xFF));
  file.append(static_cast<char>(kTicksPerQuarter >> 8));
  file.append(static_cast<char>(kTicksPerQuarter & 0xFF));
  file.append(body);
  return file;
}

}  // namespace exports
