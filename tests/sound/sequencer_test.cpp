#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <tuple>
#include <vector>

#include "core/clock.h"
#include "sound/Sound_Treat.h"
#include "sound/midi_out.h"
#include "tests/theory/chord_quality_cases.h"

using namespace Sound_Treat;

namespace {

// Records what the sequencer asks of the window.
class RecordingHost : public SequencerHost {
 public:
  std::function<void()> onPrepare;
  std::vector<int> tempi;
  std::vector<QString> texts;
  int prepares = 0;
  int showCalls = 0;
  int highlights = 0;
  std::vector<bool> transport;

  void PrepareForKey() override {
    ++prepares;
    if (onPrepare) onPrepare();
  }
  void MakeSound_Bot_show(bool on) override { transport.push_back(on); }
  void ShowTempo(int tempo, const QString& text) override {
    tempi.push_back(tempo);
    texts.push_back(text);
  }
  void MoveCursor(float, bool) override { ++highlights; }
  void HighlightStep(float, float, const QString&, bool) override {}
  void HighlightStepKey(int) override {}
  void EraseCursor() override {}
  void EndHighlight() override {}
  void EndKeyHighlight() override {}
};

class Playback : public ::testing::Test {
 protected:
  void SetUp() override {
    cfg.UseMidi = 1;
    cfg.PitchBase = 36;
    cfg.Tempo = 120;
    cfg.MelodyOn = 1;
    cfg.MelodyVolume = 100;
    cfg.AccompVolume = 80;
    cfg.BassVolume = 90;
    cfg.ClickVolume = 70;
    cfg.RepeatCount = 1;
    midi.StartMidiOut({});
    ClearPhrase(phrase);
  }
  void Notes(std::initializer_list<std::pair<int, int>> pitchAndLength) {
    ClearPhrase(phrase);
    for (const auto& [pitch, length] : pitchAndLength) {
      const int i = phrase.NoteCount++;
      phrase.NotePitch[i] = static_cast<std::int16_t>(pitch);
      phrase.NoteLength[i] = static_cast<std::int16_t>(length);
      if (pitch == 30) phrase.NoteIsRest[i] = 1;
    }
  }
  void PlayOnce() {
    waits.WaitUntil(-100);
    sequencer.BuildStepGrid();
    sequencer.PlayPass();
  }
  // Times of the note-ons on a channel, and their notes.
  std::vector<std::pair<std::int64_t, int>> NoteOns(int channel) const {
    std::vector<std::pair<std::int64_t, int>> out;
    for (const auto& [t, message] : capture.messages) {
      const std::uint32_t m = message.Packed();
      if ((m & 0xFF) == 0x90u + channel && ((m >> 16) & 0x7F) != 0) {
        out.emplace_back(t, static_cast<int>((m >> 8) & 0x7F));
      }
    }
    return out;
  }
  int Count(std::uint32_t message) const {
    return static_cast<int>(
        std::count_if(capture.messages.begin(), capture.messages.end(),
                      [message](const auto& m) { return m.message.Packed() == message; }));
  }

  kihon::VirtualClock clock;
  RunState state;
  kihon::Waits waits{clock, state.StopRequested};
  settings::CfgRecord cfg;
  sound::CaptureMidiOut capture{[this] { return clock.NowMs(); }};
  midi1::Midi midi{cfg, capture};
  Phrase phrase;
  RecordingHost host;
  Sequencer sequencer{cfg, state, phrase, midi, waits, host};
};

}  // namespace

