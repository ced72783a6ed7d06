#include "sound/midi1.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

class Midi : public ::testing::Test {
 protected:
  void SetUp() override {
    cfg.UseMidi = 1;
    midi.StartMidiOut({});
  }
  std::vector<std::uint32_t> Sent() const {
    std::vector<std::uint32_t> out;
    for (const auto& [t, m] : capture.messages) out.push_back(m.Packed());
    return out;
  }
  settings::CfgRecord cfg;
  sound::CaptureMidiOut capture;
  midi1::Midi midi{cfg, capture};
};

}  // namespace

TEST_F(Midi, MessagesArePackedAsDesigned) {
  cfg.PitchBase = 36;
  cfg.PitchAdjust = -2;
  cfg.ClickInstrument = 0;
  cfg.ClickVolume = 100;
  midi.NoteOn(0, 30, 100);
  midi.AllNotesOff(2);
  midi.DrumClick();
  midi.CountInClick();
  midi.NoteOff(1, 30);
  midi.NoteOnConcert(3, 34, 127);
  midi.NoteOffConcert(3, 34);
  midi.ProgramChange(0, 56);
  EXPECT_EQ(Sent(), (std::vector<std::uint32_t>{0x644090, 0x7BB2, 0x642199, 0x7F4499, 0x4091,
                                                0x7F4693, 0x4693, 0x38C0}));
}

TEST_F(Midi, TheInstrumentsOfAPreparation) {
  cfg.MelodyInstrument = 1;
  cfg.AccompInstrument = 33;
  cfg.BassInstrument = 7;
  midi.SendInstruments();
  EXPECT_EQ(Sent(), (std::vector<std::uint32_t>{0x00C0, 0x20C1, 0x27C2, 0x01C3}));
  capture.messages.clear();
  cfg.BassInstrument = 11;  // outside the table: no program
  cfg.AccompInstrument = 200;
  midi.SendInstruments();
  EXPECT_EQ(Sent(), (std::vector<std::uint32_t>{0x00C0, 0x01C3}));
}

TEST_F(Midi, NothingIsSentOrOpenedWithoutUseMidi) {
  cfg.UseMidi = 0;
  sound::CaptureMidiOut quiet;
  midi1::Midi off(cfg, quiet);
  EXPECT_TRUE(off.StartMidiOut({}));
  off.NoteOn(0, 30, 100);
  off.DrumClick();
  off.CloseMidiOut();
  EXPECT_TRUE(quiet.messages.empty());
  EXPECT_EQ(quiet.opens, 0);
  EXPECT_EQ(quiet.closes, 0);
}

TEST_F(Midi, AnOpenFailureIsReportedOnce) {
  sound::CaptureMidiOut broken;
  broken.openSucceeds = false;
  midi1::Midi m(cfg, broken);
  QStringList messages;
  EXPECT_FALSE(m.StartMidiOut([&messages](const QString& s) { messages << s; }));
  EXPECT_EQ(messages, QStringList{"MIDIデバイスオープンに失敗しました"});
  m.NoteOn(0, 30, 100);  // the program goes on
  EXPECT_EQ(broken.messages.size(), 1u);
}

TEST_F(Midi, NoByteOutsideItsRangeLeavesTheProgram) {
  cfg.PitchBase = 120;
  cfg.PitchAdjust = 20;
  midi.NoteOn(0, 10, 100);   // 150
  midi.NoteOn(0, -80, 100);  // 60: fine
  midi.NoteOn(0, 0, 200);    // velocity too large
  midi.ProgramChange(1, -1);
  midi.ProgramChange(1, 128);
  cfg.ClickVolume = -5;
  midi.DrumClick();
  EXPECT_EQ(Sent(), (std::vector<std::uint32_t>{0x643C90}));
}
