// Reading a performance from a Standard MIDI File: times through the tempo map, running
// status, several tracks, and files that are not whole.
#include "sound/midi_file_reader.h"

#include <gtest/gtest.h>

namespace {

QByteArray Chunk(const char* tag, const QByteArray& data) {
  QByteArray out(tag, 4);
  const auto n = static_cast<std::uint32_t>(data.size());
  for (int shift = 24; shift >= 0; shift -= 8) out.append(static_cast<char>((n >> shift) & 0xFF));
  return out + data;
}

QByteArray Header(int format, int tracks, int division) {
  QByteArray h;
  for (const int v : {format, tracks, division}) {
    h.append(static_cast<char>((v >> 8) & 0xFF));
    h.append(static_cast<char>(v & 0xFF));
  }
  return Chunk("MThd", h);
}

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray out;
  for (const int v : values) out.append(static_cast<char>(v));
  return out;
}

TEST(MidiFileReader, ReadsTimesThroughTheTempoMapAndRunningStatus) {
  // Format 0, 480 ticks a quarter: 120 bpm, a note at 0, then (running status) at one
  // quarter; the tempo halves to 60 bpm there, and a note a quarter later is 1000 ms on.
  // Running status after a control change is one more control change, not a note.
  const QByteArray track = Bytes({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // 500000 us
                                  0x00, 0x90, 60,   100,                     //
                                  0x83, 0x60, 62,   90,                      // 480 later
                                  0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,  // 1000000 us
                                  0x00, 62,   0,                             // a note-off
                                  0x83, 0x60, 0xF0, 0x02, 0x01, 0xF7,        // a sysex
                                  0x00, 0x91, 64,   80,                      // 960: 1500 ms
                                  0x00, 0xB1, 64,   127,                     // a pedal down
                                  0x00, 65,   100,                           // running: a CC
                                  0x00, 0xFF, 0x2F, 0x00});
  std::vector<midifile::NoteOn> notes;
  QString error;
  ASSERT_TRUE(midifile::ReadNoteOns(Header(0, 1, 480) + Chunk("MTrk", track), notes, &error))
      << error.toStdString();
  ASSERT_EQ(notes.size(), 3u);
  EXPECT_DOUBLE_EQ(notes[0].ms, 0);
  EXPECT_EQ(notes[0].note, 60);
  EXPECT_DOUBLE_EQ(notes[1].ms, 500);
  EXPECT_EQ(notes[1].note, 62);
  EXPECT_EQ(notes[1].velocity, 90);
  EXPECT_DOUBLE_EQ(notes[2].ms, 1500);
  EXPECT_EQ(notes[2].channel, 1);
}

TEST(MidiFileReader, MergesTracksInTimeOrder) {
  // Format 1: the tempo in the first track applies to the notes of the second.
  const QByteArray conductor =
      Bytes({0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x00, 0xFF, 0x2F, 0x00});
  const QByteArray a = Bytes({0x81, 0x70, 0x90, 67, 100, 0x00, 0xFF, 0x2F, 0x00});  // 240
  const QByteArray b = Bytes({0x78, 0x90, 65, 100, 0x00, 0xFF, 0x2F, 0x00});        // 120
  std::vector<midifile::NoteOn> notes;
  ASSERT_TRUE(midifile::ReadNoteOns(
      Header(1, 3, 480) + Chunk("MTrk", conductor) + Chunk("MTrk", a) + Chunk("MTrk", b), notes));
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].note, 65);
  EXPECT_DOUBLE_EQ(notes[0].ms, 250);
  EXPECT_EQ(notes[1].note, 67);
  EXPECT_DOUBLE_EQ(notes[1].ms, 500);
}

TEST(MidiFileReader, RefusesWhatIsNotAWholeMidiFile) {
  const QByteArray whole =
      Header(0, 1, 480) + Chunk("MTrk", Bytes({0x00, 0x90, 60, 100, 0x00, 0xFF, 0x2F, 0x00}));
  std::vector<midifile::NoteOn> notes;
  ASSERT_TRUE(midifile::ReadNoteOns(whole, notes));
  const QByteArray broken[] = {
      QByteArray("RIFF....WAVE"),
      whole.left(10),                                             // the header cut short
      whole.left(whole.size() - 5),                               // the track cut short
      Header(0, 1, 0) + whole.mid(14),                            // no time division
      Header(0, 1, 480) + Chunk("MTrk", Bytes({0x00, 60, 100})),  // data without a status
      Header(0, 1, 480) + Chunk("MTrk", Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x7F})),  // too long
  };
  for (const QByteArray& bytes : broken) {
    QString error;
    EXPECT_FALSE(midifile::ReadNoteOns(bytes, notes, &error)) << bytes.toHex().toStdString();
    EXPECT_FALSE(error.isEmpty());
  }
}

}  // namespace