// A beat lasts 60000 / tempo ms, unrounded; each step sounds at its own time rounded to the
// ms, halves up, so no error adds up. The item: two eighths (swung when swing is on), a
// triplet (never swung), a sixteenth and a dotted eighth (never swung).
TEST_F(Playback, StepTimesAreTheTempoAskedFor) {
  struct Case {
    int tempo;
    int swing;  // -1 straight, else the swing level
    std::vector<std::int64_t> onsets;
    std::int64_t end;
  };
  const Case cases[] = {
      {50, -1, {0, 600, 1200, 1600, 2000, 2400, 2700}, 3600},
      {50, 1, {0, 840, 1200, 1600, 2000, 2400, 2700}, 3600},
      {120, -1, {0, 250, 500, 667, 833, 1000, 1125}, 1500},
      {120, 0, {0, 300, 500, 667, 833, 1000, 1125}, 1500},
      {120, 1, {0, 350, 500, 667, 833, 1000, 1125}, 1500},
      {120, 2, {0, 400, 500, 667, 833, 1000, 1125}, 1500},
      {200, -1, {0, 150, 300, 400, 500, 600, 675}, 900},
      {200, 0, {0, 180, 300, 400, 500, 600, 675}, 900},
      {200, 1, {0, 210, 300, 400, 500, 600, 675}, 900},
      {200, 2, {0, 240, 300, 400, 500, 600, 675}, 900},
      // 240: eighths 125 ms apart (not 120), the sixteenth at 62.5 rounded up.
      {240, -1, {0, 125, 250, 333, 417, 500, 563}, 750},
      {240, 0, {0, 150, 250, 333, 417, 500, 563}, 750},
      {240, 1, {0, 175, 250, 333, 417, 500, 563}, 750},
      {240, 2, {0, 200, 250, 333, 417, 500, 563}, 750},
      {300, -1, {0, 100, 200, 267, 333, 400, 450}, 600},
      {300, 0, {0, 120, 200, 267, 333, 400, 450}, 600},
      {300, 1, {0, 140, 200, 267, 333, 400, 450}, 600},
      {300, 2, {0, 160, 200, 267, 333, 400, 450}, 600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.tempo << " bpm, swing " << c.swing);
    cfg.Tempo = static_cast<std::int16_t>(c.tempo);
    cfg.SwingOn = c.swing >= 0 ? 1 : 0;
    cfg.SwingLevel = static_cast<std::int16_t>(std::max(c.swing, 0));
    Notes({{24, 12}, {26, 12}, {28, 8}, {29, 8}, {31, 8}, {33, 6}, {35, 18}});
    capture.messages.clear();
    clock.Set(0);
    PlayOnce();
    std::vector<std::int64_t> onsets;
    for (const auto& [t, note] : NoteOns(0)) onsets.push_back(t);
    EXPECT_EQ(onsets, c.onsets);
    EXPECT_EQ(clock.NowMs(), c.end);
    EXPECT_EQ(capture.messages.back().ms, c.end);  // the pass's closing all-notes-off
  }
}

// Listen mode's answer counts on after the pass for its length, a part beat counting whole:
// five eighths (two and a half beats) are answered in three clicked beats of the pass's own.
TEST_F(Playback, TheAnswerCountsThePassesBeatsAPartBeatWhole) {
  for (const auto& [eighths, beats] : {std::pair{4, 2}, std::pair{5, 3}, std::pair{8, 4}}) {
    ClearPhrase(phrase);
    for (int i = 0; i < eighths; ++i) {
      phrase.NotePitch[i] = static_cast<std::int16_t>(24 + i);
      phrase.NoteLength[i] = 12;
    }
    phrase.NoteCount = static_cast<std::int16_t>(eighths);
    capture.messages.clear();
    clock.Set(0);
    sequencer.AnswerAfterPass = true;
    PlayOnce();
    const std::int64_t passEnd = clock.NowMs();
    EXPECT_TRUE(sequencer.AnswerTime());
    sequencer.AnswerAfterPass = false;
    int clicks = 0;
    for (const auto& [t, m] : capture.messages) {
      if (t >= passEnd && m.channel() == midi1::kDrumChannel && !m.IsNoteOff()) ++clicks;
    }
    EXPECT_EQ(clicks, beats) << eighths << " eighths";
    EXPECT_EQ(clock.NowMs() - passEnd, beats * 500) << eighths << " eighths";
  }
}

TEST_F(Playback, ClickOnEveryBeatAndAllNotesOffAroundThePass) {
  cfg.ClickOn = 1;
  Notes({{24, 24}, {26, 24}});
  PlayOnce();
  EXPECT_EQ(Count(0x462199), 2);  // metronome click, volume 70, on both beats
  EXPECT_EQ(capture.messages.front().message.Packed(), 0x7BB0u);
  EXPECT_EQ(capture.messages.back().message.Packed(), 0x7BB2u);
}

