#include "engine/practice_engine.h"

#include <gtest/gtest.h>

#include <QDir>
#include <set>
#include <string>
#include <vector>

namespace {

// Records every message with the virtual time, and asks playback to stop once a number of
// melody note-ons or clicks has been sent.
class StoppingOut final : public sound::MidiOut {
 public:
  StoppingOut(kihon::VirtualClock& clock, RunState& state) : clock_(clock), state_(state) {}
  bool Open() override { return true; }
  void Close() override {}
  QString Name() const override { return QStringLiteral("stopping"); }
  void Send(const sound::ShortMessage& message, std::int64_t) override {
    messages.emplace_back(clock_.NowMs(), message);
    const bool noteOn = message.kind() == sound::ShortMessage::kNoteOn && !message.IsNoteOff();
    if (noteOn && message.channel() == watchedChannel && ++seen == stopAfter) {
      state_.StopRequested = -1;
    }
    if (onSend) onSend(message);
  }

  // (time, note) of every note-on on a channel.
  std::vector<std::pair<std::int64_t, int>> NoteOns(int channel) const {
    std::vector<std::pair<std::int64_t, int>> out;
    for (const auto& [t, m] : messages) {
      if (m.channel() == channel && m.kind() == sound::ShortMessage::kNoteOn && !m.IsNoteOff()) {
        out.emplace_back(t, m.data1());
      }
    }
    return out;
  }

  std::vector<std::pair<std::int64_t, sound::ShortMessage>> messages;
  int watchedChannel = 0;
  int stopAfter = -1;
  int seen = 0;
  std::function<void(const sound::ShortMessage&)> onSend;

 private:
  kihon::VirtualClock& clock_;
  RunState& state_;
};

class EngineWithoutWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    cfg.RepeatCount = 1;
    cfg.RepeatOn = 1;
    cfg.Tempo = 120;
    cfg.SwingOn = 0;
    ASSERT_GT(engine.LoadCategory(QStringLiteral(VORMINA_SOURCE_DIR "/data"), 0, nullptr), 0);
    engine.midi().StartMidiOut({});
  }

  settings::CfgRecord cfg = settings::DefaultRecord();
  RunState state;
  kihon::VirtualClock clock;
  kihon::Waits waits{clock, state.StopRequested};
  StoppingOut out{clock, state};
  practice::Engine engine{cfg, state, waits, out};
};

}  // namespace

// Continuous playback with no window still moves through the keys: each key change
// realises the item in the new key, as the window's preparation does.
TEST_F(EngineWithoutWindow, ContinuousPlayRealisesEachKeyOfTheProgression) {
  struct Row {
    std::int16_t mode;
    std::vector<int> roots;  // the first note of each key, above the first key's
  };
  for (const Row& row : {Row{0, {0, 1, 2}}, Row{1, {0, -1, -2}}, Row{2, {0, 5, 10}}}) {
    SCOPED_TRACE(row.mode);
    out.messages.clear();
    engine.Select(0, 0, 0);  // the first scale in C
    cfg.ProgressionMode = row.mode;
    engine.Prepare(false, nullptr, {});
    const int notesPerKey = engine.phrase().NoteCount;
    ASSERT_GT(notesPerKey, 0);
    out.seen = 0;
    out.stopAfter = 3 * notesPerKey;
    state.StopRequested = 0;
    engine.PlayContinuous();
    const auto melody = out.NoteOns(0);
    ASSERT_EQ(static_cast<int>(melody.size()), 3 * notesPerKey);
    for (std::size_t key = 0; key < row.roots.size(); ++key) {
      // A key's first note moves by the progression's step, up to whole octaves of the
      // range fitting.
      const int moved = melody[key * notesPerKey].second - melody[0].second;
      EXPECT_EQ(((moved - row.roots[key]) % 12 + 12) % 12, 0) << "key " << key;
    }
  }
}

TEST_F(EngineWithoutWindow, TheMetronomeClicksEveryBeatAndFollowsATempoChange) {
  constexpr int kCountIn = 6;  // two half-bar clicks, then four beats
  out.watchedChannel = 9;
  out.stopAfter = kCountIn + 6;
  cfg.CountInOn = 1;
  cfg.ClickInstrument = 1;
  cfg.ClickVolume = 100;
  cfg.Tempo = 120;
  out.onSend = [this](const sound::ShortMessage&) {
    if (out.seen == kCountIn + 3) cfg.Tempo = 150;  // at the third beat
  };
  engine.Metronome();
  const auto clicks = out.NoteOns(9);
  ASSERT_EQ(clicks.size(), static_cast<std::size_t>(kCountIn + 6));
  std::vector<std::int64_t> gaps;
  for (std::size_t i = kCountIn + 1; i < clicks.size(); ++i) {
    gaps.push_back(clicks[i].first - clicks[i - 1].first);
  }
  EXPECT_EQ(gaps, (std::vector<std::int64_t>{500, 500, 400, 400, 400}));
  EXPECT_EQ(clicks[kCountIn - 1].second, 68);  // the count-in's own sound
  EXPECT_EQ(clicks[kCountIn].second, engine.midi().DrumNoteTable()[1]);
}