TEST_F(Playback, ATieSendsNoNoteOffAtItsStep) {
  cfg.AccompOn = 1;
  cfg.Category = 3;
  Notes({{24, 24}, {24, 24}, {26, 24}});
  phrase.NoteTie[1] = 1;
  phrase.NoteChord[0] = FixedText("C7", 10);
  PlayOnce();
  for (const auto& [t, message] : capture.messages) {
    const std::uint32_t m = message.Packed();
    if (t == 500) {
      EXPECT_NE(m & 0xF0, 0xB0u) << std::hex << m;
    }
  }
  EXPECT_EQ(NoteOns(0).size(), 2u);
  EXPECT_GT(Count(0x7BB0), 1);  // the untied step silences the melody
}

TEST_F(Playback, ScalesAreNeverAccompanied) {
  cfg.AccompOn = 1;
  Notes({{24, 24}, {26, 24}, {28, 24}});
  phrase.NoteChord[0] = FixedText("D Dorian", 10);
  cfg.Category = 0;
  PlayOnce();
  EXPECT_TRUE(NoteOns(1).empty());
  EXPECT_TRUE(NoteOns(2).empty());
  cfg.Category = 1;
  capture.messages.clear();
  clock.Set(0);
  PlayOnce();
  // D F# A D an octave up, struck at the chord and again two beats later.
  EXPECT_EQ(NoteOns(1).size(), 8u);
  EXPECT_EQ(NoteOns(1)[1].second, 36 + 12 + 2 + 4);
  EXPECT_EQ(NoteOns(1)[4].first, 2 * 500);
  EXPECT_EQ(NoteOns(2).size(), 3u);  // a bass note on every beat: D, A, D
  EXPECT_EQ(NoteOns(2)[1].second, 36 + 9);
}

TEST_F(Playback, NothingIsAccompaniedBeforeTheFirstChordSymbol) {
  cfg.AccompOn = 1;
  cfg.Category = 3;
  Notes({{24, 24}, {24, 24}, {26, 24}, {28, 24}, {29, 24}, {31, 24}});
  phrase.NoteChord[2] = FixedText("Dm7", 10);
  PlayOnce();
  const auto accomp = NoteOns(1);
  ASSERT_FALSE(accomp.empty());
  EXPECT_EQ(accomp.front().first, 2 * 500);
  EXPECT_EQ(accomp.front().second, 36 + 12 + 2);
  for (const auto& [t, message] : capture.messages) {
    const std::uint32_t m = message.Packed();
    if (t < 2 * 500) {
      EXPECT_NE(m & 0xFF, 0x92u) << std::hex << m;
      EXPECT_NE(m & 0xFF, 0x91u) << std::hex << m;
    }
  }
  EXPECT_EQ(NoteOns(2).front().second, 36 + 2);  // the bass starts on the chord's root
}

// Two half-note clicks and four quarters at 0, 2, 4, 5, 6 and 7 beats, the pass at 8, each
// from the count-in's start (at 70 bpm a beat is 857.14 ms).
TEST_F(Playback, CountInClicksTwoHalvesAndFourQuarters) {
  cfg.CountInOn = 1;
  Notes({{24, 24}, {26, 24}});
  for (const auto& [tempo, clicks, first] :
       {std::tuple{120, std::vector<std::int64_t>{0, 1000, 2000, 2500, 3000, 3500}, 4000},
        std::tuple{70, std::vector<std::int64_t>{0, 1714, 3429, 4286, 5143, 6000}, 6857}}) {
    cfg.Tempo = static_cast<std::int16_t>(tempo);
    capture.messages.clear();
    clock.Set(0);
    host.transport.clear();
    sequencer.PlayItem(0);
    std::vector<std::int64_t> heard;
    for (const auto& [t, message] : capture.messages) {
      if (message.Packed() == 0x7F4499u) heard.push_back(t);
    }
    EXPECT_EQ(heard, clicks) << tempo;
    EXPECT_EQ(NoteOns(0).front().first, first) << tempo;
    EXPECT_EQ(host.transport, (std::vector<bool>{true, false}));  // a single pass ends play
  }
}

TEST_F(Playback, StopDuringTheCountInPlaysNothing) {
  cfg.CountInOn = 1;
  int waitsSoFar = 0;
  clock.whileWaiting = [&](kihon::VirtualClock&) {
    if (++waitsSoFar == 2) state.StopRequested = -1;
  };
  Notes({{24, 24}, {26, 24}});
  sequencer.PlayItem(0);
  EXPECT_EQ(host.prepares, 0);
  EXPECT_TRUE(NoteOns(0).empty());
  EXPECT_EQ(Count(0x7F4499), 2);
}

TEST_F(Playback, SpeedUpAndTheKeyProgression) {
  cfg.RepeatOn = 1;
  cfg.RepeatCount = 5;
  cfg.SpeedUpOn = 1;
  cfg.SpeedUpPercent = 20;
  cfg.Tempo = 100;
  cfg.Category = 2;
  Notes({{24, 24}, {26, 24}});
  std::vector<int> roots;
  host.onPrepare = [&] { roots.push_back(cfg.Root); };
  // The stop button, pressed while the third key plays.
  clock.whileWaiting = [&](kihon::VirtualClock&) {
    if (roots.size() == 3) state.StopRequested = -1;
  };
  sequencer.PlayItem(-1);
  EXPECT_EQ(roots, (std::vector<int>{0, 11, 10}));
  const std::vector<int> firstKey(host.tempi.begin() + 1, host.tempi.begin() + 6);
  EXPECT_EQ(firstKey, (std::vector<int>{100, 105, 110, 115, 120}));
  EXPECT_EQ(host.tempi[6], 100);  // the next key starts again at the saved tempo
  EXPECT_EQ(host.texts[2], "2/5");
}

TEST_F(Playback, TempoProductsAndLimitsNeverOverflow) {
  cfg.RepeatOn = 1;
  cfg.RepeatCount = 2;
  cfg.SpeedUpOn = 1;
  cfg.SpeedUpPercent = 500;  // Tempo x percent = 150000, beyond 16 bits
  cfg.Tempo = 300;
  cfg.Category = 2;
  Notes({{24, 24}, {26, 24}});
  int keys = 0;
  host.onPrepare = [&] { ++keys; };
  clock.whileWaiting = [&](kihon::VirtualClock&) {
    if (keys == 2) state.StopRequested = -1;
  };
  sequencer.PlayItem(0);
  clock.whileWaiting = nullptr;
  ASSERT_GE(host.tempi.size(), 3u);
  EXPECT_EQ(host.tempi[2], 300);      // sped up, but no faster than the tempo control goes
  EXPECT_EQ(BeatLengthMs(0), 60000);  // a tempo of 0 from a file does not divide by zero
  cfg.Tempo = 0;
  cfg.RepeatOn = 0;
  capture.messages.clear();
  clock.Set(0);
  PlayOnce();
  EXPECT_EQ(NoteOns(0).size(), 2u);
}

TEST_F(Playback, AQuarterBeatPauseAfterOddScales) {
  cfg.RepeatOn = 1;
  cfg.RepeatCount = 2;
  cfg.Category = 0;
  for (const int notes : {15, 16}) {
    ClearPhrase(phrase);
    for (int i = 0; i < notes; ++i) {
      phrase.NotePitch[phrase.NoteCount] = static_cast<std::int16_t>(24 + i);
      phrase.NoteLength[phrase.NoteCount++] = 12;
    }
    capture.messages.clear();
    clock.Set(0);
    host.prepares = 0;
    clock.whileWaiting = [&](kihon::VirtualClock&) {
      if (host.prepares == 2) state.StopRequested = -1;
    };
    sequencer.PlayItem(0);
    const auto ons = NoteOns(0);
    ASSERT_GE(ons.size(), static_cast<size_t>(notes + 1));
    const std::int64_t passLength = notes * 250;
    EXPECT_EQ(ons[notes].first - ons[0].first, passLength + (notes % 2 ? 125 : 0)) << notes;
  }
}