// What the tool and offline rendering play: the tempo rule of the start-up, the program
// changes, then the pass; a refused phrase plays nothing and says why.
TEST(OfflineEngine, PlaysOnceAsTheProgramDoesAfterItsStart) {
  settings::CfgRecord record = settings::DefaultRecord();
  record.Tempo = 20;  // below 50: 100 at start-up
  record.SwingOn = 0;
  practice::OfflineEngine world(record);
  ASSERT_GT(world.engine.LoadCategory(QStringLiteral(VORMINA_SOURCE_DIR "/data"), 0, nullptr), 0);
  world.engine.Select(0, 0, 3);
  const practice::PassResult pass = world.PlayOnce();
  EXPECT_TRUE(pass.error.isEmpty());
  ASSERT_GE(pass.messages.size(), 4u);
  for (int channel = 0; channel < 4; ++channel) {
    EXPECT_EQ(pass.messages[channel].message.Packed() & 0xFFu, 0xC0u + channel);
  }
  std::vector<std::int64_t> onsets;
  for (const auto& [t, message] : pass.messages) {
    const std::uint32_t m = message.Packed();
    if ((m & 0xFF) == 0x90 && ((m >> 16) & 0x7F) != 0) onsets.push_back(t);
  }
  ASSERT_EQ(static_cast<int>(onsets.size()), world.engine.phrase().NoteCount);
  EXPECT_EQ(onsets[1] - onsets[0], 300);  // eighths at 100 bpm

  practice::OfflineEngine broken;
  broken.engine.lists().PhraseName[0] = QStringLiteral("壊れたフレーズ");
  (*broken.engine.lists().PhraseLine)[0][0] = QStringLiteral("C4");
  (*broken.engine.lists().PhraseLine)[0][1] = QStringLiteral("C99999");
  broken.engine.Select(3, 0, 0);
  const practice::PassResult refused = broken.PlayOnce();
  EXPECT_EQ(refused.error, kPhraseError);
  for (const auto& [t, m] : refused.messages) EXPECT_EQ(m.Packed() & 0xF0u, 0xC0u);
}

// Each treatment of the V is one whole: its symbol names what the melody's scale plays over
// it, and the band voices that symbol (four notes above the root, the bass on the root and
// then the chord's fifth), in major and in minor.
TEST(OfflineEngine, TheBandPlaysTheVChordItsTreatmentNames) {
  struct Row {
    std::int16_t tonality, treatment;
    const char* symbol;
    std::set<int> accompaniment;  // pitch classes
    std::vector<int> bass;        // pitch classes in order
  };
  const Row rows[] = {
      {0, 0, "G7", {7, 11, 2, 5}, {7, 2}},    {0, 1, "G7b9", {7, 11, 5, 8}, {7, 2}},
      {0, 2, "Galt", {7, 11, 5, 10}, {7, 7}}, {0, 3, "G7#5", {7, 11, 3, 5}, {7, 3}},
      {1, 0, "G7", {7, 11, 2, 5}, {7, 2}},    {1, 1, "G7b9", {7, 11, 5, 8}, {7, 2}},
      {1, 2, "Galt", {7, 11, 5, 10}, {7, 7}}, {1, 3, "G7#5", {7, 11, 3, 5}, {7, 3}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.symbol + std::string(row.tonality ? " in C minor" : " in C major"));
    settings::CfgRecord record = settings::DefaultRecord();
    record.Tempo = 120;
    record.SwingOn = 0;
    record.Tonality = row.tonality;
    record.V7Treatment = row.treatment;
    practice::OfflineEngine world(record);
    ASSERT_GT(world.engine.LoadCategory(QStringLiteral(VORMINA_SOURCE_DIR "/data"), 2, nullptr), 0);
    world.engine.Select(2, 0, 0);
    const practice::PassResult pass = world.PlayOnce();
    ASSERT_TRUE(pass.error.isEmpty());
    const Phrase& phrase = world.engine.phrase();
    // The V's first note, and the note where the next chord starts.
    int v = -1, next = phrase.NoteCount;
    for (int i = 0; i < phrase.NoteCount; ++i) {
      const QString chord = phrase.NoteChord[i].trimmed();
      if (chord.isEmpty()) continue;
      if (v >= 0) {
        next = i;
        break;
      }
      if (chord.startsWith(u'G')) {
        EXPECT_EQ(chord, QString::fromLatin1(row.symbol));
        v = i;
      }
    }
    ASSERT_GE(v, 0);
    std::vector<std::int64_t> melody;
    for (const auto& [t, m] : pass.messages) {
      if (m.channel() == midi1::kMelodyChannel && m.kind() == sound::ShortMessage::kNoteOn &&
          !m.IsNoteOff())
        melody.push_back(t);
    }
    ASSERT_EQ(static_cast<int>(melody.size()), phrase.NoteCount);
    const std::int64_t from = melody[v];
    const std::int64_t to = next < phrase.NoteCount ? melody[next] : INT64_MAX;
    std::set<int> accompaniment;
    std::vector<int> bass;
    for (const auto& [t, m] : pass.messages) {
      if (t < from || t >= to || m.kind() != sound::ShortMessage::kNoteOn || m.IsNoteOff())
        continue;
      if (m.channel() == midi1::kAccompChannel && t == from) accompaniment.insert(m.data1() % 12);
      if (m.channel() == midi1::kBassChannel) bass.push_back(m.data1() % 12);
    }
    EXPECT_EQ(accompaniment, row.accompaniment);
    ASSERT_GE(bass.size(), 2u);
    EXPECT_EQ(std::vector<int>(bass.begin(), bass.begin() + 2), row.bass);
  }
}