TEST_F(Playback, AnItemLongerThanTheGridPlaysToItsEnd) {
  ClearPhrase(phrase);
  for (int i = 0; i < 200; ++i) {
    phrase.NotePitch[phrase.NoteCount] = 24;
    phrase.NoteLength[phrase.NoteCount++] = 96;
  }
  QStringList said;
  sequencer.report = [&said](const QString& m) { said << m; };
  sequencer.BuildStepGrid();
  EXPECT_EQ(sequencer.grid().EndStep, kGridSteps - 1);
  EXPECT_EQ(sequencer.grid().rows[0][3936], 24);
  // The cut is said, naming the first note that is not played whole (the 42nd whole note
  // runs past the 4000th step).
  ASSERT_EQ(said.size(), 1);
  EXPECT_TRUE(said[0].contains("42 番目")) << said[0].toStdString();
  // An item that fits says nothing; one whose last note only just fits neither.
  said.clear();
  Notes({{24, 96}, {26, 96}});
  sequencer.BuildStepGrid();
  ClearPhrase(phrase);
  for (int i = 0; i < 41; ++i) {
    phrase.NotePitch[phrase.NoteCount] = 24;
    phrase.NoteLength[phrase.NoteCount++] = 96;
  }
  phrase.NoteLength[phrase.NoteCount - 1] = 64;  // ends at step 4000
  sequencer.BuildStepGrid();
  EXPECT_TRUE(said.isEmpty()) << said.join(' ').toStdString();
  // In continuous playback, once said, the cut is not said again at every key; each
  // play-once says it.
  for (int i = 0; i < 60; ++i) phrase.NoteLength[i] = 96, phrase.NotePitch[i] = 24;
  phrase.NoteCount = 60;
  sequencer.ContinuousPlay = -1;
  sequencer.BuildStepGrid();
  sequencer.BuildStepGrid();
  EXPECT_TRUE(said.isEmpty());
  sequencer.ContinuousPlay = 0;
  sequencer.BuildStepGrid();
  EXPECT_EQ(said.size(), 1);
}

TEST_F(Playback, TheLowestCSounds) {
  Notes({{0, 24}, {2, 24}});
  PlayOnce();
  ASSERT_EQ(NoteOns(0).size(), 2u);
  EXPECT_EQ(NoteOns(0)[0].second, 36);
}

TEST_F(Playback, OutOfRangeNotesAreNotSent) {
  cfg.PitchBase = 120;
  Notes({{24, 24}, {2, 24}});
  PlayOnce();
  for (const auto& [t, message] : capture.messages) {
    const std::uint32_t m = message.Packed();
    EXPECT_LE((m >> 8) & 0xFF, 127u);
    EXPECT_LE((m >> 16) & 0xFF, 127u);
  }
  EXPECT_EQ(NoteOns(0).size(), 1u);  // 2 + 120 = 122 sounds, 24 + 120 does not exist
}

TEST_F(Playback, MelodySwitchedOffMidPassSilencesOnlyTheMelody) {
  Notes({{24, 24}, {26, 24}, {28, 24}, {29, 24}});
  // The player unticks "旋律" once the first beat has passed.
  clock.whileWaiting = [this](kihon::VirtualClock& c) {
    if (c.NowMs() >= 400) cfg.MelodyOn = 0;
  };
  PlayOnce();
  const auto ons = NoteOns(0);
  ASSERT_EQ(ons.size(), 1u);
  EXPECT_EQ(ons[0].second, 60);
  // The cursor still moves at every note: once at the start and once per melody event.
  EXPECT_EQ(host.highlights, 1 + 4);
}

// A slash chord's bass note is played on both beats while the chord lasts.
TEST_F(Playback, TheBassPlaysTheSlashNote) {
  cfg.AccompOn = 1;
  cfg.Category = 3;
  Notes({{24, 48}, {26, 48}, {28, 48}, {29, 48}});
  phrase.NoteChord[0] = FixedText(QStringLiteral("C/E"), kChordTextLength);
  phrase.NoteChord[2] = FixedText(QStringLiteral("Am7/G"), kChordTextLength);
  sequencer.BuildStepGrid();
  const auto& bass = sequencer.grid().rows[5];
  EXPECT_EQ((std::vector<int>{bass[0], bass[24], bass[48], bass[72]}),
            (std::vector<int>{4, 4, 4, 4}));
  EXPECT_EQ((std::vector<int>{bass[96], bass[120], bass[144], bass[168]}),
            (std::vector<int>{7, 7, 7, 7}));
  EXPECT_EQ(sequencer.grid().rows[1][96], 9 + 12);  // the chord itself is A minor seventh
}

// The accompaniment reads the chord symbols every eighth step (three to the beat): a chord
// written between those steps is not voiced, and the chord before it sounds on.
TEST_F(Playback, TheAccompanimentReadsChordsEveryEighthStep) {
  cfg.AccompOn = 1;
  cfg.Category = 3;
  struct Row {
    int at;  // the step of the second chord
    bool voiced;
  };
  for (const Row row : {Row{4, false}, Row{8, true}, Row{12, false}, Row{16, true}, Row{20, false},
                        Row{24, true}}) {
    SCOPED_TRACE(testing::Message() << "second chord at step " << row.at);
    Notes({{24, row.at}, {26, 96 - row.at}, {28, 96}});
    phrase.NoteChord[0] = FixedText(QStringLiteral("C7"), kChordTextLength);
    phrase.NoteChord[1] = FixedText(QStringLiteral("F7"), kChordTextLength);
    sequencer.BuildStepGrid();
    const auto& top = sequencer.grid().rows[1];
    EXPECT_EQ(top[0], 0 + 12);
    EXPECT_EQ(top[row.at], row.voiced ? 5 + 12 : kNoEvent);
    // The next bar's first beat strikes the chord in force.
    EXPECT_EQ(top[96], row.voiced ? 5 + 12 : 0 + 12);
  }
}

// Swing stretches only the beats that move in eighths; triplets, sixteenths and dotted
// figures keep their written lengths. At 120 bpm, swung eighths are 350 and 150 ms.
TEST_F(Playback, SwingSwingsOnlyTheBeatsOfEighths) {
  cfg.SwingOn = 1;
  cfg.SwingLevel = 1;
  cfg.CountInOn = 1;
  Notes({{24, 8},
         {26, 8},
         {28, 8},  // a triplet
         {29, 6},
         {31, 6},
         {33, 6},
         {35, 6},  // four sixteenths
         {36, 12},
         {35, 12},  // two eighths: swung
         {33, 18},
         {31, 6},  // a dotted eighth and a sixteenth
         {30, 12},
         {29, 12},  // an eighth rest and an eighth: swung
         {28, 24}});
  PlayOnce();
  std::vector<std::int64_t> onsets;
  for (const auto& [t, note] : NoteOns(0)) onsets.push_back(t);
  EXPECT_EQ(onsets, (std::vector<std::int64_t>{0, 167, 333,         // straight
                                               500, 625, 750, 875,  // straight
                                               1000, 1000 + 350,    // swung
                                               1500, 1500 + 375,    // straight
                                               2000 + 350,          // swung
                                               2500}));
  // The count-in keeps its beats with swing on.
  capture.messages.clear();
  clock.Set(0);
  Notes({{24, 12}, {26, 12}});
  sequencer.PlayItem(0);
  std::vector<std::int64_t> clicks;
  for (const auto& [t, message] : capture.messages) {
    const std::uint32_t m = message.Packed();
    if (m == 0x7F4499u) clicks.push_back(t);
  }
  EXPECT_EQ(clicks, (std::vector<std::int64_t>{0, 1000, 2000, 2500, 3000, 3500}));
}

// What the accompaniment plays under each chord of the table: its four voices, an octave
// above the chord's pitches, and the bass alternating the root and its second note by beats.
TEST_F(Playback, TheAccompanimentPlaysEachWrittenChord) {
  cfg.AccompOn = 1;
  cfg.Category = 3;
  for (const QualityCase& c : kQualityCases) {
    for (const char* suffix : c.suffixes) {
      const QString symbol = QStringLiteral("D") + QString::fromUtf8(suffix);
      SCOPED_TRACE(symbol.toStdString());
      capture.messages.clear();
      clock.Set(0);
      Notes({{26, 96}});
      phrase.NoteChord[0] = FixedText(symbol, kChordTextLength);
      PlayOnce();
      std::vector<int> voices;
      for (const auto& [t, note] : NoteOns(1)) {
        if (t == 0) voices.push_back(note);
      }
      std::vector<int> expected;
      for (int v : c.voices) expected.push_back(36 + 12 + 2 + v);
      EXPECT_EQ(voices, expected);
      std::vector<int> bass;
      for (const auto& [t, note] : NoteOns(2)) bass.push_back(note);
      const int root = 36 + 2, fifth = root + c.bassFifth;
      EXPECT_EQ(bass, (std::vector<int>{root, fifth, root, fifth}));
    }
  }
}

namespace {

// An output with a clock of its own, as the embedded synthesiser is: a message plays at its
// time unless withdrawn before. It records when each was handed over.
class SchedulingOut final : public sound::MidiOut {
 public:
  struct Sent {
    std::int64_t ms;  // when it plays
    sound::ShortMessage message;
    std::int64_t handedOver;
    bool atOnce;
  };
  SchedulingOut(kihon::VirtualClock& clock, int lead) : clock_(clock), lead_(lead) {}
  bool Open() override { return true; }
  void Close() override {}
  QString Name() const override { return QStringLiteral("scheduling"); }
  void Send(const sound::ShortMessage& message, std::int64_t atMs) override {
    const bool atOnce = atMs == sound::kAtOnce;
    sent.push_back({atOnce ? clock_.NowMs() : atMs, message, clock_.NowMs(), atOnce});
  }
  void Withdraw() override { WithdrawFrom(std::numeric_limits<std::int64_t>::min()); }
  void WithdrawFrom(std::int64_t atMs) override {
    const std::int64_t from = std::max(atMs, clock_.NowMs() + 1);  // what has sounded stays
    withdrawn +=
        static_cast<int>(std::erase_if(sent, [from](const Sent& m) { return m.ms >= from; }));
  }
  bool SchedulesAhead() const override { return true; }
  int LeadMs() const override { return lead_; }
  // What plays, in the order of the times.
  std::vector<Sent> Heard() const {
    std::vector<Sent> heard = sent;
    std::stable_sort(heard.begin(), heard.end(),
                     [](const Sent& x, const Sent& y) { return x.ms < y.ms; });
    return heard;
  }

  std::vector<Sent> sent;
  int withdrawn = 0;
  std::int64_t stoppedAt = -1;

 private:
  kihon::VirtualClock& clock_;
  int lead_;
};

// Two keys of continuous playback with count-in, click, accompaniment and swing at 150 bpm
// (count-in to 3200 ms, then passes of 1600 ms), on an output with a lead of 30 ms, while
// every wait wakes lateMs late and the window holds the playback up for blockMs once at
// 3900 ms (the middle of the first pass); stopped at 5600 ms, in the second key's pass.
SchedulingOut PlayTwoKeys(int lateMs, int blockMs) {
  kihon::VirtualClock clock;
  RunState state;
  kihon::Waits waits{clock, state.StopRequested};
  settings::CfgRecord cfg;
  cfg.UseMidi = 1;
  cfg.PitchBase = 36;
  cfg.Tempo = 150;
  cfg.MelodyOn = 1;
  cfg.MelodyVolume = 100;
  cfg.AccompOn = 1;
  cfg.AccompVolume = 80;
  cfg.ClickOn = 1;
  cfg.ClickVolume = 70;
  cfg.CountInOn = 1;
  cfg.SwingOn = 1;
  cfg.RepeatOn = 1;
  cfg.RepeatCount = 1;
  cfg.Category = 3;
  SchedulingOut out(clock, 30);
  midi1::Midi midi{cfg, out};
  midi.StartMidiOut({});
  Phrase phrase;
  ClearPhrase(phrase);
  for (int i = 0; i < 8; ++i) {
    phrase.NotePitch[i] = static_cast<std::int16_t>(24 + 2 * i);
    phrase.NoteLength[i] = i < 6 ? 12 : 8;
  }
  phrase.NoteLength[7] = 16;
  phrase.NoteCount = 8;
  phrase.NoteChord[0] = QStringLiteral("Dm7");
  phrase.NoteChord[4] = QStringLiteral("G7");
  RecordingHost host;
  Sequencer sequencer{cfg, state, phrase, midi, waits, host};
  // The next key realised apart from the window: here the same notes a fourth up.
  sequencer.realiseInKey = [&phrase](int key, Phrase& moved) {
    moved = phrase;
    for (int i = 0; i < moved.NoteCount; ++i) moved.NotePitch[i] += static_cast<std::int16_t>(key);
    return true;
  };
  host.onPrepare = [&] {
    midi.SendInstruments();
    if (host.prepares == 2) {
      for (int i = 0; i < phrase.NoteCount; ++i) phrase.NotePitch[i] += 5;
    }
  };
  bool blocked = false;
  clock.whileWaiting = [&](kihon::VirtualClock& c) {
    c.Advance(lateMs);
    if (!blocked && c.Deadline() >= 3900) {
      blocked = true;
      c.Advance(blockMs);
    }
    if (c.Deadline() >= 5600 && state.StopRequested == 0) {
      state.StopRequested = -1;
      out.stoppedAt = c.NowMs();
    }
  };
  sequencer.PlayItem(5);
  return out;
}

}  // namespace

// The whole pass goes to the output when it begins, the next one with it: late wake-ups and
// a window that holds the playback up change nothing that is heard.
TEST(ScheduledTime, EveryMessageIsHandedOverBeforeItsTime) {
  const SchedulingOut onTime = PlayTwoKeys(0, 0);
  const auto heardOnTime = onTime.Heard();
  ASSERT_GT(heardOnTime.size(), 60u);
  struct Case {
    const char* name;
    int lateMs;
    int blockMs;
  };
  for (const Case c : {Case{"on time", 0, 0}, Case{"waking 7 ms late", 7, 0},
                       Case{"the window blocked for 200 ms", 0, 200}, Case{"both", 7, 200}}) {
    SCOPED_TRACE(c.name);
    const SchedulingOut out = PlayTwoKeys(c.lateMs, c.blockMs);
    const auto heard = out.Heard();
    for (const auto& m : heard) {
      if (m.atOnce) continue;
      EXPECT_LE(m.handedOver, m.ms) << m.ms << " " << std::hex << m.message.Packed();
    }
    // Up to the stop, the same messages at the same times.
    const std::int64_t stop = std::min(out.stoppedAt, onTime.stoppedAt);
    const auto upTo = [stop](const std::vector<SchedulingOut::Sent>& all) {
      sound::TimedMessages kept;
      for (const auto& m : all) {
        if (!m.atOnce && m.ms <= stop) kept.push_back({m.ms, m.message});
      }
      return kept;
    };
    EXPECT_EQ(upTo(heard), upTo(heardOnTime));
    // The second key's pass was handed over ahead and is heard a fourth up.
    EXPECT_TRUE(std::any_of(heard.begin(), heard.end(), [](const auto& m) {
      return m.ms >= 4800 && m.message.Packed() == 0x644190u;  // melody F 65, velocity 100
    }));
  }
}

// A stop withdraws what has not sounded (the rest of the pass and the one handed over after
// it) and silences the channels at once.
TEST(ScheduledTime, AStopWithdrawsWhatHasNotSounded) {
  const SchedulingOut out = PlayTwoKeys(0, 0);
  const auto heard = out.Heard();
  EXPECT_GT(out.withdrawn, 20);
  ASSERT_GE(heard.size(), 3u);
  for (const auto& m : heard) {
    if (!m.atOnce) {
      EXPECT_LE(m.ms, out.stoppedAt);
    }
  }
  for (std::size_t i = heard.size() - 3; i < heard.size(); ++i) {
    EXPECT_TRUE(heard[i].atOnce);
    EXPECT_EQ(heard[i].message.Packed() & 0xFFF0u, 0x7BB0u);
  }
}
